// files.cpp -- whole-file reads and writes, line joining and folder listings for the tests
#include "support/files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace support {

namespace fs = std::filesystem;

namespace {

// Paths are UTF-8 as the programs' are; a narrow std::filesystem path would be read in the ANSI code
// page on Windows.
fs::path utf8(const std::string& path) { return fs::u8path(path); }

}  // namespace

bool write_file(const std::string& path, const std::string& bytes) {
  std::error_code ec;
  const fs::path parent = utf8(path).parent_path();
  if (!parent.empty()) fs::create_directories(parent, ec);
  std::ofstream out(utf8(path), std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

std::string read_file(const std::string& path) {
  std::ifstream in(utf8(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string join_lines(const std::vector<std::string>& lines, const std::string& end) {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

std::vector<std::string> split_lines(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t stop = text.find(end, at);
    lines.push_back(text.substr(at, stop == std::string::npos ? std::string::npos : stop - at));
    at = stop == std::string::npos ? text.size() : stop + end.size();
  }
  return lines;
}

std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(utf8(folder), ec)) names.push_back(entry.path().filename().u8string());
  std::sort(names.begin(), names.end());
  return names;
}

bool link_to_endless_device(const std::string& path) {
#ifdef _WIN32
  static_cast<void>(path);
  return false;
#else
  std::error_code error;
  std::filesystem::create_symlink("/dev/zero", path, error);
  return !error;
#endif
}

}  // namespace support
