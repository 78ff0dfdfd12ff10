// map_loading.h -- loading the world grid from a colour-code map and a red-channel map
#pragma once
#include <string>

void load_topographic_map(const std::string& mapPath);  // APPENTRY + APPSTART + ".qz61"
void compute_view_cells();                              // cellsAcross, cellsDown from RESOLUTION
