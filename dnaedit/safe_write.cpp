// safe_write.cpp -- writes a new file beside the target and renames it over the target, so a crash
// or a full disk during a save never leaves a half-written or truncated file behind
#include "safe_write.h"

#include <filesystem>
#include <system_error>

#include "services/files.h"

namespace fs = std::filesystem;

// The file a path finally names: a save through a symbolic link replaces the linked file, not the link.
static std::string resolved_target(const std::string& path) {
  std::error_code ec;
  fs::path system = svc::system_path(path);
  if (!fs::is_symlink(fs::symlink_status(system, ec))) return path;
  fs::path real = fs::weakly_canonical(system, ec);
  return ec ? path : real.string();
}

// A fresh file beside the target, named after it; never an existing file of the user.
static int create_temp_beside(const std::string& target, std::string& temp) {
  std::string base = svc::folder_part(target) + "." + svc::get_file_part(target) + ".saving";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = attempt == 0 ? base : base + std::to_string(attempt);
    int file = svc::create_new_file(-1, name);
    if (file) {
      temp = name;
      return file;
    }
    if (svc::file_size(name) == -1) return 0;  // Not a name clash: the folder refuses new files
  }
  return 0;
}

bool begin_safe_write(SafeWrite& w, const std::string& path) {
  w = SafeWrite{};
  if (path.empty()) return false;
  w.target = resolved_target(path);
  int64_t size = svc::file_size(w.target);
  if (size == -2) return false;  // A folder is not a file to save into
  if (size >= 0) {
    // An existing file the user may not write (read-only) is refused, as a direct write would be.
    int probe = svc::open_file_rw(-1, w.target);
    if (!probe) return false;
    svc::close_file(probe);
  }
  std::string folder = svc::folder_part(w.target);
  if (svc::directory_writable(folder.empty() ? svc::current_directory() : folder)) {
    w.file = create_temp_beside(w.target, w.temp);
    if (w.file) return true;
  }
  // The folder takes no new files but the file itself is writable: overwrite it and cut the old tail.
  w.temp.clear();
  w.file = svc::open_file_rw(-1, w.target);
  return w.file != 0;
}

bool finish_safe_write(SafeWrite& w, bool lines_written) {
  if (!w.file) return false;
  int file = w.file;
  w.file = 0;
  if (w.temp.empty()) {
    bool cut = svc::truncate_file(file) != 0;
    bool closed = svc::close_file(file) != 0;
    return lines_written && cut && closed;
  }
  // A failed write leaves the old file untouched: the new one is thrown away.
  if (!svc::close_file(file) || !lines_written) {
    svc::delete_file(w.temp);
    return false;
  }
  // The new file takes over the old one's permissions, so a save does not change who may read it.
  std::error_code ec;
  fs::file_status old_status = fs::status(svc::system_path(w.target), ec);
  if (!ec && fs::exists(old_status))
    fs::permissions(svc::system_path(w.temp), old_status.permissions(), fs::perm_options::replace, ec);
  if (!svc::rename_file(w.temp, w.target)) {
    svc::delete_file(w.temp);
    return false;
  }
  return true;
}
