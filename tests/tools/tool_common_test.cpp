// tool_common_test.cpp -- the parts of the paths users give the tools, split as the system splits them
#include "tool_common.h"

#include <gtest/gtest.h>

#include "services/paths.h"

namespace {

TEST(ToolPaths, ThePartsOfAPathAreSplitAsTheSystemSplitsThem) {
  EXPECT_EQ(tools::file_name("shots/island.png"), "island.png");
  EXPECT_EQ(tools::parent_folder("shots/island.png"), "shots");
  EXPECT_EQ(tools::parent_folder("shots//island.png"), "shots");
  EXPECT_EQ(tools::parent_folder("/island.png"), "/");
  EXPECT_EQ(tools::parent_folder("island.png"), "");
  EXPECT_EQ(tools::file_name("shots/"), "");
  EXPECT_EQ(tools::stem("pictures/Forêt.tmx.gz"), "Forêt.tmx");
  EXPECT_EQ(tools::extension("pictures/Forêt.tmx.gz"), ".gz");

  // A leading dot starts a name, not an extension; a trailing one is an empty extension.
  EXPECT_EQ(tools::extension("maps/.png"), "");
  EXPECT_EQ(tools::stem("maps/.png"), ".png");
  EXPECT_EQ(tools::extension("land."), ".");
  EXPECT_EQ(tools::extension(".."), "");
  EXPECT_EQ(tools::extension("v1.2/land"), "");

  EXPECT_EQ(tools::joined("shots", "world.png"), "shots/world.png");
  EXPECT_EQ(tools::joined("shots/", "world.png"), "shots/world.png");
  EXPECT_EQ(tools::joined("", "world.png"), "world.png");

  // "\" separates only where the system says so.
  if (svc::windows_system()) {
    EXPECT_EQ(tools::file_name("C:\\maps\\land.png"), "land.png");
    EXPECT_EQ(tools::parent_folder("C:\\maps\\land.png"), "C:\\maps");
    EXPECT_EQ(tools::parent_folder("C:\\land.png"), "C:\\");
    EXPECT_EQ(tools::parent_folder("C:land.png"), "C:");
    EXPECT_EQ(tools::joined("C:\\maps\\", "land.png"), "C:\\maps\\land.png");
  } else {
    EXPECT_EQ(tools::file_name("a\\b.png"), "a\\b.png");
    EXPECT_EQ(tools::extension("v1.2\\land"), ".2\\land");
  }
}

}  // namespace
