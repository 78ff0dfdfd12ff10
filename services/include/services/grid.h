// grid.h -- zero-filled two-dimensional arrays of records, indexed (column, row) from 0
//
// dim_array(grid, maxX, maxY) gives (maxX + 1) * (maxY + 1) records. The row index is the fast
// one: (x, y) follows (x, y - 1) in memory. cell() returns nullptr outside the grid, so callers
// can never read or write past its edges.
#pragma once
#include <climits>
#include <cstddef>
#include <vector>

namespace svc {

template <class T>
struct Grid {
  int columns = 0;  // maxX + 1
  int rows = 0;     // maxY + 1
  std::vector<T> cells;
};

// Grids larger than this many bytes are refused: a corrupt map header must not exhaust memory.
constexpr size_t kGridByteLimit = size_t{1} << 32;

template <class T>
bool dim_array(Grid<T>& grid, int max_x, int max_y) {  // Releases the old contents, then zero-fills
  std::vector<T>().swap(grid.cells);
  grid.columns = grid.rows = 0;
  if (max_x < 0 || max_y < 0 || max_x == INT_MAX || max_y == INT_MAX) return false;
  size_t count = static_cast<size_t>(max_x + 1) * static_cast<size_t>(max_y + 1);
  if (count > kGridByteLimit / sizeof(T)) return false;
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
