// grid.h -- zero-filled two-dimensional arrays of records, indexed (column, row) from 0
//
// dim_array(grid, maxX, maxY) gives (maxX + 1) * (maxY + 1) records. The row index is the fast
// one: (x, y) follows (x, y - 1) in memory. cell() returns nullptr outside the grid, so callers
// can never read or write past its edges. The records lie in large pages once the grid is big
// (large_blocks.h): a frame walks the grid across its columns.
#pragma once
#include <climits>
#include <cstddef>
#include <vector>

#include "services/large_blocks.h"

namespace svc {

template <class T>
struct Grid {
  int columns = 0;  // maxX + 1
  int rows = 0;     // maxY + 1
  std::vector<T, LargeBlockAllocator<T>> cells;
};

// Grids larger than this many bytes are refused: a corrupt map header must not exhaust memory.
constexpr size_t kGridByteLimit = size_t{1} << 32;

template <class T>
bool dim_array(Grid<T>& grid, int max_x, int max_y) {  // Drops the old contents, then zero-fills
  grid.columns = grid.rows = 0;
  bool possible = max_x >= 0 && max_y >= 0 && max_x != INT_MAX && max_y != INT_MAX;
  const size_t count = possible ? static_cast<size_t>(max_x + 1) * static_cast<size_t>(max_y + 1) : 0;
  possible = possible && count <= kGridByteLimit / sizeof(T);
  // A grid dimensioned again at about its size keeps its memory: a world rebuilt on a key press
  // then writes over pages it has instead of faulting in tens of megabytes afresh. A grid that
  // shrinks to less than half, or is refused, gives its memory back.
  if (!possible || count < grid.cells.capacity() / 2) decltype(grid.cells)().swap(grid.cells);
  grid.cells.clear();
  if (!possible) return false;
  grid.cells.resize(count);
  grid.columns = max_x + 1;
  grid.rows = max_y + 1;
  return true;
}

template <class T>
bool in_grid(const Grid<T>& grid, int x, int y) {  // True when (x, y) lies inside the grid
  return x >= 0 && y >= 0 && x < grid.columns && y < grid.rows;
}

template <class T>
T* cell(Grid<T>& grid, int x, int y) {  // The record at (x, y), or nullptr outside the grid
  if (!in_grid(grid, x, y)) return nullptr;
  return &grid.cells[static_cast<size_t>(x) * grid.rows + y];
}

template <class T>
const T* cell(const Grid<T>& grid, int x, int y) {
  if (!in_grid(grid, x, y)) return nullptr;
  return &grid.cells[static_cast<size_t>(x) * grid.rows + y];
}

template <class T>
int grid_max_x(const Grid<T>& grid) {
  return grid.columns - 1;
}  // Upper column bound, -1 when empty
template <class T>
int grid_max_y(const Grid<T>& grid) {
  return grid.rows - 1;
}  // Upper row bound, -1 when empty

}  // namespace svc
