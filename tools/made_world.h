// made_world.h -- what the tools that make a world (worldmake, worldimport) write alike: its
// settings and its key/value line files
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tools {

// The engine's settings of a made world (key line, value line; folders end in "\"): APPNAME
// `app_name`, the maps, definitions and pictures in maps\, codes\NAME\, gfx\topo\ and
// gfx\objects\ for APPSTART `name`, PNG pictures, RESOLUTION `cell`, CURSORSPEED `cursor_speed`
// and WORLDRANDOM `world_random`.
std::vector<std::string> world_settings(const std::string& app_name, const std::string& name, int cell,
                                        int cursor_speed, int32_t world_random = 1);

// Writes key and value lines; false when the file can't be written whole, which then leaves an
// existing file as it was and no part of the new one.
bool write_pairs(const std::string& path, const std::vector<std::string>& lines);

}  // namespace tools
