// safe_write.cpp -- replaces a file's content: a new file beside it renamed over it, or a rewrite in place
//
// The rename route gives old-or-new even across a crash or a power loss: the new file is synced
// before the rename and the folder after it. It is taken only when the result is the same file to
// everyone else: same owner, group and permissions, and no other hard link that would keep the old text.
#include "safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "services/files.h"

namespace {

constexpr int kMaxLinkHops = 40;  // As the system's own limit for following links

// The file a path finally names, after symbolic links.
struct Target {
  std::string path;  // In the system's spelling
  bool exists = false;
  struct stat st {};
};

std::string folder_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string name_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows the links one by one, so a save through a link replaces the linked file, not the link.
// False for a link loop and for a path that cannot be looked at (a file used as a folder, no access).
bool resolve(const std::string& path, Target& t) {
  std::string p = svc::system_path(path);
  for (int hops = 0;; ++hops) {
    if (::lstat(p.c_str(), &t.st) != 0) {
      if (errno != ENOENT) return false;
      t.path = p;  // A new file; a missing folder on the way makes the creation fail later
      t.exists = false;
      return true;
    }
    if (!S_ISLNK(t.st.st_mode)) {
      t.path = p;
      t.exists = true;
      return true;
    }
    if (hops == kMaxLinkHops) return false;
    char link[PATH_MAX];
    ssize_t n = ::readlink(p.c_str(), link, sizeof link);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof link)) return false;
    std::string next(link, static_cast<size_t>(n));
    p = next[0] == '/' ? next : folder_of(p) + next;
  }
}

bool write_all(int fd, const std::vector<std::string_view>& pieces) {
  for (std::string_view piece : pieces) {
    const char* data = piece.data();
    size_t left = piece.size();
    while (left > 0) {
      ssize_t n = ::write(fd, data, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      left -= static_cast<size_t>(n);
    }
  }
  return true;
}

// A fresh hidden file beside the target, named after it; never an existing file of the user.
int create_temp_beside(const std::string& target, std::string& temp) {
  std::string base = folder_of(target) + "." + name_of(target) + ".saving";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = attempt == 0 ? base : base + std::to_string(attempt);
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      temp = name;
      return fd;
    }
    if (errno != EEXIST) return -1;  // Not a name clash: the folder takes no new file
  }
  return -1;
}

// After a rename the folder holds the new name only once the folder itself is synced.
void sync_folder(const std::string& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // Some file systems cannot sync a folder; the rename has happened either way
  ::close(fd);
}

enum Outcome { REPLACED, FAILED, WRITE_IN_PLACE };

Outcome write_beside(const Target& t, const std::vector<std::string_view>& pieces) {
  std::string temp;
  int fd = create_temp_beside(t.path, temp);
  if (fd < 0) return WRITE_IN_PLACE;
  auto give_up = [&](Outcome outcome) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return outcome;
  };
  if (t.exists) {
    // The new file must belong to whom the old one belonged, with its permissions; a user who may
    // write the file but not give it away keeps it by writing in place.
    struct stat mine {};
    if (::fstat(fd, &mine) != 0) return give_up(WRITE_IN_PLACE);
    if ((mine.st_uid != t.st.st_uid || mine.st_gid != t.st.st_gid) && ::fchown(fd, t.st.st_uid, t.st.st_gid) != 0)
      return give_up(WRITE_IN_PLACE);
    if (::fchmod(fd, t.st.st_mode & 07777) != 0) return give_up(WRITE_IN_PLACE);
  }
  // A write that fails (full disk, size limit) leaves the old file as it was.
  if (!write_all(fd, pieces) || ::fsync(fd) != 0) return give_up(FAILED);
  int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return give_up(FAILED);
  if (::rename(temp.c_str(), t.path.c_str()) != 0) return give_up(WRITE_IN_PLACE);  // A sticky folder, for one
  sync_folder(folder_of(t.path));
  return REPLACED;
}

// Overwrites the file from its first byte and cuts it after the new content. Room for a longer
// content is taken first, so a full disk or a size limit refuses before any old byte changes.
bool write_in_place(const Target& t, const std::vector<std::string_view>& pieces) {
  off_t total = 0;
  for (std::string_view piece : pieces) total += static_cast<off_t>(piece.size());
  int fd = ::open(t.path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  if (total > t.st.st_size) {
    int grown = ::fallocate(fd, 0, 0, total);
    if (grown != 0 && (errno == EOPNOTSUPP || errno == ENOSYS)) grown = ::ftruncate(fd, total);
    if (grown != 0) {
      ::close(fd);
      return false;
    }
  }
  bool ok = write_all(fd, pieces) && ::ftruncate(fd, total) == 0 && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

}  // namespace

bool replace_file(const std::string& path, const std::vector<std::string_view>& pieces) {
  if (path.empty()) return false;
  Target t;
  if (!resolve(path, t)) return false;
  if (t.exists) {
    if (!S_ISREG(t.st.st_mode)) return false;  // A folder, a device or a pipe is no file to save into
    // A file the user may not write (read-only) is refused, as a direct write would be.
    int probe = ::open(t.path.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) return false;
    ::close(probe);
  }
  if (!t.exists || t.st.st_nlink == 1) {
    Outcome outcome = write_beside(t, pieces);
    if (outcome == REPLACED) return true;
    if (outcome == FAILED || !t.exists) return false;
  }
  return write_in_place(t, pieces);
}
