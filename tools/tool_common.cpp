// tool_common.cpp -- the command-line companions' failure line, number options and UTF-8 paths
#include "tool_common.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

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

std::filesystem::path fs_path(const std::string& utf8) { return std::filesystem::u8path(utf8); }

std::string utf8_path(const std::filesystem::path& path) { return path.u8string(); }

}  // namespace tools
