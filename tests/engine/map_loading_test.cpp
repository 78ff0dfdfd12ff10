// map_loading_test.cpp -- the colour-code and red maps into the grid: order, cropping, missing files
#include <cmath>
#include <string>
#include <vector>

#include "services/headless.h"
#include "services/text.h"
#include "world/cell_definitions.h"
#include "world/map_loading.h"
#include "world_fixture.h"

namespace {

class MapLoading : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    use_world_folders();
    engine.resolution = 32.0f;
    engine.screenWidth = 640.0f;
    engine.screenHeight = 480.0f;
  }

  // A code map whose n-th entry is the code "00n"-style text r=n, g=0, b=0, and a red map whose
  // n-th value is n, both with the given header extent and entry count.
  void write_numbered_maps(int headerX, int headerY, int entries, bool withRed = true) {
    std::vector<std::string> code = {"AI", std::to_string(headerX), std::to_string(headerY), "SourceImage:", "AI-DATA:"};
    std::vector<std::string> red = {"RED", std::to_string(headerX), std::to_string(headerY), "SourceImage:", "RED-DATA:"};
    for (int n = 0; n < entries; n++) {
      code.insert(code.end(), {std::to_string(n), "-", "x"});
      red.push_back(std::to_string(n));
    }
    write_file("maps/land.qz61", crlf_lines(code));
    if (withRed) write_file("maps/land.red", crlf_lines(red));
  }

  std::string map_path() { return engine.appEntry + engine.appStart + ".qz61"; }
};

TEST_F(MapLoading, EntriesFillColumnsYFastAndPairWithRedValues) {
  svc::dim_array(worldState.world, 512, 512);
  write_numbered_maps(1, 2, 6);
  load_topographic_map(map_path());
  EXPECT_EQ(engine.mapMaxX, 1);
  EXPECT_EQ(engine.mapMaxY, 2);
  const int order[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}};
  for (int n = 0; n < 6; n++) {
    const WorldCell& c = at(order[n][0], order[n][1]);
    EXPECT_EQ(c.code, std::to_string(n) + "-x");
    EXPECT_EQ(c.loaded, 1);
    EXPECT_EQ(c.groundAlpha, n);
  }
  EXPECT_EQ(at(2, 0).loaded, 0);
  EXPECT_EQ(engine.cellsAcross, 20.0f);
  EXPECT_EQ(engine.cellsDown, 15.0f);
}

TEST_F(MapLoading, EmptyBodyStillWritesFirstCellAndExtraRecordsAreIgnored) {
  svc::dim_array(worldState.world, 512, 512);
  write_file("maps/land.qz61", crlf_lines({"AI", "3", "3", "", ""}));
  load_topographic_map(map_path());
  EXPECT_EQ(at(0, 0).loaded, 1);
  EXPECT_EQ(at(0, 0).code, "");
  EXPECT_EQ(at(0, 1).loaded, 0);

  reset_engine_state();
  use_world_folders();
  svc::dim_array(worldState.world, 512, 512);
  write_numbered_maps(0, 1, 10);
  load_topographic_map(map_path());
  EXPECT_EQ(at(0, 1).code, "1-x");
  EXPECT_EQ(at(1, 0).loaded, 0);
  EXPECT_EQ(at(1, 0).groundAlpha, 0);
}

TEST_F(MapLoading, HeaderBeyondTheGridIsCroppedAtTrueCellPositions) {
  svc::dim_array(worldState.world, 2, 1);  // a small grid stands in for 512 x 512
  write_numbered_maps(4, 3, 20);
  load_topographic_map(map_path());
  EXPECT_EQ(engine.mapMaxX, 2);
  EXPECT_EQ(engine.mapMaxY, 1);
  // The file's columns hold 4 entries each: entry 4 is (1, 0), entry 9 is (2, 1).
  EXPECT_EQ(at(1, 0).code, "4-x");
  EXPECT_EQ(at(1, 0).groundAlpha, 4);
  EXPECT_EQ(at(2, 1).code, "9-x");
  EXPECT_EQ(at(2, 1).groundAlpha, 9);
  EXPECT_TRUE(std::isfinite(engine.loadProgress));
}

TEST_F(MapLoading, NegativeHeaderIsClippedToOneCell) {
  svc::dim_array(worldState.world, 4, 4);
  write_numbered_maps(-5, -2, 4);
  load_topographic_map(map_path());
  EXPECT_EQ(engine.mapMaxX, 0);
  EXPECT_EQ(engine.mapMaxY, 0);
  EXPECT_EQ(at(0, 0).code, "0-x");
  EXPECT_EQ(at(0, 1).loaded, 0);
  EXPECT_EQ(at(1, 0).loaded, 0);
}

TEST_F(MapLoading, MissingRedMapIsQuietAndLeavesNoAlpha) {
  svc::dim_array(worldState.world, 512, 512);
  at(1, 1).groundAlpha = 77;  // stale value from before: must not survive as ground
  write_numbered_maps(1, 1, 4, false);
  load_topographic_map(map_path());
  EXPECT_TRUE(svc::headless::messages().empty());
  for (int x = 0; x <= 1; x++)
    for (int y = 0; y <= 1; y++) EXPECT_EQ(at(x, y).groundAlpha, 0);
  EXPECT_EQ(at(1, 1).code, "3-x");
}

TEST_F(MapLoading, MissingCodeMapEndsWithCodeFour) {
  svc::dim_array(worldState.world, 4, 4);
  int code = svc::headless::run_program([&] {
    load_topographic_map(dir + "maps/none.qz61");
    return 99;
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(svc::headless::messages().size(), 1u);
  EXPECT_EQ(svc::headless::messages()[0].title, "ERROR ");
  EXPECT_EQ(svc::headless::messages()[0].text, " Could not open topographic data");
}

TEST_F(MapLoading, ProgressBarStartsAtOnePixelAndOneRowMapNeverDividesByZero) {
  svc::dim_array(worldState.world, 8, 8);
  write_numbered_maps(3, 0, 4);
  load_topographic_map(map_path());
  EXPECT_TRUE(std::isfinite(engine.loadProgress));
  EXPECT_FLOAT_EQ(engine.loadProgress, 1.0f + 640.0f);  // four cells share the width
  std::vector<svc::headless::DrawCall> red;
  int flips = 0;
  for (const auto& c : svc::headless::draw_calls()) {
    if (c.kind == "box" && c.colour == svc::rgb(255, 0, 0)) red.push_back(c);
    flips += c.kind == "flip";
  }
  ASSERT_EQ(red.size(), 2u);  // shown on the first call; the final state left in the back buffer
  EXPECT_EQ(red[0].b, 408);   // 480 * 0.85
  EXPECT_EQ(red[0].c, 1 + 160);
  EXPECT_EQ(red[1].c, 1 + 640);
  EXPECT_EQ(flips, 1);        // only the first of 501 calls flips
}

TEST_F(MapLoading, CellsGetContentOnlyWithSprite3D) {
  svc::dim_array(worldState.world, 4, 4);
  write_numbered_maps(0, 0, 1);
  write_pairs("codes/land/0-x", {"GFXNAME", "g.bmp", "USECOLLISION", "1"});
  engine.useSprite3D = 0;
  load_topographic_map(map_path());
  EXPECT_EQ(at(0, 0).pictureName, "");
  EXPECT_EQ(at(0, 0).useCollision, 0);

  engine.useSprite3D = 1;
  load_topographic_map(map_path());
  EXPECT_EQ(at(0, 0).pictureName, "g.bmp");
  EXPECT_EQ(at(0, 0).useCollision, 1);
}

}  // namespace
