// settings.cpp -- reads the editor's settings file "ini.qz61" into the EditorSettings record
#include "settings.h"

#include <cstdint>
#include <limits>

#include "services/desktops.h"
#include "services/line_reader.h"
#include "services/paths.h"
#include "services/text.h"

EditorSettings editor;

const char* const DAMAGED_SETTINGS_TITLE = "INFORMATION IS MISSING!INISCRIPT MAY BE DAMAGED...";

void reset_settings() {
  editor = EditorSettings{};
  editor.home_dir = svc::current_directory();
  editor.settings_name = "ini.qz61";
  editor.window_title = DAMAGED_SETTINGS_TITLE;
}

// A fraction of a desktop dimension, rounded to the nearest pixel (halves to even).
static int32_t fraction_of(const std::string& value, int pixels) {
  float fraction = svc::parse_float(value);
  return svc::round_nearest(static_cast<double>(fraction * static_cast<float>(pixels)));
}

void apply_setting(const std::string& keyword, const std::string& value) {
  if (keyword == "window_w") {
    editor.window_width = fraction_of(value, svc::desktop_width(0));
  } else if (keyword == "window_h") {
    editor.window_height = fraction_of(value, svc::desktop_height(0));
  } else if (keyword == "window_name") {
    editor.window_title = value;
  } else if (keyword == "qz61_source") {
    editor.dna_source = value;
  } else if (keyword == "qz61_priority") {
    // Higher priority means a shorter wait; computed wide so an extreme value cannot overflow.
    int64_t wait = 255 - static_cast<int64_t>(svc::string_to_int(value));
    if (wait < 0) wait = 0;
    if (wait > std::numeric_limits<int32_t>::max()) wait = std::numeric_limits<int32_t>::max();
    editor.wait_timeout = static_cast<int32_t>(wait);
  } else if (keyword == "qz61_menu") {
    editor.menu_file = value;
  } else if (keyword == "ai_max_dna_gadgets") {
    editor.max_entries = svc::string_to_int(value);
  }
  // "qz61_width", "qz61_height", "qz61_span" and unknown keywords have no effect here.
}

bool load_settings(const std::string& path) { return svc::read_pairs(path, apply_setting); }
