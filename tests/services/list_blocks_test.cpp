// list_blocks_test.cpp -- list nodes carved from blocks: stable elements, reuse of deleted nodes
#include <gtest/gtest.h>

#include <string>

#include "services/list.h"

namespace {

struct Item {
  int id;
  std::string text;
};

TEST(ListBlocks, ElementsStayPutAcrossManyBlocks) {
  svc::List<Item> list;
  Item* first = svc::append_element(list);
  first->id = 1;
  first->text = "first";
  Item* hundredth = nullptr;
  for (int i = 2; i <= 50000; i++) {
    Item* item = svc::append_element(list);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->id, 0);
    item->id = i;
    if (i == 100) hundredth = item;
  }
  EXPECT_EQ(first->id, 1);
  EXPECT_EQ(first->text, "first");
  EXPECT_EQ(hundredth->id, 100);
  EXPECT_EQ(svc::select_element(list, 99), hundredth);
  EXPECT_EQ(svc::select_element(list, 49999)->id, 50000);
}

// A deleted element's node comes back zero-filled, wherever it is inserted.
TEST(ListBlocks, DeletedNodesReturnZeroFilled) {
  svc::List<Item> list;
  for (int i = 1; i <= 3; i++) {
    Item* item = svc::append_element(list);
    item->id = i;
    item->text = "old " + std::to_string(i);
  }
  svc::select_element(list, 1);
  svc::delete_element(list);  // the first element becomes current
  Item* reused = svc::add_element(list);
  EXPECT_EQ(reused->id, 0);
  EXPECT_EQ(reused->text, "");
  reused->id = 9;
  std::string order;
  svc::reset_list(list);
  while (Item* item = svc::next_element(list)) order += std::to_string(item->id);
  EXPECT_EQ(order, "193");
  EXPECT_EQ(svc::select_element(list, 2)->id, 3);

  svc::clear_list(list);
  EXPECT_EQ(svc::list_size(list), 0);
  Item* again = svc::append_element(list);
  EXPECT_EQ(again->id, 0);
  EXPECT_EQ(svc::list_index(list), 0);
}

}  // namespace
