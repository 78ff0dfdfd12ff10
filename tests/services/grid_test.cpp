// grid_test.cpp -- zero-filled grids: bounds, re-dimensioning, impossible sizes
#include <gtest/gtest.h>

#include <string>

#include "services/grid.h"

namespace {

struct Cell {
  int value;
  std::string text;
};

TEST(Grids, DimensionsAreUpperBoundsAndEverythingStartsZeroed) {
  svc::Grid<Cell> grid;
  ASSERT_TRUE(svc::dim_array(grid, 3, 2));
  EXPECT_EQ(svc::grid_max_x(grid), 3);
  EXPECT_EQ(svc::grid_max_y(grid), 2);
  ASSERT_NE(svc::cell(grid, 3, 2), nullptr);
  EXPECT_EQ(svc::cell(grid, 4, 0), nullptr);
  EXPECT_EQ(svc::cell(grid, 0, 3), nullptr);
  EXPECT_EQ(svc::cell(grid, -1, 0), nullptr);
  svc::cell(grid, 3, 2)->value = 7;
  svc::cell(grid, 1, 0)->text = "kept until re-dimensioned";
  svc::cell(grid, 0, 1)->value = 5;
  EXPECT_EQ(svc::cell(grid, 1, 0)->value, 0);  // (0, 1) and (1, 0) are different cells
  ASSERT_TRUE(svc::dim_array(grid, 1, 1));
  EXPECT_EQ(svc::cell(grid, 1, 0)->text, "");
  EXPECT_EQ(svc::cell(grid, 0, 1)->value, 0);
  // Dimensioned again at its size (its memory kept), a grid still starts over zeroed.
  svc::cell(grid, 1, 1)->text = "gone after the next dimensioning";
  ASSERT_TRUE(svc::dim_array(grid, 1, 1));
  EXPECT_EQ(svc::cell(grid, 1, 1)->text, "");
  EXPECT_FALSE(svc::dim_array(grid, -1, 1));
  EXPECT_EQ(svc::cell(grid, 0, 0), nullptr);
}

TEST(Grids, ImpossibleSizesAreRefused) {
  svc::Grid<Cell> grid;
  EXPECT_FALSE(svc::dim_array(grid, -1, 5));
  EXPECT_FALSE(svc::dim_array(grid, 2147483647, 2147483647));
  EXPECT_FALSE(svc::dim_array(grid, 1000000, 1000000));
  EXPECT_EQ(svc::cell(grid, 0, 0), nullptr);
  EXPECT_TRUE(svc::dim_array(grid, 0, 0));
  EXPECT_NE(svc::cell(grid, 0, 0), nullptr);
}

}  // namespace
