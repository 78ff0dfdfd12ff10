// map_loading.h -- loading the world grid from a colour-code map and a red-channel map
#pragma once
#include <string>

namespace svc {
struct LineReader;
}

void load_colour_code_map(const std::string& mapPath);  // APPENTRY + APPSTART + ".qz61"
void show_load_progress();                              // Advances the load bar, shows it every 501 cells
void finish_load_progress();                            // Leaves the bar's last state in the back buffer

// The red-channel map's walk, past its header: the cell its next entry belongs to, and `done` once
// the file ends or the walk passes the last column. With no file it is done from the start.
struct RedMapWalk {
  svc::LineReader* file = nullptr;
  int x = 0, y = 0;
  bool done = true;
};

// The map bodies, walked x outer and y inner over the header's extent (fileMaxX, fileMaxY);
// only cells inside the grid are stored, so a header larger than the grid crops the map. The code
// map's walk reads the red map's entries alongside its own, so the grid is walked once;
// read_red_map reads the entries left when the colour-code map ends first.
void read_code_map(svc::LineReader& mapFile, int fileMaxX, int fileMaxY, RedMapWalk& red);
void read_red_map(RedMapWalk& red, int fileMaxX, int fileMaxY);

// The header extent clipped to the grid: above the grid's last index it becomes that index,
// below 0 it becomes 0.
int clip_map_extent(int headerMax, int gridMax);
