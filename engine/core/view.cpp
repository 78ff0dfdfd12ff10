// view.cpp -- the view over the grid: cells on the screen, the cell under a position, the wrap
#include "core/view.h"

#include <cmath>

#include "base/state.h"
#include "services/text.h"
#include "world/world.h"

int cell_under(float pixel, float resolution) {
  float q = std::floor(pixel / resolution);
  if (!(q > -1.0e9f && q < 1.0e9f)) return -1000000000;
  return static_cast<int>(q);
}

int64_t view_column(float x) { return int64_t{cell_under(x, engine.resolution)} + engine.scrollX; }

int64_t view_row(float y) { return int64_t{cell_under(y, engine.resolution)} + engine.scrollY; }

WorldCell* grid_cell(int64_t x, int64_t y) {
  if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return nullptr;
  return svc::cell(worldState.world, static_cast<int>(x), static_cast<int>(y));
}

int wrap_scroll(int value, int max) {
  if (max < 0) return 0;
  if (value < 0) return max;
  if (value > max) return 0;
  return value;
}
