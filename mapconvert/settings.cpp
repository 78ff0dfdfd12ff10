// settings.cpp -- "ini.ini" names the settings file; the settings file holds key/value line pairs
#include "settings.h"

#include "notices.h"
#include "services/line_reader.h"
#include "services/text.h"

std::string read_pointer_file(const std::string& path) {
  std::string settings_path;
  // The first line of each pair is a comment; the last pair's second line wins.
  bool read = svc::read_pairs(path, [&](const std::string&, const std::string& value) { settings_path = value; });
  failure_check(read ? 1 : 0, "FAIL:" + path);
  return settings_path;
}

void read_settings_file(const std::string& path, ConverterState& state) {
  bool read = svc::read_pairs(path, [&](const std::string& key, const std::string& value) {
    if (key == "WINDOWWIDTH")
      state.window_width = svc::string_to_int(value);
    else if (key == "WINDOWHEIGHT")
      state.window_height = svc::string_to_int(value);
    else if (key == "TITLE")
      state.title_suffix = value;
    else if (key == "CODEC")
      state.codec = value;
  });
  failure_check(read ? 1 : 0, "FAIL:" + path);  // a file that cannot be read keeps the defaults
}
