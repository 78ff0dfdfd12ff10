// settings.h -- reading the editor's settings file "ini.qz61" into its record
#pragma once
#include <string>

#include "state.h"

// The title shown when the settings file does not name the window: a sign of a damaged file.
extern const char* const DAMAGED_SETTINGS_TITLE;

void reset_settings();  // Initial values; home_dir from the current directory
void apply_setting(const std::string& keyword, const std::string& value);  // One keyword/value pair
bool load_settings(const std::string& path);  // Reads every pair of the file; false when it cannot be opened
