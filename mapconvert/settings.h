// settings.h -- reading "ini.ini" and the converter settings file it names
#pragma once
#include <string>
#include "state.h"

// Reads the pointer file as line pairs; the second line of the last pair is the settings file's
// path. A file that can't be opened goes through the failure check and yields "".
std::string read_pointer_file(const std::string& path);

// Reads the settings file as key/value line pairs into the state (WINDOWWIDTH, WINDOWHEIGHT,
// TITLE, CODEC; exact keys, later pairs win). A file that can't be opened goes through the
// failure check and leaves the defaults.
void read_settings_file(const std::string& path, ConverterState& state);
