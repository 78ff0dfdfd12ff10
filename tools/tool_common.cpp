// tool_common.cpp -- the command-line companions' failure line, number options and the parts of paths
#include "tool_common.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "os.h"
#include "services/files.h"
#include "services/paths.h"

namespace tools {

int fail(const char* program, const std::string& subject, const std::string& reason) {
  const std::string shown = svc::shown_path(subject);
  if (reason.empty())
    std::fprintf(stderr, "%s: %s\n", program, shown.c_str());
  else
    std::fprintf(stderr, "%s: %s: %s\n", program, shown.c_str(), reason.c_str());
  return 1;
}

std::string missing_drive(const std::string& path) {
  if (!svc::windows_system() || path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])))
    return "";
  const std::string drive = path.substr(0, 2);
  return svc::file_size(drive + "\\") == -2 ? "" : "there is no drive " + drive;
}

bool parse_number(const std::string& text, int low, int high, int& value) {
  size_t digits = text.size();
  const size_t first = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  digits -= first;
  // Nine digits at most, so the number fits an int before it is compared with the bounds.
  if (digits == 0 || digits > 9 || text.find_first_not_of("0123456789", first) != std::string::npos) return false;
  const long number = std::strtol(text.c_str(), nullptr, 10);
  if (number < low || number > high) return false;
  value = int(number);
  return true;
}

bool parse_size(const std::string& text, int low, int high, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  const std::string w = text.substr(0, x), h = text.substr(x + 1);
  // Signs are no part of a size.
  if (w.empty() || h.empty() || w[0] == '-' || w[0] == '+' || h[0] == '-' || h[0] == '+') return false;
  int a = 0, b = 0;
  if (!parse_number(w, low, high, a) || !parse_number(h, low, high, b)) return false;
  width = a;
  height = b;
  return true;
}

namespace {

bool is_separator(char c) { return c == '/' || (c == '\\' && svc::windows_system()); }

// Where the last part begins: after the last separator (or after a drive's "C:" on Windows).
size_t name_start(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (is_separator(path[i - 1]) || (i == 2 && path[1] == ':' && svc::windows_system())) return i;
  return 0;
}

// Where the extension of the last part begins, or the path's end when it has none.
size_t extension_start(const std::string& path) {
  const size_t start = name_start(path);
  const std::string name = path.substr(start);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || name == "..") return path.size();
  return start + dot;
}

}  // namespace

std::string file_name(const std::string& path) { return path.substr(name_start(path)); }

std::string parent_folder(const std::string& path) {
  size_t end = name_start(path);
  const size_t root = path.size() > 1 && path[1] == ':' && svc::windows_system() ? 2 : 0;
  while (end > root + 1 && is_separator(path[end - 1])) --end;  // A root's own separator stays
  return path.substr(0, end);
}

std::string extension(const std::string& path) { return path.substr(extension_start(path)); }

std::string stem(const std::string& path) {
  const size_t start = name_start(path);
  return path.substr(start, extension_start(path) - start);
}

std::string joined(const std::string& folder, const std::string& name) {
  if (folder.empty() || is_separator(folder.back())) return folder + name;
  return folder + "/" + name;
}

bool is_folder(const std::string& path) {
  os::Info info;
  return os::path_info(path, info, true) && info.kind == os::Kind::FOLDER;
}

bool exists(const std::string& path) {
  os::Info info;
  return os::path_info(path, info, true) && info.kind != os::Kind::MISSING;
}

}  // namespace tools
