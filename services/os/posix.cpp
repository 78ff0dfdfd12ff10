// posix.cpp -- the operating-system interface on Linux: POSIX calls, inotify, /proc and signals
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "os.h"
#include "os_programs.h"
#include "os_test_hook.h"
#include "posix_names.h"

namespace os {
namespace {

int fd_of(Handle file) { return static_cast<int>(file); }

// The test hook's budget: bytes that may still be written, or -1 for no limit.
std::atomic<int64_t> g_write_budget{-1};

// Takes up to `size` bytes from the budget; fewer when the simulated disk fills up.
size_t take_budget(size_t size) {
  int64_t left = g_write_budget.load();
  while (left >= 0) {
    const int64_t take = static_cast<int64_t>(size) < left ? static_cast<int64_t>(size) : left;
    if (g_write_budget.compare_exchange_weak(left, left - take)) return static_cast<size_t>(take);
  }
  return size;
}

Kind kind_of(mode_t mode) {
  if (S_ISREG(mode)) return Kind::FILE;
  if (S_ISDIR(mode)) return Kind::FOLDER;
  if (S_ISLNK(mode)) return Kind::LINK;
  return Kind::OTHER;
}

void fill_info(const struct stat& st, Info& info) {
  info.kind = kind_of(st.st_mode);
  info.size = static_cast<int64_t>(st.st_size);
  info.links = static_cast<int64_t>(st.st_nlink);
  info.owner = static_cast<uint32_t>(st.st_uid);
  info.group = static_cast<uint32_t>(st.st_gid);
  info.permissions = static_cast<uint32_t>(st.st_mode & 07777);
}

std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string name_of(const std::string& path) { return detail::last_part(path); }

// A name the system did not find as spelled (it or a folder on its way is missing).
bool not_found(int error) { return error == ENOENT || error == ENOTDIR; }

// The path to hand the system after a call with `path` failed with `error`: the entry of other case
// when one is there, else "" (and errno as the failed call left it).
std::string other_case(const std::string& path, int error) {
  errno = error;
  if (!not_found(error)) return std::string();
  std::string found = detail::find_path(path, false);
  return found == path ? std::string() : found;
}

// Where a file to be written at `path` goes: into the folders as they are spelled, onto the file of
// other case when one is there, else under the name as given. The exact name when it exists.
std::string write_path(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) return path;
  const std::string found = detail::find_path(path, true);
  return found.empty() ? path : found;
}

}  // namespace

// ---- open files

Handle open_file(const std::string& path, Open how) {
  int flags = O_CLOEXEC;
  switch (how) {
    case Open::READ: flags |= O_RDONLY | O_NONBLOCK; break;  // Reads of a regular file ignore O_NONBLOCK
    case Open::WRITE_EXISTING: flags |= O_WRONLY; break;
    case Open::CREATE: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case Open::CREATE_ONLY: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
    case Open::READ_WRITE: flags |= O_RDWR | O_CREAT; break;
  }
  int fd = -1;
  if (!(flags & O_CREAT)) {  // An existing file: the exact name, else the one of other case
    fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
      const std::string found = other_case(path, errno);
      if (!found.empty()) fd = ::open(found.c_str(), flags, 0666);
    }
    return fd < 0 ? kNoHandle : fd;
  }
  if (how != Open::CREATE_ONLY) {  // The exact file when it is there, at no extra cost
    fd = ::open(path.c_str(), flags & ~O_CREAT, 0666);
    if (fd >= 0 || !not_found(errno)) return fd < 0 ? kNoHandle : fd;
  } else if (!may_differ_in_case(name_of(path))) {  // No other case of this name can exist
    fd = ::open(path.c_str(), flags, 0666);
    if (fd >= 0 || !not_found(errno)) return fd < 0 ? kNoHandle : fd;
  }
  const std::string target = write_path(path);
  if (how == Open::CREATE_ONLY && name_of(target) != name_of(path)) {
    errno = EEXIST;  // A file of other case counts as present
    return kNoHandle;
  }
  fd = ::open(target.c_str(), flags, 0666);
  if (fd >= 0) detail::note_made(target);
  return fd < 0 ? kNoHandle : fd;
}

int64_t read_some(Handle file, void* into, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_of(file), into, size);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

