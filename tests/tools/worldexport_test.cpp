// worldexport_test.cpp -- worldexport's maps drawn by Tiled's own renderer against worldshot, their codes, failures
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "services/pictures.h"
#include "support/files.h"
#include "support/process.h"
#include "support/small_disk.h"
#include "support/temp_folder.h"
#include "support/tiled_tools_fixture.h"

namespace {

namespace fs = std::filesystem;

using support::built_tool;
using support::example;
using support::has_rasterizer;

class Worldexport : public support::TiledToolFixture {
 protected:
  const char* tool_name() const override { return "worldexport"; }

  // The largest difference of a colour channel between worldshot's picture and Tiled's over black,
  // and how many pixels differ at all.
  struct Difference {
    int largest = 0;
    long pixels = 0;
  };
  Difference compare(const std::string& shot, const std::string& tiled) {
    svc::Picture a, b;
    EXPECT_TRUE(svc::decode_picture(shot, a)) << shot;
    EXPECT_TRUE(svc::decode_picture(tiled, b)) << tiled;
    Difference d;
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    if (a.width != b.width || a.height != b.height) return {256, -1};
    for (size_t i = 0; i < a.rgba.size(); i += 4) {
      int worst = 0;
      for (int c = 0; c < 3; ++c) {
        const int over_black = (b.rgba[i + c] * b.rgba[i + 3] + 127) / 255;  // Tiled leaves no tile transparent
        worst = std::max(worst, std::abs(int(a.rgba[i + c]) - over_black));
      }
      d.largest = std::max(d.largest, worst);
      d.pixels += worst ? 1 : 0;
    }
    return d;
  }

  // Exports the world at `cell` pixels and draws it with both renderers.
  Difference export_and_compare(const std::string& world, int cell) {
    std::string out;
    EXPECT_EQ(run("worldexport", "--cell " + std::to_string(cell) + " '" + world + "' '" + dir + "map.tmx'", &out),
              0)
        << out;
    EXPECT_EQ(run("worldshot", "--cell " + std::to_string(cell) + " '" + world + "' '" + dir + "shot.png'", &out), 0)
        << out;
    if (!rasterize(dir + "map.tmx", dir + "tiled.png")) {
      ADD_FAILURE() << "tmxrasterizer missing or failed (scripts/setup installs Debian's tiled)";
      return {256, -1};
    }
    return compare(dir + "shot.png", dir + "tiled.png");
  }
};

// Tiled draws the exported island, its ground and its trees, bushes, stones and flowers, exactly
// as the engine does.
TEST_F(Worldexport, TiledDrawsTheIslandAsTheEngineDoes) {
  if (!has_rasterizer()) GTEST_SKIP() << "Tiled's tmxrasterizer is not installed (scripts/setup installs tiled)";
  const Difference d = export_and_compare(example("world"), 24);
  EXPECT_EQ(d.pixels, 0) << "largest difference " << d.largest;
}

// The labyrinth's reeds are drawn at their own opacity: Tiled and the engine round a blend
// differently, by at most one level, and only there.
TEST_F(Worldexport, TiledDrawsTheLabyrinthWithinOneLevelWhereObjectsAreTranslucent) {
  if (!has_rasterizer()) GTEST_SKIP() << "Tiled's tmxrasterizer is not installed (scripts/setup installs tiled)";
  const Difference d = export_and_compare(example("labyrinth"), 16);
  EXPECT_LE(d.largest, 1);
  std::string out;
  run("worldexport", "--cell 16 '" + example("labyrinth") + "' '" + dir + "again.tmx'", &out);
  EXPECT_NE(out.find("at their own opacity"), std::string::npos) << out;
}

// A world made from a picture, at another cell size than its own: ground only, the margin
// around it without ground (black).
TEST_F(Worldexport, TiledDrawsAWorldMadeFromAPicture) {
  if (!has_rasterizer()) GTEST_SKIP() << "Tiled's tmxrasterizer is not installed (scripts/setup installs tiled)";
  ASSERT_EQ(support::shell("'" + built_tool("worldmake") + "' '" + example("mapconvert/land.png") + "' '" + dir +
                           "w' --colours 6 --quiet"),
            0);
  const Difference d = export_and_compare(dir + "w", 5);
  EXPECT_EQ(d.pixels, 0) << "largest difference " << d.largest;
}

// The hidden code layer names every code of the world once, each a tile of its own, and the files
// the map names are all there.
TEST_F(Worldexport, TheHiddenCodeLayerHoldsEveryCodeOnce) {
  std::string out;
  ASSERT_EQ(run("worldexport", "'" + example("world") + "' '" + dir + "island.tmx'", &out), 0) << out;
  const std::string map = support::read_file(dir + "island.tmx");
  EXPECT_NE(map.find("name=\"codes\" width=\"48\" height=\"30\" visible=\"0\""), std::string::npos);
  EXPECT_NE(map.find("draworder=\"index\""), std::string::npos);
  const std::string codes = support::read_file(dir + "island-codes.tsx");
  for (const std::string& code : support::names_in(example("world/codes/island")))
    EXPECT_NE(codes.find("name=\"code\" value=\"" + code + "\""), std::string::npos) << code;
  for (const char* tsx : {"island-ground.tsx", "island-objects.tsx", "island-codes.tsx"}) {
    const std::string text = support::read_file(dir + std::string(tsx));
    ASSERT_FALSE(text.empty()) << tsx;
    for (size_t at = text.find("source=\""); at != std::string::npos; at = text.find("source=\"", at + 1)) {
      const std::string source = text.substr(at + 8, text.find('"', at + 8) - at - 8);
      EXPECT_TRUE(fs::exists(dir + source)) << source;
    }
  }
  EXPECT_NE(out.find("48 x 30 cells of 96 pixels"), std::string::npos) << out;
}

TEST_F(Worldexport, BadArgumentsAndFoldersAreRefusedWithoutWritingAnything) {
  std::string out;
  EXPECT_EQ(run("worldexport", "'" + example("world") + "' '" + dir + "map.png'", &out), 2);
  EXPECT_NE(out.find("name it OUT.tmx"), std::string::npos) << out;
  EXPECT_EQ(run("worldexport", "--cell 0 '" + dir + "map.tmx'", &out), 2);
  EXPECT_EQ(run("worldexport", "'" + dir + "' '" + dir + "map.tmx'", &out), 1);
  EXPECT_NE(out.find("holds no world"), std::string::npos) << out;
  EXPECT_EQ(run("worldexport", "'" + dir + "nowhere' '" + dir + "map.tmx'", &out), 1);
  EXPECT_NE(out.find("no such folder"), std::string::npos) << out;
  EXPECT_EQ(support::names_in(dir), std::vector<std::string>{"err.txt"});
}

// A disk that fills up leaves no map naming pictures that are not there.
TEST_F(Worldexport, AFullDiskLeavesNoMap) {
  support::SmallDisk disk;
  if (!disk.mount(dir + "disk", 100)) GTEST_SKIP() << disk.why();
  std::string out;
  EXPECT_EQ(run("worldexport", "--cell 256 '" + example("world") + "' '" + dir + "disk/map.tmx'", &out), 1);
  EXPECT_NE(out.find("cannot be written"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(dir + "disk/map.tmx"));
}

}  // namespace
