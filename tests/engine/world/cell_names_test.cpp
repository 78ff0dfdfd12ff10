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

// A fuzz target forgets each input's names: what stays keeps its number and text (and where the
// text lies), a forgotten number reads as "", and a text entered again gets a number again.
TEST(CellNames, ForgottenNamesGoAndTheRestStay) {
  CellName kept = cell_name("kept before the mark");
  const std::string* keptText = &kept.str();
  const uint32_t mark = cell_name_count();
  std::vector<CellName> input;
  for (int i = 0; i < 3000; i++) input.push_back(cell_name("input name " + std::to_string(i)));  // the slots grow
  EXPECT_EQ(cell_name_count(), mark + 3000);
  forget_cell_names_from(mark);
  EXPECT_EQ(cell_name_count(), mark);
  EXPECT_EQ(input[0].str(), "");  // a forgotten number reads as the empty text
  EXPECT_EQ(cell_name("kept before the mark").id, kept.id);
  EXPECT_EQ(&kept.str(), keptText);
  const CellName again = cell_name("input name 2999");
  EXPECT_EQ(again.id, mark);  // numbered anew, from the mark
  EXPECT_EQ(again, "input name 2999");
  forget_cell_names_from(mark);
  EXPECT_EQ(cell_name("").id, 0u);
}

}  // namespace
