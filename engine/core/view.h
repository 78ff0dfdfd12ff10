// view.h -- the view over the grid: how many cells fit on the screen, which cell lies under a
// screen position, and how the view wraps at the ends of the map
#pragma once
#include <cstdint>

struct WorldCell;

// The cell column or row under a pixel position; a huge or undefined quotient (no usable cell
// size) gives a value that lies outside every grid.
int cell_under(float pixel, float resolution);

// The grid column (row) under a screen x (y) in the scrolled view. 64 bits wide: a cursor far
// off the screen lies beyond what an int holds.
int64_t view_column(float x);
int64_t view_row(float y);

// The grid cell at (x, y); nullptr outside the grid.
WorldCell* grid_cell(int64_t x, int64_t y);

// A scroll position wrapped into 0..max: the view wraps at both ends of the map, so a step before
// the first column or row shows the last one and a step past the last shows the first. The view
// never starts outside the map, and no cell outside the grid is read.
int wrap_scroll(int value, int max);
