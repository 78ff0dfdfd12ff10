// cell_names_test.cpp -- names shared by cells through the name table
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "world/cell_names.h"

namespace {

TEST(CellNames, EqualTextsShareANumberAndReadAsText) {
  CellName a, b, none;
  a = "oak";
  b = std::string("oak");
  EXPECT_EQ(a.id, b.id);
  EXPECT_TRUE(a == b && a == "oak" && std::string("oak") == a);
  EXPECT_TRUE(a != "oa" && a != std::string("oak "));
  EXPECT_EQ("[" + a + "]", "[oak]");
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none, "");
  b = "";
  EXPECT_EQ(b.id, 0u);  // the empty text is the zero-filled name
  const char* nothing = nullptr;
  b = nothing;
  EXPECT_TRUE(b.empty());
}

TEST(CellNames, TextsStayPutWhileTheTableGrows) {
  CellName first;
  first = "first name of this test";
  const std::string& text = first;
  std::vector<CellName> more(5000);
  for (size_t i = 0; i < more.size(); i++) more[i] = "grown " + std::to_string(i);
  EXPECT_EQ(text, "first name of this test");
  EXPECT_EQ(&text, &first.str());
  EXPECT_EQ(more[4321], "grown 4321");
}

}  // namespace
