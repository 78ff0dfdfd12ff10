// number_table_test.cpp -- the rule every object table follows: -1 gives the lowest free number
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../services/core/number_table.h"

namespace {

using Table = svc::detail::NumberTable<std::string>;

int add(Table& table, int requested, const std::string& name) {
  int n = table.pick(requested);
  if (n >= 0) table.store(n, name);
  return n;
}

TEST(NumberTable, MinusOneGivesTheLowestFreeNumberNotTheLastFreed) {
  Table t;
  for (int n = 1; n <= 5; n++) EXPECT_EQ(add(t, -1, "x"), n);
  t.release(4);
  t.release(2);
  EXPECT_EQ(t.pick(-1), 2);
  EXPECT_EQ(t.pick(-1), 2);  // Picking reserves nothing
  EXPECT_EQ(add(t, -1, "a"), 2);
  EXPECT_EQ(add(t, -1, "b"), 4);
  EXPECT_EQ(add(t, -1, "c"), 6);
  EXPECT_EQ(t.size(), 6);
  EXPECT_EQ(*t.get(4), "b");
}

TEST(NumberTable, ChosenNumbersAreKeptOutOfTheFreeOnes) {
  Table t;
  EXPECT_EQ(add(t, 0, "zero"), 0);  // A program may choose 0; -1 never gives it
  EXPECT_EQ(add(t, 3, "three"), 3);
  EXPECT_EQ(add(t, -1, "a"), 1);
  EXPECT_EQ(add(t, -1, "b"), 2);
  EXPECT_EQ(add(t, -1, "c"), 4);  // 3 is taken
  t.release(3);
  EXPECT_EQ(add(t, -1, "d"), 3);
  t.store(3, "again");  // Storing under a used number replaces its record
  EXPECT_EQ(*t.get(3), "again");
  EXPECT_EQ(t.size(), 5);

  EXPECT_EQ(t.pick(-2), -1);
  EXPECT_EQ(t.pick(Table::kMaxExplicit), -1);  // Refused, not allocated
  EXPECT_EQ(t.pick(Table::kMaxExplicit - 1), Table::kMaxExplicit - 1);
  EXPECT_FALSE(t.has(-1));
  EXPECT_EQ(t.get(99), nullptr);
}

TEST(NumberTable, ReleasingTheLastObjectStartsOverAndClearForgetsAll) {
  Table t;
  add(t, 7, "far");
  for (int n = 1; n <= 3; n++) add(t, -1, "x");
  for (int n : {1, 2, 3, 7}) t.release(n);
  t.release(7);  // Twice is harmless
  EXPECT_EQ(t.size(), 0);
  EXPECT_EQ(add(t, -1, "y"), 1);
  EXPECT_EQ(add(t, -1, "y"), 2);
  t.clear();
  EXPECT_FALSE(t.has(1));
  EXPECT_EQ(t.pick(-1), 1);
}

TEST(NumberTable, WalksInNumberOrderAndMayReleaseOnTheWay) {
  Table t;
  add(t, 9, "nine");
  add(t, -1, "one");
  add(t, 4, "four");
  std::vector<int> seen;
  t.for_each([&](int n, std::string& name) {
    seen.push_back(n);
    if (name == "four") t.release(n);
  });
  EXPECT_EQ(seen, (std::vector<int>{1, 4, 9}));
  EXPECT_FALSE(t.has(4));
  EXPECT_EQ(t.find([](const std::string& name) { return name == "nine"; }), 9);
  EXPECT_EQ(t.find([](const std::string& name) { return name == "four"; }), -1);
}

// Worlds free and create hundreds of thousands of 3D sprites; the answers stay the lowest free ones.
TEST(NumberTable, ManyObjectsFreedOutOfOrderComeBackLowestFirst) {
  Table t;
  const int count = 200000;
  for (int n = 1; n <= count; n++) ASSERT_EQ(add(t, -1, ""), n);
  for (int n = count - 2; n >= 1; n -= 3) t.release(n);  // The multiples of 3, highest first
  for (int n = 2; n <= count; n += 3) t.release(n);      // Then 2, 5, 8, ...
  int expected = 2;
  for (int k = 0; k < 1000; k++) {
    ASSERT_EQ(add(t, -1, ""), expected);
    expected += (expected % 3 == 2) ? 1 : 2;  // 2, 3, 5, 6, 8, 9, ...
  }
}

// A program that frees one low number and makes one object, over and over: the freed number comes
// back first, then the numbers past the highest, also when explicitly chosen numbers and a cleared
// table left gaps above.
TEST(NumberTable, AFreedNumberRefilledLeadsBackToTheEndAndGapsAboveAreStillFound) {
  Table t;
  for (int n = 1; n <= 1000; n++) ASSERT_EQ(add(t, -1, ""), n);
  for (int round = 0; round < 50; round++) {
    t.release(7 + round);
    ASSERT_EQ(add(t, -1, ""), 7 + round);
    ASSERT_EQ(add(t, -1, ""), 1001 + round);
  }
  ASSERT_EQ(add(t, 2000, "chosen"), 2000);  // leaves 1051..1999 free below it
  ASSERT_EQ(add(t, -1, ""), 1051);
  t.release(3);
  ASSERT_EQ(add(t, -1, ""), 3);
  ASSERT_EQ(add(t, -1, ""), 1052);
  t.clear();
  EXPECT_EQ(add(t, -1, ""), 1);
  ASSERT_EQ(add(t, 5, "chosen"), 5);
  EXPECT_EQ(add(t, -1, ""), 2);
  EXPECT_EQ(add(t, -1, ""), 3);
  EXPECT_EQ(add(t, -1, ""), 4);
  EXPECT_EQ(add(t, -1, ""), 6);
}

// Numbers freed and chosen again explicitly, for a long time, leave the next free choice right.
TEST(NumberTable, FreeingAndChoosingTheSameNumbersForLongStillGivesTheLowestFree) {
  Table t;
  for (int n = 1; n <= 100; n++) ASSERT_EQ(add(t, -1, ""), n);
  for (int round = 0; round < 100000; round++) {
    t.release(1 + round % 50);
    ASSERT_EQ(add(t, 1 + round % 50, "again"), 1 + round % 50);
  }
  t.release(60);
  t.release(40);
  EXPECT_EQ(add(t, -1, ""), 40);
  EXPECT_EQ(add(t, -1, ""), 60);
  EXPECT_EQ(add(t, -1, ""), 101);
}

// add() is pick(-1) and store() in one pass: over a long mix of adds, chosen numbers and frees in
// any order it gives the same numbers and leaves the same table as the two steps do.
TEST(NumberTable, AddGivesWhatPickAndStoreGive) {
  Table one, two;
  unsigned state = 12345;
  auto next = [&state](unsigned range) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % range;
  };
  for (int step = 0; step < 20000; step++) {
    const unsigned what = next(10);
    if (what < 5) {
      const std::string name = "n" + std::to_string(step);
      ASSERT_EQ(one.add(name), add(two, -1, name)) << "step " << step;
    } else if (what < 6) {
      const int chosen = static_cast<int>(next(3000));
      ASSERT_EQ(add(one, chosen, "c"), add(two, chosen, "c"));
    } else {
      const int n = static_cast<int>(next(3000));
      one.release(n);
      two.release(n);
    }
    ASSERT_EQ(one.size(), two.size());
  }
  for (int n = 0; n < 3100; n++) {
    ASSERT_EQ(one.has(n), two.has(n)) << n;
    if (one.has(n)) {
      ASSERT_EQ(*one.get(n), *two.get(n)) << n;
    }
  }
  one.clear();
  EXPECT_EQ(one.add("first"), 1);  // 0 is never given
}

// A table emptied in any order numbers from 1 again, and what it frees after that is found as
// before: the lowest free number first, then past the highest.
TEST(NumberTable, AnEmptiedTableStartsOverAndStillFindsWhatItFreesLater) {
  Table t;
  for (int n = 1; n <= 5000; n++) ASSERT_EQ(add(t, -1, "x"), n);
  for (int n = 2; n <= 5000; n += 2) t.release(n);
  for (int n = 4999; n >= 1; n -= 2) t.release(n);
  EXPECT_EQ(t.size(), 0);
  for (int n = 1; n <= 200; n++) ASSERT_EQ(add(t, -1, "y"), n);
  EXPECT_FALSE(t.has(201));
  t.release(150);
  t.release(7);
  EXPECT_EQ(add(t, -1, "a"), 7);
  EXPECT_EQ(add(t, -1, "b"), 150);
  EXPECT_EQ(add(t, -1, "c"), 201);
  EXPECT_EQ(add(t, 300, "chosen"), 300);
  EXPECT_EQ(add(t, -1, "d"), 202);  // 202..299 lie free below the chosen number
  EXPECT_EQ(*t.get(150), "b");
  EXPECT_EQ(t.size(), 203);
}

}  // namespace
