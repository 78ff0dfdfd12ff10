// settings.cpp -- "ini.ini" names the settings file; the settings file holds key/value line pairs
#include "settings.h"

#include "checks.h"
#include "services/files.h"
#include "services/text.h"

std::string read_pointer_file(const std::string& path) {
  std::string settings_path;
  int file = svc::open_file_read(-1, path);
  if (!failure_check(file, "FAIL:" + path)) return settings_path;  // Yes: nothing to read
  while (!svc::end_of_file(file)) {
    svc::read_line(file);  // the first line of each pair is a comment
    settings_path = svc::read_line(file);
  }
  svc::close_file(file);
  return settings_path;
}

void read_settings_file(const std::string& path, ConverterState& state) {
  int file = svc::open_file_read(-1, path);
  if (!failure_check(file, "FAIL:" + path)) return;  // Yes: keep the defaults
  while (!svc::end_of_file(file)) {
    const std::string key = svc::read_line(file);
    const std::string value = svc::read_line(file);  // "" when the file ends after the key
    if (key == "WINDOWWIDTH")
      state.window_width = svc::string_to_int(value);
    else if (key == "WINDOWHEIGHT")
      state.window_height = svc::string_to_int(value);
    else if (key == "TITLE")
      state.title_suffix = value;
    else if (key == "CODEC")
      state.codec = value;
  }
  svc::close_file(file);
}