bool write_all(Handle file, const void* data, size_t size) {
  const char* at = static_cast<const char*>(data);
  size_t allowed = take_budget(size);
  const bool cut = allowed < size;
  while (allowed > 0) {
    const ssize_t n = ::write(fd_of(file), at, allowed);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += n;
    allowed -= static_cast<size_t>(n);
  }
  if (cut) errno = ENOSPC;
  return !cut;
}

int64_t move_position(Handle file, int64_t delta) {
  return static_cast<int64_t>(::lseek(fd_of(file), static_cast<off_t>(delta), SEEK_CUR));
}

bool set_size(Handle file, int64_t size) { return ::ftruncate(fd_of(file), static_cast<off_t>(size)) == 0; }

bool reserve_size(Handle file, int64_t size) {
  if (g_write_budget.load() >= 0) {
    struct stat st;
    if (::fstat(fd_of(file), &st) != 0) return false;
    if (size > st.st_size && size - st.st_size > g_write_budget.load()) {
      errno = ENOSPC;
      return false;
    }
  }
  if (::fallocate(fd_of(file), 0, 0, static_cast<off_t>(size)) == 0) return true;
  // A file system without preallocation: the size alone, which at least meets a size limit early.
  if (errno == EOPNOTSUPP || errno == ENOSYS) return set_size(file, size);
  return false;
}

bool sync_file(Handle file) { return ::fsync(fd_of(file)) == 0; }

bool close_file(Handle file) { return ::close(fd_of(file)) == 0; }

// ---- what a name is

bool file_info(Handle file, Info& info) {
  struct stat st;
  info = Info();
  if (::fstat(fd_of(file), &st) != 0) return false;
  fill_info(st, info);
  return true;
}

bool path_info(const std::string& path, Info& info, bool follow_links) {
  struct stat st;
  info = Info();
  if ((follow_links ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
    const int error = errno;
    const std::string found = other_case(path, error);
    if (found.empty() || (follow_links ? ::stat(found.c_str(), &st) : ::lstat(found.c_str(), &st)) != 0) {
      errno = error;
      return error == ENOENT;
    }
  }
  fill_info(st, info);
  return true;
}

std::string read_link(const std::string& path) {
  char link[PATH_MAX];
  ssize_t n = ::readlink(path.c_str(), link, sizeof link);
  if (n < 0) {
    const std::string found = other_case(path, errno);
    if (!found.empty()) n = ::readlink(found.c_str(), link, sizeof link);
  }
  if (n <= 0 || n >= static_cast<ssize_t>(sizeof link)) return std::string();
  return std::string(link, static_cast<size_t>(n));
}

bool may_access(const std::string& path, bool write) {
  struct stat st;
  std::string found;
  const char* p = path.empty() ? "." : path.c_str();
  if (::stat(p, &st) != 0) {
    found = other_case(path, errno);
    if (found.empty() || ::stat(found.c_str(), &st) != 0) return false;
    p = found.c_str();
  }
  int mode = write ? W_OK : R_OK;
  if (S_ISDIR(st.st_mode)) mode |= X_OK;
  return ::access(p, mode) == 0;
}

bool is_terminal(int stream) { return ::isatty(stream) == 1; }

// ---- names and folders

bool list_folder(const std::string& folder, std::vector<Entry>& out) {
  std::string dir = folder.empty() ? std::string("./") : folder;
  if (dir.back() != '/') dir += '/';
  DIR* d = ::opendir(dir.c_str());
  if (!d) {
    const std::string found = other_case(dir, errno);
    if (found.empty() || !(d = ::opendir(found.c_str()))) return false;
    dir = found;
  }
  while (struct dirent* e = ::readdir(d)) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    Kind kind;
    if (e->d_type == DT_DIR) {
      kind = Kind::FOLDER;
    } else if (e->d_type == DT_REG) {
      kind = Kind::FILE;
    } else {  // Links and file systems without types: ask for what the name leads to
      struct stat st;
      if (::stat((dir + name).c_str(), &st) != 0) continue;
      kind = S_ISDIR(st.st_mode) ? Kind::FOLDER : Kind::FILE;
    }
    out.push_back({name, kind});
  }
  ::closedir(d);
  return true;
}

