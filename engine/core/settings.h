// settings.h -- reading "DATA\ini.txt" into EngineState: key/value line pairs, parsed and bounded per key
#pragma once
#include <string>

// Reads the configuration file; a file that cannot be opened ends the program with fatal code 0.
void read_configuration(const std::string& path);

// Applies one key/value pair; keys outside the table are ignored.
void apply_configuration(const std::string& key, const std::string& value);
