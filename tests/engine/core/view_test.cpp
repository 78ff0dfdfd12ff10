// view_test.cpp -- the cell under a screen position, the view's wrap and the cells that fit
#include <cstdint>

#include "core/view.h"
#include "support/engine_fixture.h"

namespace {

using ViewCells = EngineFixture;

TEST_F(ViewCells, PositionsFloorToCellsAndFarOnesLieOutsideTheGrid) {
  prepare_world(9, 9);
  EXPECT_EQ(cell_under(-0.5f, 32.0f), -1);  // left of the screen is the column before, not column 0
  EXPECT_EQ(cell_under(63.9f, 32.0f), 1);
  EXPECT_EQ(cell_under(5.0f, 0.0f), cell_under(-5.0f, 0.0f));  // no cell size: one far-off value
  EXPECT_EQ(grid_cell(cell_under(5.0f, 0.0f), 0), nullptr);
  engine.scrollX = 3;
  EXPECT_EQ(view_column(40.0f), 4);
  EXPECT_EQ(grid_cell(view_column(40.0f), view_row(0.0f)), &at(4, 0));
  EXPECT_EQ(grid_cell(int64_t{INT32_MAX} + 10, 0), nullptr);  // beyond an int: not wrapped into the grid
  EXPECT_EQ(grid_cell(10, 0), nullptr);
}

TEST_F(ViewCells, ScrollWrapsAtBothEndsAndCellsThatFitRoundUp) {
  EXPECT_EQ(wrap_scroll(-1, 9), 9);
  EXPECT_EQ(wrap_scroll(10, 9), 0);
  EXPECT_EQ(wrap_scroll(9, 9), 9);
  engine.screenWidth = 1280.0f;
  engine.screenHeight = 720.0f;
  engine.resolution = 33.0f;
  compute_view_cells();
  EXPECT_EQ(engine.cellsAcross * 100 + engine.cellsDown, 3922.0f);  // 38.8 and 21.8 rounded up
  engine.resolution = 0.0f;
  compute_view_cells();
  EXPECT_EQ(engine.cellsAcross + engine.cellsDown, 0.0f);
}

}  // namespace