bool rename_path(const std::string& from, const std::string& to) {
  struct stat st;
  std::string source = from;
  if (::lstat(from.c_str(), &st) != 0) {
    source = other_case(from, errno);
    if (source.empty()) return false;
  }
  // Onto the file of other case when one is there, unless that is the source itself (a change of case).
  std::string target = write_path(to);
  if (target != to) {
    struct stat a, b;
    if (::lstat(source.c_str(), &a) == 0 && ::lstat(target.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
        a.st_ino == b.st_ino)
      target = detail::find_path(to.substr(0, to.size() - name_of(to).size()), true) + name_of(to);
  }
  return ::rename(source.c_str(), target.c_str()) == 0;
}

bool remove_file(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return true;
  const std::string found = other_case(path, errno);
  return !found.empty() && ::unlink(found.c_str()) == 0;
}

bool sync_folder(const std::string& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    const std::string found = other_case(folder, errno);
    if (found.empty() || (fd = ::open(found.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) < 0) return false;
  }
  const bool synced = ::fsync(fd) == 0;  // Some file systems cannot sync a folder
  ::close(fd);
  return synced;
}

std::string current_folder() {
  std::vector<char> buf(4096);
  while (!::getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE || buf.size() > (1u << 20)) return std::string();
    buf.resize(buf.size() * 2);
  }
  return std::string(buf.data());
}

bool change_folder(const std::string& folder) {
  if (::chdir(folder.c_str()) == 0) return true;
  const std::string found = other_case(folder, errno);
  return !found.empty() && ::chdir(found.c_str()) == 0;
}

std::string make_temp_folder(const std::string& name) {
  const char* temp = std::getenv("TMPDIR");
  std::string pattern = temp && *temp ? temp : "/tmp";
  if (pattern.back() != '/') pattern += '/';
  pattern += name + "XXXXXX";
  if (!::mkdtemp(pattern.data())) return std::string();
  return pattern + "/";
}

bool make_folder(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  Info info;
  if (!path_info(folder, info, true)) return false;
  if (info.kind == Kind::FOLDER) return true;  // There already, in this or other case
  if (info.kind != Kind::MISSING) {
    errno = ENOTDIR;
    return false;
  }
  const size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0 && !make_folder(folder.substr(0, slash))) return false;
  const std::string target = write_path(folder);  // Into the folders on the way as they are spelled
  if (::mkdir(target.c_str(), 0777) == 0) {
    detail::note_made(target);
    return true;
  }
  struct stat st;
  return errno == EEXIST && ::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode);  // Made meanwhile
}

bool remove_folder(const std::string& path) {
  if (::rmdir(path.c_str()) == 0) return true;
  const std::string found = other_case(path, errno);
  return !found.empty() && ::rmdir(found.c_str()) == 0;
}

bool remove_tree(const std::string& path) {
  struct stat st;
  std::string target = path;
  if (::lstat(path.c_str(), &st) != 0) {
    target = other_case(path, errno);
    if (target.empty()) return not_found(errno);
    if (::lstat(target.c_str(), &st) != 0) return false;
  }
  if (!S_ISDIR(st.st_mode)) return ::unlink(target.c_str()) == 0;
  DIR* d = ::opendir(target.c_str());
  if (!d) return false;
  std::vector<std::string> names;
  while (struct dirent* e = ::readdir(d))
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
  ::closedir(d);
  const std::string inside = target.back() == '/' ? target : target + "/";
  for (const std::string& name : names)
    if (!remove_tree(inside + name)) return false;
  return ::rmdir(target.c_str()) == 0;
}

std::string absolute_path(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  const std::string here = current_folder();
  if (here.empty()) return std::string();
  return here.back() == '/' ? here + path : here + "/" + path;
}

// ---- making files

Made create_empty_file(const std::string& path) {
  // One system call makes an empty regular file and fails when the name exists; a colour-code map makes
  // hundreds of thousands. Where it fails for another reason (a file system that does not offer it),
  // an exclusive open and a close try again and give the usual reason. A name without letters (a bare
  // colour code) has no other case; any other is looked up in its folder's index first, which keeps
  // each file made here.
  std::string target = path;
  const bool looked_up = may_differ_in_case(name_of(path));
  if (looked_up) {
    target = write_path(path);
    if (name_of(target) != name_of(path)) return Made::EXISTS;  // A file of other case is there
  }
  if (::mknod(target.c_str(), S_IFREG | 0666, 0) == 0) {
    if (looked_up) detail::note_made(target);
    return Made::MADE;
  }
  if (errno == EEXIST) return Made::EXISTS;
  if (not_found(errno) && target == path) {  // A folder of other case on the way
    const std::string found = detail::find_path(path, true);
    if (!found.empty() && found != path) return create_empty_file(found);
  }
  const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? Made::EXISTS : Made::FAILED;
  ::close(fd);
  if (looked_up) detail::note_made(target);
  return Made::MADE;
}

