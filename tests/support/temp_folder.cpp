// temp_folder.cpp -- fresh temporary folders for tests, optionally the working directory while a test runs
#include "support/temp_folder.h"

#include <filesystem>
#include <random>
#include <system_error>

#include "os.h"

namespace support {

namespace fs = std::filesystem;

std::string make_temp_folder(const std::string& name, const std::string& parent) {
  if (parent.empty()) {
    std::string made = os::make_temp_folder(name);
    if (!made.empty() && made.back() == '\\') made.back() = '/';
    return made;
  }
  std::string base = parent;
  if (base.back() != '/' && base.back() != '\\') base += '/';
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937 pick{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string folder = base + name;
    for (int i = 0; i < 6; ++i) folder += kLetters[pick() % 36];
    std::error_code ec;
    if (std::filesystem::create_directory(folder, ec)) return folder + "/";
    if (ec) return "";
  }
  return "";
}

void remove_folder(const std::string& path) {
  if (path.empty()) return;
  std::error_code ec;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path, ec);
}

bool enter_temp_folder(WorkFolder& folder, const std::string& name) {
  folder.previous = os::current_folder();
  if (folder.previous.empty()) folder.previous = ".";
  folder.dir = make_temp_folder(name);
  return !folder.dir.empty() && os::change_folder(folder.dir);
}

void leave_temp_folder(WorkFolder& folder) {
  if (!folder.previous.empty()) os::change_folder(folder.previous);
  remove_folder(folder.dir);
  folder.dir.clear();
  folder.previous.clear();
}

}  // namespace support
