// xdo.cpp -- the X display seen and driven from tests: windows found by name, focus, keys, screenshots
#include "support/xdo.h"

#include <chrono>
#include <cstdlib>

#include "support/process.h"

namespace support {

namespace {

// Polls a shell command every 200 ms until it prints a line; that line, or "" after `ms`.
std::string poll_line(const std::string& command, int ms) {
  for (int waited = 0;; waited += 200) {
    std::string line = shell_line(command);
    if (!line.empty() || waited >= ms) return line;
    sleep_ms(200);
  }
}

}  // namespace

std::string window_titled(const std::string& title, int ms) {
  return poll_line("xwininfo -root -tree 2>/dev/null | grep -F '\"" + title + "\":' | awk '{print $1}' | head -1", ms);
}

std::string shown_window(const std::string& name_regex, int ms) {
  return poll_line("xdotool search --onlyvisible --name '" + name_regex + "' 2>/dev/null | head -1", ms);
}

bool shown_window_gone(const std::string& name_regex, int ms) {
  for (int waited = 0;; waited += 200) {
    if (shell_output("xdotool search --onlyvisible --name '" + name_regex + "' 2>/dev/null").empty()) return true;
    if (waited >= ms) return false;
    sleep_ms(200);
  }
}

std::vector<std::string> unnamed_windows_of(const std::string& window) {
  std::vector<std::string> ids;
  const unsigned long client = std::strtoul(window.c_str(), nullptr, 10) >> 21;  // X ids carry their client's number
  const std::string list = shell_output("xdotool search --onlyvisible --name '^$' 2>/dev/null");
  for (size_t at = 0; at < list.size();) {
    const size_t nl = list.find('\n', at);
    const std::string id = list.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
    at = nl == std::string::npos ? list.size() : nl + 1;
    if (!id.empty() && id != window && std::strtoul(id.c_str(), nullptr, 10) >> 21 == client) ids.push_back(id);
  }
  return ids;
}

bool unnamed_window_shows(const std::string& window, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (!unnamed_windows_of(window).empty()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    sleep_ms(100);
  }
}

bool focus_window(const std::string& window) {
  return shell("timeout 10 xdotool windowfocus --sync " + window + " 2>/dev/null") == 0;
}

bool press_keys(const std::string& window, const std::string& keys, int settle_ms, int delay_ms) {
  if (!focus_window(window)) return false;
  sleep_ms(settle_ms);
  return shell("xdotool key --delay " + std::to_string(delay_ms) + " " + keys) == 0;
}

void hold_key(const std::string& key, int ms) {
  shell("xdotool keydown " + key);
  sleep_ms(ms);
  shell("xdotool keyup " + key);
}

bool hold_key_until(const std::string& key, const std::function<bool()>& done, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  shell("xdotool keydown " + key);
  bool held = false;
  while (!(held = done()) && std::chrono::steady_clock::now() < end) sleep_ms(100);
  shell("xdotool keyup " + key);
  return held;
}

// Fast zlib level 1: the default level takes seconds for a full screen on a busy machine.
void screenshot(const std::string& path) { shell("import -window root -quality 10 '" + path + "' 2>/dev/null"); }

bool screenshot_until(const std::string& path, const std::function<bool(const std::string&)>& ok, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    screenshot(path);
    if (ok(path)) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    sleep_ms(200);
  }
}

long pixels_of_colour(const std::string& png, const std::string& colour, int fuzz, const std::string& region) {
  const std::string crop = region.empty() ? "" : " -crop " + region + " +repage";
  // All other pixels turn black, then the matching ones white; the mean times the pixel count is
  // the answer.
  const std::string out = shell_line("/usr/bin/convert '" + png + "'" + crop + " -fuzz " + std::to_string(fuzz) +
                                     "% -fill black +opaque '" + colour + "' -fill white -opaque '" + colour +
                                     "' -format '%[fx:round(mean*w*h)]' info:");
  return out.empty() ? -1 : std::atol(out.c_str());
}

std::string display_size() {
  const std::string size = shell_line("xdotool getdisplaygeometry");
  const size_t blank = size.find(' ');
  if (blank == std::string::npos) return "";
  return size.substr(0, blank) + "x" + std::to_string(std::atoi(size.c_str() + blank + 1));
}

long differing_pixels(const std::string& a, const std::string& b, const std::string& region,
                      const std::string& scratch) {
  const std::string ca = scratch + "crop_a.png", cb = scratch + "crop_b.png";
  shell("/usr/bin/convert '" + a + "' -crop " + region + " +repage '" + ca + "'");
  shell("/usr/bin/convert '" + b + "' -crop " + region + " +repage '" + cb + "'");
  // compare prints the count on standard error, possibly in exponent form ("1.2e+06") when large
  return static_cast<long>(
      std::strtod(shell_output("/usr/bin/compare -metric AE '" + ca + "' '" + cb + "' null: 2>&1").c_str(), nullptr));
}

}  // namespace support