// ---- replacing a file's content

bool begin_replace(const std::string& target, bool keep_owner, Replacement& r) {
  r = Replacement();
  // The target as found: in its folder of other case, the file of other case when one is there.
  const std::string found = write_path(target);
  // A fresh hidden file beside the target, named after it; never an existing file of the user.
  const std::string base = folder_of(found) + "." + name_of(found) + ".saving";
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    r.temporary = attempt == 0 ? base : base + std::to_string(attempt);
    fd = ::open(r.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;  // Not a name clash: the folder takes no new file
  }
  if (fd < 0) return false;
  r.file = fd;
  r.target = found;
  struct stat old;
  if (keep_owner && ::stat(found.c_str(), &old) == 0) {
    // The new file belongs to whom the old one belonged, with its permissions; where the user may
    // not give it away, the route is closed.
    struct stat mine;
    bool kept = ::fstat(fd, &mine) == 0;
    if (kept && (mine.st_uid != old.st_uid || mine.st_gid != old.st_gid))
      kept = ::fchown(fd, old.st_uid, old.st_gid) == 0;
    if (kept) kept = ::fchmod(fd, old.st_mode & 07777) == 0;
    if (!kept) {
      abandon_replace(r);
      return false;
    }
  }
  return true;
}

Replaced finish_replace(Replacement& r) {
  if (r.file == kNoHandle) return Replaced::FAILED;
  const bool synced = ::fsync(fd_of(r.file)) == 0;
  const bool closed = ::close(fd_of(r.file)) == 0;
  r.file = kNoHandle;
  if (!synced || !closed) {
    abandon_replace(r);
    return Replaced::FAILED;
  }
  if (::rename(r.temporary.c_str(), r.target.c_str()) != 0) {  // A sticky folder, for one
    abandon_replace(r);
    return Replaced::NOT_POSSIBLE;
  }
  sync_folder(folder_of(r.target));  // Only then does the folder hold the new name across a power loss
  r = Replacement();
  return Replaced::DONE;
}

void abandon_replace(Replacement& r) {
  const int saved = errno;
  if (r.file != kNoHandle) ::close(fd_of(r.file));
  if (!r.temporary.empty()) ::unlink(r.temporary.c_str());
  r = Replacement();
  errno = saved;
}

Replaced replace_file(const std::string& target, const std::vector<std::string_view>& pieces, bool keep_owner) {
  Replacement r;
  if (!begin_replace(target, keep_owner, r)) return Replaced::NOT_POSSIBLE;
  for (std::string_view piece : pieces) {
    if (!write_all(r.file, piece.data(), piece.size())) {
      abandon_replace(r);
      return Replaced::FAILED;
    }
  }
  return finish_replace(r);
}

void fail_writes_after(int64_t bytes) { g_write_budget.store(bytes < 0 ? -1 : bytes); }

// ---- watching folders

