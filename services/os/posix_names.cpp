// posix_names.cpp -- a path's parts found without regard to letter case, through per-folder indexes
#include "posix_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "os.h"

namespace os::detail {
namespace {

// What tells that a folder changed: its identity and its modification and change times. A name made
// or removed in it moves both times.
struct Stamp {
  dev_t device = 0;
  ino_t inode = 0;
  struct timespec modified = {0, 0};
  struct timespec changed = {0, 0};
};

bool same(const Stamp& a, const Stamp& b) {
  return a.device == b.device && a.inode == b.inode && a.modified.tv_sec == b.modified.tv_sec &&
         a.modified.tv_nsec == b.modified.tv_nsec && a.changed.tv_sec == b.changed.tv_sec &&
         a.changed.tv_nsec == b.changed.tv_nsec;
}

Stamp stamp_of(const struct stat& st) {
  Stamp s;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.modified = st.st_mtim;
  s.changed = st.st_ctim;
  return s;
}

struct FolderIndex {
  Stamp stamp;
  bool trusted = false;  // Read clearly after the folder's last change (see index_of)
  std::unordered_set<std::string> names;                // Every entry as spelled
  std::unordered_map<std::string, std::string> first;  // Folded name -> the first such entry in byte order
};

// A folder's times come from a clock that moves in steps of a few milliseconds: a change made in the
// same step as the reading leaves both times as they were. An index read within this margin of the
// folder's last change is used once and read again at the next lookup.
constexpr int64_t kClockStepNanoseconds = 50'000'000;

int64_t nanoseconds(const struct timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; }

// A world names a handful of folders; a program that wanders through many keeps the latest ones.
constexpr size_t kMostFolders = 256;

std::mutex g_lock;
std::unordered_map<std::string, FolderIndex> g_indexes;  // By the folder's path as found ("." for here)

void take_name(FolderIndex& index, const std::string& name) {
  index.names.insert(name);
  auto [at, added] = index.first.emplace(folded_name(name), name);
  if (!added && name < at->second) at->second = name;
}

// The folder's index, read again when the folder changed; null when the folder cannot be read.
FolderIndex* index_of(const std::string& folder) {
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  const Stamp now = stamp_of(st);
  auto found = g_indexes.find(folder);
  if (found != g_indexes.end() && found->second.trusted && same(found->second.stamp, now)) return &found->second;
  struct timespec reading;
  ::clock_gettime(CLOCK_REALTIME, &reading);
  DIR* d = ::opendir(folder.c_str());
  if (!d) return nullptr;
  if (found == g_indexes.end()) {
    if (g_indexes.size() >= kMostFolders) g_indexes.clear();
    found = g_indexes.emplace(folder, FolderIndex()).first;
  }
  FolderIndex& index = found->second;
  index = FolderIndex();
  index.stamp = now;
  const int64_t last_change = std::max(nanoseconds(now.modified), nanoseconds(now.changed));
  index.trusted = nanoseconds(reading) - last_change > kClockStepNanoseconds;
  while (struct dirent* e = ::readdir(d)) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    take_name(index, name);
  }
  ::closedir(d);
  return &index;
}

// The entry of `folder` that `name` finds: itself when present, else the first of other case; "" when none.
std::string entry_for(const std::string& folder, const std::string& name) {
  FolderIndex* index = index_of(folder);
  if (!index) return std::string();
  if (index->names.count(name)) return name;
  if (!may_differ_in_case(name)) return std::string();
  auto match = index->first.find(folded_name(name));
  return match == index->first.end() ? std::string() : match->second;
}

std::string folder_key(const std::string& prefix) { return prefix.empty() ? std::string(".") : prefix; }

}  // namespace

std::string last_part(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string find_path(const std::string& path, bool to_write) {
  const int saved = errno;
  const bool absolute = !path.empty() && path[0] == '/';
  const bool trailing = path.size() > 1 && path.back() == '/';
  std::vector<std::string> parts;
  for (size_t at = 0; at <= path.size();) {
    size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    if (slash > at) parts.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  if (parts.empty()) return path;
  // The folders on the way, as spelled in the path: prefix[i] holds the parts before part i.
  std::vector<std::string> prefix(parts.size() + 1);
  prefix[0] = absolute ? "/" : "";
  for (size_t i = 0; i < parts.size(); ++i) prefix[i + 1] = prefix[i] + parts[i] + "/";

  std::lock_guard<std::mutex> hold(g_lock);
  // The deepest folder on the way that exists as spelled: most misses differ in the last part or two.
  size_t start = parts.size() - 1;
  while (start > 0) {
    struct stat st;
    if (::stat(folder_key(prefix[start]).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) break;
    --start;
  }
  std::string found = prefix[start];
  for (size_t i = start; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    std::string entry;
    if (part == "." || part == "..") {
      entry = part;
    } else {
      entry = entry_for(folder_key(found), part);
      if (entry.empty()) {
        if (!(to_write && i + 1 == parts.size())) {
          errno = saved;
          return std::string();
        }
        entry = part;
      }
    }
    found += entry;
    if (i + 1 < parts.size() || trailing) found += '/';
  }
  errno = saved;
  return found;
}

void note_made(const std::string& path) {
  const int saved = errno;
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::lock_guard<std::mutex> hold(g_lock);
  auto found = g_indexes.find(folder);
  struct stat st;
  if (found != g_indexes.end() && ::stat(folder.c_str(), &st) == 0) {
    // The folder was read or checked a moment ago, within this same call: the change is this one.
    take_name(found->second, name);
    found->second.stamp = stamp_of(st);
    found->second.trusted = true;
  }
  errno = saved;
}

}  // namespace os::detail
