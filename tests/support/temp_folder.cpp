// temp_folder.cpp -- fresh temporary folders for tests, optionally the working directory while a test runs
#include "support/temp_folder.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace support {

namespace fs = std::filesystem;

std::string make_temp_folder(const std::string& name, const std::string& parent) {
  std::string base = parent;
  if (base.empty()) {
    std::error_code ec;
    base = fs::temp_directory_path(ec).string();
    if (ec) base = "/tmp";
  }
  if (base.back() != '/') base += '/';
  const std::string pattern = base + name + "XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) return "";
  return std::string(buf.data()) + "/";
}

void remove_folder(const std::string& path) {
  if (path.empty()) return;
  std::error_code ec;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path, ec);
}

bool enter_temp_folder(WorkFolder& folder, const std::string& name) {
  char cwd[4096];
  folder.previous = getcwd(cwd, sizeof cwd) ? cwd : ".";
  folder.dir = make_temp_folder(name);
  return !folder.dir.empty() && chdir(folder.dir.c_str()) == 0;
}

void leave_temp_folder(WorkFolder& folder) {
  if (!folder.previous.empty()) (void)!chdir(folder.previous.c_str());
  remove_folder(folder.dir);
  folder.dir.clear();
  folder.previous.clear();
}

}  // namespace support
