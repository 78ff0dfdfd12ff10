// safe_write.cpp -- replaces a file's content: a new file beside it renamed over it, or a rewrite in place
//
// The rename route (the system layer's atomic replace) gives old-or-new even across a crash or a
// power loss. It is taken only when the result is the same file to everyone else: same owner, group
// and permissions, and no other hard link that would keep the old text. Otherwise the file is
// rewritten in place.
#include "safe_write.h"

#include "os.h"
#include "services/files.h"
#include "services/paths.h"

namespace {

constexpr int kMaxLinkHops = 40;  // As the system's own limit for following links

// The file a path finally names, after symbolic links.
struct Target {
  std::string path;  // In the system's spelling
  os::Info info;     // kind MISSING for a new file
};

std::string folder_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows the links one by one, so a save through a link replaces the linked file, not the link.
// False for a link loop and for a path that cannot be looked at (a file used as a folder, no access).
bool resolve(const std::string& path, Target& t) {
  std::string p = svc::system_path(path);
  for (int hops = 0;; ++hops) {
    if (!os::path_info(p, t.info, false)) return false;
    if (t.info.kind != os::Kind::LINK) {
      t.path = p;  // A missing folder on the way to a new file makes the creation fail later
      return true;
    }
    if (hops == kMaxLinkHops) return false;
    const std::string next = os::read_link(p);
    if (next.empty()) return false;
    p = next[0] == '/' ? next : folder_of(p) + next;
  }
}

bool write_all(os::Handle file, const std::vector<std::string_view>& pieces) {
  for (std::string_view piece : pieces)
    if (!os::write_all(file, piece.data(), piece.size())) return false;
  return true;
}

// Overwrites the file from its first byte and cuts it after the new content. Room for a longer
// content is taken first, so a full disk or a size limit refuses before any old byte changes.
bool write_in_place(const Target& t, const std::vector<std::string_view>& pieces) {
  int64_t total = 0;
  for (std::string_view piece : pieces) total += static_cast<int64_t>(piece.size());
  const os::Handle file = os::open_file(t.path, os::Open::WRITE_EXISTING);
  if (file == os::kNoHandle) return false;
  if (total > t.info.size && !os::reserve_size(file, total)) {
    os::close_file(file);
    return false;
  }
  const bool ok = write_all(file, pieces) && os::set_size(file, total) && os::sync_file(file);
  return os::close_file(file) && ok;
}

}  // namespace

bool replace_file(const std::string& path, const std::vector<std::string_view>& pieces) {
  if (path.empty()) return false;
  Target t;
  if (!resolve(path, t)) return false;
  const bool exists = t.info.kind != os::Kind::MISSING;
  if (exists) {
    if (t.info.kind != os::Kind::FILE) return false;  // A folder, a device or a pipe is no file to save into
    // A file the user may not write (read-only) is refused, as a direct write would be.
    const os::Handle probe = os::open_file(t.path, os::Open::WRITE_EXISTING);
    if (probe == os::kNoHandle) return false;
    os::close_file(probe);
  }
  if (!exists || t.info.links == 1) {
    // The new file keeps the old one's owner, group and permissions, or the route is closed.
    const os::Replaced outcome = os::replace_file(t.path, pieces, true);
    if (outcome == os::Replaced::DONE) return true;
    if (outcome == os::Replaced::FAILED || !exists) return false;
  }
  return write_in_place(t, pieces);
}