namespace {

int g_inotify = -1;
std::map<int, int> g_watches;  // inotify's watch number -> how many watch_folder calls hold it

constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO |
                                IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// One change per watch and name: a later event of the same name replaces the earlier one.
void add_change(std::vector<Change>& out, size_t first, int watch, std::string name, bool gone) {
  for (size_t i = first; i < out.size(); ++i) {
    if (out[i].watch == watch && out[i].name == name) {
      out.erase(out.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  out.push_back({watch, std::move(name), gone});
}

}  // namespace

int watch_folder(const std::string& folder) {
  if (g_inotify < 0) g_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (g_inotify < 0) return 0;
  int wd = ::inotify_add_watch(g_inotify, folder.empty() ? "." : folder.c_str(), kWatchMask);
  if (wd <= 0) {
    const std::string found = other_case(folder, errno);
    if (found.empty() || (wd = ::inotify_add_watch(g_inotify, found.c_str(), kWatchMask)) <= 0) return 0;
  }
  g_watches[wd]++;
  return wd;
}

void unwatch_folder(int watch) {
  auto it = g_watches.find(watch);
  if (it == g_watches.end()) return;
  if (--it->second > 0) return;
  g_watches.erase(it);
  ::inotify_rm_watch(g_inotify, watch);
}

void collect_changes(std::vector<Change>& out) {
  if (g_inotify < 0) return;
  const size_t first = out.size();
  alignas(struct inotify_event) char buf[16384];
  for (;;) {
    const ssize_t n = ::read(g_inotify, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // EAGAIN: nothing more waits
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const struct inotify_event*>(buf + at);
      at += static_cast<ssize_t>(sizeof(struct inotify_event) + e->len);
      if (e->mask & IN_Q_OVERFLOW) {
        for (const auto& w : g_watches) add_change(out, first, w.first, std::string(), false);
        continue;
      }
      if (g_watches.count(e->wd) == 0) continue;  // Unwatched since the event was queued
      if (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
        add_change(out, first, e->wd, std::string(), true);
        if (e->mask & IN_IGNORED) g_watches.erase(e->wd);  // The system dropped the watch with its folder
        continue;
      }
      if (e->len == 0) continue;
      add_change(out, first, e->wd, std::string(e->name), (e->mask & (IN_DELETE | IN_MOVED_FROM)) != 0);
    }
  }
}

// ---- clocks and memory

int64_t local_seconds() {
  const time_t t = ::time(nullptr);
  struct tm local;
  if (!::localtime_r(&t, &local)) return static_cast<int64_t>(t);
  return static_cast<int64_t>(t) + local.tm_gmtoff;
}

uint64_t monotonic_milliseconds() {
  struct timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

uint64_t monotonic_microseconds() {
  struct timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

void sleep_milliseconds(int milliseconds) {
  if (milliseconds <= 0) return;
  struct timespec left = {milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

int64_t available_memory() {
  FILE* f = std::fopen("/proc/meminfo", "r");
  if (!f) return -1;
  int64_t bytes = -1;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    long long kib = 0;
    if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) {
      bytes = static_cast<int64_t>(kib) * 1024;
      break;
    }
  }
  std::fclose(f);
  return bytes;
}

void* allocate_block(size_t bytes, bool large_pages) {
  constexpr size_t kLargePage = size_t{2} << 20;
  if (large_pages && bytes <= SIZE_MAX - kLargePage) {
    void* block = nullptr;
    const size_t whole = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    if (::posix_memalign(&block, kLargePage, whole) != 0) return nullptr;
#ifdef MADV_HUGEPAGE
    ::madvise(block, whole, MADV_HUGEPAGE);  // Only advice: where refused, small pages serve
#endif
    return block;
  }
  return std::malloc(bytes ? bytes : 1);
}

void free_block(void* block) { std::free(block); }

// ---- signals and faults

namespace {

constexpr size_t kAltStackSize = 1 << 20;  // A fault handler may write a report: give it room
FaultHandler g_fault_handler = nullptr;

Fault fault_of(int sig) {
  switch (sig) {
    case SIGFPE: return Fault::DIVISION;  // Integer division is the only FPE left unmasked
    case SIGSEGV:
    case SIGBUS: return Fault::MEMORY;
    case SIGILL: return Fault::INSTRUCTION;
    default: return Fault::OTHER;
  }
}

volatile sig_atomic_t g_in_fault_handler = 0;

void on_fault(int sig, siginfo_t*, void*) {
  if (g_in_fault_handler) _exit(0);  // A fault inside the handler ends the process at once
  g_in_fault_handler = 1;
  FaultHandler handler = g_fault_handler;
  if (handler) handler(fault_of(sig));
  _exit(0);
}

// The fault handler runs on a stack of its own, so a stack overflow reaches it too. The stack is kept
// for the life of the process; its pointer stays here, where a leak checker sees it still in use
// (the system's copy is out of its sight).
void* g_alternate_stack = nullptr;

void install_alternate_stack() {
  if (g_alternate_stack) return;
  stack_t ss{};
  ss.ss_sp = std::malloc(kAltStackSize);
  if (!ss.ss_sp) return;
  ss.ss_size = kAltStackSize;
  ss.ss_flags = 0;
  if (::sigaltstack(&ss, nullptr) == 0)
    g_alternate_stack = ss.ss_sp;
  else
    std::free(ss.ss_sp);
}

// A modal box may run in a child process (SDL's X11 box forks one while the program waits for it):
// the children of the main thread go with the program, or the box would stay on screen. Only
// system calls here, as a signal handler requires.
void end_children() {
  char path[48] = "/proc/self/task/";
  char digits[16];
  int n = 0;
  for (pid_t p = ::getpid(); p > 0 && n < 15; p /= 10) digits[n++] = static_cast<char>('0' + p % 10);
  int at = 16;
  while (n > 0) path[at++] = digits[--n];
  const char tail[] = "/children";
  for (size_t i = 0; i < sizeof tail; i++) path[at++] = tail[i];
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  char buf[512];
  const ssize_t len = ::read(fd, buf, sizeof buf);
  ::close(fd);
  pid_t child = 0;
  for (ssize_t i = 0; i < len; i++) {
    if (buf[i] >= '0' && buf[i] <= '9') {
      child = child * 10 + (buf[i] - '0');
    } else {
      if (child > 0) ::kill(child, SIGKILL);
      child = 0;
    }
  }
  if (child > 0) ::kill(child, SIGKILL);
}

void end_now(int) {
  end_children();
  _exit(0);
}

struct sigaction ending_action() {
  struct sigaction sa {};
  sa.sa_handler = end_now;
  sigemptyset(&sa.sa_mask);
  return sa;
}

struct SavedQuitHandling {
  struct sigaction term, interrupt;
};
std::vector<SavedQuitHandling> g_saved_quit;  // One per push_quit_ending not yet popped

}  // namespace

void catch_faults(FaultHandler handler) {
  const int signals[] = {SIGSEGV, SIGFPE, SIGILL, SIGBUS};
  g_fault_handler = handler;
  if (!handler) {  // No handler: faults behave as the system's defaults again
    for (int sig : signals) ::signal(sig, SIG_DFL);
    return;
  }
  install_alternate_stack();
  struct sigaction sa {};
  sa.sa_sigaction = on_fault;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&sa.sa_mask);
  for (int sig : signals) ::sigaction(sig, &sa, nullptr);
}

void end_on_quit_signals() {
  const struct sigaction sa = ending_action();
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
}

void push_quit_ending() {
  const struct sigaction sa = ending_action();
  SavedQuitHandling saved{};
  ::sigaction(SIGTERM, &sa, &saved.term);
  ::sigaction(SIGINT, &sa, &saved.interrupt);
  g_saved_quit.push_back(saved);
}

void pop_quit_ending() {
  if (g_saved_quit.empty()) return;
  const SavedQuitHandling saved = g_saved_quit.back();
  g_saved_quit.pop_back();
  ::sigaction(SIGTERM, &saved.term, nullptr);
  ::sigaction(SIGINT, &saved.interrupt, nullptr);
}

void no_size_limit_signal() { ::signal(SIGXFSZ, SIG_IGN); }

int run_program(const std::vector<std::string>& arguments, double* cpu_seconds) {
  if (cpu_seconds) *cpu_seconds = -1;
  if (arguments.empty()) return -1;
  // Everything the child needs is made before the fork: between fork and exec only plain system calls.
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execvp(argv[0], argv.data());
    _exit(127);
  }
  if (child < 0) return -1;
  int status = 0;
  struct rusage use;
  pid_t waited;
  while ((waited = ::wait4(child, &status, 0, &use)) < 0 && errno == EINTR) {
  }
  if (waited != child) return -1;
  if (cpu_seconds)
    *cpu_seconds =
        double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double thread_processor_seconds() {
  struct timespec ts;
  if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0) return -1;
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

namespace {

const char* g_limit_message = "";
size_t g_limit_length = 0;

void on_time_limit(int) {
  (void)!::write(2, g_limit_message, g_limit_length);
  _exit(1);
}

}  // namespace

void end_after(int seconds, const char* message) {
  g_limit_message = message;
  g_limit_length = std::strlen(message);
  ::signal(SIGALRM, on_time_limit);
  ::alarm(seconds > 0 ? static_cast<unsigned>(seconds) : 1u);
}

std::string spelled_path(const std::string& path) {
  struct stat st;
  if (::lstat(path.empty() ? "." : path.c_str(), &st) == 0) return path;
  return detail::find_path(path, false);
}

std::string error_text() { return std::strerror(errno); }

std::string program_name() { return program_invocation_short_name; }

std::string program_folder() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (n <= 0 || size_t(n) >= sizeof buffer) return "";
  const std::string path(buffer, size_t(n));
  return path.substr(0, path.rfind('/') + 1);
}

std::string environment_variable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

std::vector<std::string> utf8_arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

}  // namespace os
