// labyrinth.h -- the self-created base: a labyrinth of wall, floor, green and water tiles
#pragma once
#include <string>

#include "world/cell_names.h"

void build_base(const std::string& basePath);  // First build (double seeding)
void rebuild_base();                           // Rebuild for the current variant (single seeding)

// The steps of a build, in the order build_base and rebuild_base run them.
void set_tile(int x, int y, const std::string& tile);           // Code, definition, ground sprite, objects
void set_tile(int x, int y, CellName tile);                     // The same for a tile name already looked up
void fill_walls(int maxX, int maxY);                            // Every cell of the base becomes "LAB_WALL"
void carve_floor(int maxX, int maxY);                           // The floor walk; places the cursor on its first cell
void carve_tiles(int maxX, int maxY, const std::string& tile);  // A walk turning walls into `tile`
void mark_edges();             // "_E" and "_S" marks on floor cells next to other tiles
void show_build_progress();    // Grows the red bar at 85 % of the screen height; shows it now and then
void finish_build_progress();  // Leaves the bar's last state in the back buffer

// The largest x and y a build gives the base: kBaseGridMax (world/world.h), or less where a caller
// sets a smaller bound (the fuzz targets, so that each input builds a labyrinth of a few hundred cells;
// the sizes above the bound take the same clipping path as sizes above kBaseGridMax). Kept across builds.
void set_largest_base(int largest);
