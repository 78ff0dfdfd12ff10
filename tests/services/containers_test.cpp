// containers_test.cpp -- linked lists with a current element and position lookups; zero-filled grids
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/grid.h"
#include "services/list.h"

namespace {

struct Rec {
  int id;
  std::string name;
};

std::vector<int> ids(svc::List<Rec>& list) {
  std::vector<int> v;
  svc::reset_list(list);
  while (Rec* r = svc::next_element(list)) v.push_back(r->id);
  return v;
}

TEST(Lists, AddInsertsAfterTheCurrentOrAtTheStart) {
  svc::List<Rec> list;
  EXPECT_EQ(svc::list_index(list), -1);
  EXPECT_EQ(svc::next_element(list), nullptr);
  Rec* r = svc::add_element(list);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->id, 0);  // Zero-filled
  EXPECT_TRUE(r->name.empty());
  r->id = 1;
  svc::add_element(list)->id = 3;
  svc::select_element(list, 0);
  svc::add_element(list)->id = 2;  // After element 0
  EXPECT_EQ(svc::list_index(list), 1);
  svc::reset_list(list);
  svc::add_element(list)->id = 0;  // Cursor before the first: inserted first
  EXPECT_EQ(svc::list_index(list), 0);
  EXPECT_EQ(ids(list), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(svc::list_size(list), 4);
}

TEST(Lists, DeleteMakesThePredecessorCurrent) {
  svc::List<Rec> list;
  for (int i = 0; i < 5; i++) svc::append_element(list)->id = i;
  svc::select_element(list, 2);
  svc::delete_element(list);
  ASSERT_NE(svc::current_element(list), nullptr);
  EXPECT_EQ(svc::current_element(list)->id, 1);
  EXPECT_EQ(svc::list_index(list), 1);
  svc::select_element(list, 0);
  svc::delete_element(list);  // The first element: the cursor goes before the start
  EXPECT_EQ(svc::current_element(list), nullptr);
  EXPECT_EQ(svc::list_index(list), -1);
  EXPECT_EQ(svc::next_element(list)->id, 1);
  svc::select_element(list, 2);
  svc::delete_element(list);  // The last element
  EXPECT_EQ(svc::current_element(list)->id, 3);
  svc::append_element(list)->id = 9;
  EXPECT_EQ(ids(list), (std::vector<int>{1, 3, 9}));
  EXPECT_EQ(svc::select_element(list, 2)->id, 9);
  EXPECT_EQ(svc::list_index(list), 2);
}

TEST(Lists, PositionsStayRightAfterAppendsInsertionsAndDeletions) {
  svc::List<Rec> list;
  for (int i = 0; i < 1000; i++) svc::append_element(list)->id = i;
  for (int p : {0, 500, 999}) {
    EXPECT_EQ(svc::select_element(list, p)->id, p);
    EXPECT_EQ(svc::list_index(list), p);
  }
  EXPECT_EQ(svc::select_element(list, 1000), nullptr);
  EXPECT_EQ(svc::select_element(list, -1), nullptr);
  svc::select_element(list, 499);
  svc::add_element(list)->id = -1;  // Middle insertion shifts everything after it
  EXPECT_EQ(svc::list_index(list), 500);
  EXPECT_EQ(svc::select_element(list, 501)->id, 500);
  EXPECT_EQ(svc::list_index(list), 501);
  svc::select_element(list, 10);
  svc::delete_element(list);
  EXPECT_EQ(svc::select_element(list, 10)->id, 11);
  svc::append_element(list)->id = 5000;
  EXPECT_EQ(svc::list_index(list), 1000);
  EXPECT_EQ(svc::select_element(list, 1000)->id, 5000);
  svc::clear_list(list);
  EXPECT_EQ(svc::list_size(list), 0);
  EXPECT_EQ(svc::select_element(list, 0), nullptr);
  svc::append_element(list)->name = "again";
  EXPECT_EQ(svc::select_element(list, 0)->name, "again");
}

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
