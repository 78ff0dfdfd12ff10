// map_loading.h -- loading the world grid from a colour-code map and a red-channel map
#pragma once
#include <string>

namespace svc {
struct LineReader;
}

void load_topographic_map(const std::string& mapPath);  // APPENTRY + APPSTART + ".qz61"
void show_load_progress();                              // Advances the load bar, shows it every 501 cells
void finish_load_progress();                            // Leaves the bar's last state in the back buffer

// The map bodies, walked x outer and y inner over the header's extent (fileMaxX, fileMaxY);
// only cells inside the grid are stored, so a header larger than the grid crops the map.
void read_code_map(svc::LineReader& mapFile, int fileMaxX, int fileMaxY);
void read_red_map(svc::LineReader& redFile, int fileMaxX, int fileMaxY);

// The header extent clipped to the grid: above the grid's last index it becomes that index,
// below 0 it becomes 0.
int clip_map_extent(int headerMax, int gridMax);
