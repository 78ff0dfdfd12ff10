// list_test.cpp -- linked lists with a current element and position lookups, their nodes carved from
// blocks: stable elements, reuse of deleted nodes
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// A peek finds the element a selection would, leaves the current element alone, and gives nothing
// where a selection would have to renumber first (a middle insertion) or lies outside the list.
TEST(Lists, PeeksFindTheSelectedElementWithoutMovingTheCurrent) {
  svc::List<Rec> list;
  for (int i = 0; i < 300; i++) svc::append_element(list)->id = i;
  svc::select_element(list, 7);
  EXPECT_EQ(svc::peek_element(list, 250)->id, 250);
  EXPECT_EQ(svc::list_index(list), 7);
  EXPECT_EQ(svc::peek_element(list, 300), nullptr);
  EXPECT_EQ(svc::peek_element(list, -1), nullptr);
  EXPECT_EQ(svc::peek_index_entry(list, 300), nullptr);
  svc::add_element(list)->id = -1;  // after position 7: the index is out of date
  EXPECT_EQ(svc::peek_element(list, 250), nullptr);
  EXPECT_EQ(svc::peek_index_entry(list, 250), nullptr);
  EXPECT_EQ(svc::select_element(list, 251)->id, 250);
  EXPECT_EQ(svc::peek_element(list, 251), svc::select_element(list, 251));
  EXPECT_NE(svc::peek_index_entry(list, 0), nullptr);
}

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

// Every element built is destroyed once: on clear, and with the list, also when the last block
// was only partly handed out; a refilled list's elements start zero-filled again.
struct Counted {
  static int alive;
  int id = 0;
  Counted() { alive++; }
  Counted(const Counted& other) : id(other.id) { alive++; }
  Counted& operator=(const Counted&) = default;
  ~Counted() { alive--; }
};
int Counted::alive = 0;

TEST(ListBlocks, ElementsAreBuiltAsHandedOutAndDestroyedOnce) {
  {
    svc::List<Counted> list;
    for (int i = 1; i <= 1000; i++) svc::append_element(list)->id = i;
    EXPECT_EQ(Counted::alive, 1000);  // built one by one, not a block at a time
    svc::select_element(list, 10);
    svc::delete_element(list);
    EXPECT_EQ(Counted::alive, 1000);  // a deleted node keeps a zero-filled element for reuse
    svc::clear_list(list);
    EXPECT_EQ(Counted::alive, 0);
    for (int i = 1; i <= 700; i++) {
      Counted* c = svc::append_element(list);
      ASSERT_EQ(c->id, 0);
      c->id = i;
    }
    EXPECT_EQ(svc::select_element(list, 699)->id, 700);
    EXPECT_EQ(Counted::alive, 700);
  }
  EXPECT_EQ(Counted::alive, 0);
}

}  // namespace
