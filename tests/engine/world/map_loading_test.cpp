// map_loading_test.cpp -- the colour-code and red maps into the grid: order, cropping, missing files
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "services/headless.h"
#include "services/text.h"
#include "world/map_loading.h"
#include "support/engine_fixture.h"

namespace {

class MapLoading : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    use_world_folders();
    engine.resolution = 32.0f;
    engine.screenWidth = 640.0f;
    engine.screenHeight = 480.0f;
  }
  // Maps with this header whose n-th entry has the code "n-x" and the red value n.
  void write_numbered_maps(int headerX, int headerY, int entries, bool withRed = true) {
    std::vector<std::string> code = {"AI", std::to_string(headerX), std::to_string(headerY), "", ""};
    std::vector<std::string> red = code;
    for (int n = 0; n < entries; n++) {
      code.insert(code.end(), {std::to_string(n), "-", "x"});
      red.push_back(std::to_string(n));
    }
    write_lines("maps/land.qz61", code);
    if (withRed) write_lines("maps/land.red", red);
  }
  void load() { load_colour_code_map(engine.appEntry + engine.appStart + ".qz61"); }
};

TEST_F(MapLoading, EntriesFillColumnsYFastAndStopAtTheExtent) {
  svc::dim_array(worldState.world, 512, 512);
  write_numbered_maps(1, 2, 9);  // three records more than the 2 x 3 cells
  load();
  EXPECT_EQ(engine.mapMaxX * 10 + engine.mapMaxY, 12);
  const int order[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}};
  for (int n = 0; n < 6; n++) {
    const WorldCell& c = at(order[n][0], order[n][1]);
    EXPECT_EQ(c.code + "/" + std::to_string(c.groundAlpha) + "/" + std::to_string(c.loaded),
              std::to_string(n) + "-x/" + std::to_string(n) + "/1");
  }
  EXPECT_EQ(at(2, 0).loaded, 0);
  EXPECT_EQ(engine.cellsAcross * 100 + engine.cellsDown, 2015.0f);

  write_lines("maps/land.qz61", {"AI", "3", "3", "", ""});  // an empty body
  svc::dim_array(worldState.world, 512, 512);
  load();
  EXPECT_EQ(at(0, 0).loaded, 1);
  EXPECT_EQ(at(0, 0).code, "");
  EXPECT_EQ(at(0, 1).loaded, 0);
}

TEST_F(MapLoading, HeadersBeyondTheGridAreCroppedAtTrueCellPositions) {
  svc::dim_array(worldState.world, 2, 1);  // a small grid stands in for 512 x 512
  write_numbered_maps(4, 3, 20);
  load();
  EXPECT_EQ(engine.mapMaxX * 10 + engine.mapMaxY, 21);
  // The file's columns hold 4 entries each: entry 4 is (1, 0), entry 9 is (2, 1).
  EXPECT_EQ(at(1, 0).code + std::to_string(at(1, 0).groundAlpha), "4-x4");
  EXPECT_EQ(at(2, 1).code + std::to_string(at(2, 1).groundAlpha), "9-x9");

  svc::dim_array(worldState.world, 4, 4);
  write_numbered_maps(-5, -2, 4);
  load();
  EXPECT_EQ(engine.mapMaxX * 10 + engine.mapMaxY, 0);
  EXPECT_EQ(at(0, 0).code, "0-x");
  EXPECT_EQ(at(0, 1).loaded + at(1, 0).loaded, 0);
}

TEST_F(MapLoading, MissingRedMapIsQuietAndMissingCodeMapEndsWithCodeFour) {
  svc::dim_array(worldState.world, 512, 512);
  at(1, 1).groundAlpha = 77;  // a stale value must not survive as ground
  write_numbered_maps(1, 1, 4, false);
  load();
  EXPECT_TRUE(svc::headless::messages().empty());
  EXPECT_EQ(at(1, 1).groundAlpha, 0);
  EXPECT_EQ(at(1, 1).code, "3-x");

  int code = svc::headless::run_program([&] {
    load_colour_code_map(dir + "maps/none.qz61");
    return 99;
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(svc::headless::messages().size(), 1u);
  EXPECT_EQ(svc::headless::messages()[0].title + svc::headless::messages()[0].text,
            "ERROR  Could not open topographic data");

  // A folder in place of the code map is no map: the same stop, not a one-cell world.
  std::filesystem::create_directories(dir + "maps/folder.qz61");
  svc::headless::reset();
  code = svc::headless::run_program([&] {
    load_colour_code_map(dir + "maps/folder.qz61");
    return 99;
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(svc::headless::messages().size(), 1u);
  EXPECT_EQ(svc::headless::messages()[0].text, " Could not open topographic data");
}

// An endless device as the code map stops like a missing one, as the red map reads like a missing
// one; an empty code map is one cell with an empty code; a line of megabytes is one line.
TEST_F(MapLoading, DevicesEmptyMapsAndHugeLines) {
  std::filesystem::create_directories(dir + "maps");
  if (!support::link_to_endless_device(dir + "maps/zero.qz61"))
    GTEST_SKIP() << "POSIX only: the endless device /dev/zero";
  int code = svc::headless::run_program([&] {
    load_colour_code_map(dir + "maps/zero.qz61");
    return 99;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(only_message(), " Could not open topographic data");

  svc::headless::reset();
  svc::dim_array(worldState.world, 8, 8);
  write_numbered_maps(0, 1, 2, false);
  if (!support::link_to_endless_device(dir + "maps/land.red"))
    GTEST_SKIP() << "POSIX only: the endless device /dev/zero";
  load();
  EXPECT_TRUE(svc::headless::messages().empty());
  EXPECT_EQ(at(0, 1).code + "/" + std::to_string(at(0, 1).groundAlpha), "1-x/0");

  write_file("maps/land.qz61", "");
  svc::dim_array(worldState.world, 8, 8);
  load();
  EXPECT_EQ(at(0, 0).loaded * 10 + at(0, 1).loaded, 10);
  EXPECT_EQ(at(0, 0).code, "");

  const std::string huge(4 << 20, 'r');
  write_file("maps/land.qz61", crlf_lines({"AI", "0", "1", "", "", huge, "g", "b", "001", "002", "003"}));
  svc::dim_array(worldState.world, 8, 8);
  load();
  EXPECT_EQ(at(0, 0).code.size(), huge.size() + 2);
  EXPECT_EQ(at(0, 1).code, "001002003");
}

// The red map is read beside the code map, and each file's length counts for its own values: red
// entries past a cut-short code map still give alphas, and a short red map leaves later cells' alphas.
TEST_F(MapLoading, CodeAndRedMapsOfDifferentLengthsEachFillTheirOwnValues) {
  svc::dim_array(worldState.world, 8, 8);
  write_lines("maps/land.qz61", {"AI", "1", "1", "", "", "001", "002", "003"});
  write_lines("maps/land.red", {"RED", "1", "1", "", "", "10", "11", "12", "13"});
  load();
  EXPECT_EQ(at(0, 1).loaded, 0);
  EXPECT_EQ(std::to_string(at(0, 1).groundAlpha) + std::to_string(at(1, 0).groundAlpha) +
                std::to_string(at(1, 1).groundAlpha),
            "111213");

  write_numbered_maps(1, 1, 4, false);
  write_lines("maps/land.red", {"RED", "1", "1", "", "", "20"});
  load();
  EXPECT_EQ(at(1, 1).code, "3-x");
  EXPECT_EQ(std::to_string(at(0, 0).groundAlpha) + "/" + std::to_string(at(1, 1).groundAlpha), "20/13");
}

TEST_F(MapLoading, ProgressBarOnOneRowMapNeverDividesByZero) {
  svc::dim_array(worldState.world, 8, 8);
  write_numbered_maps(3, 0, 4);
  load();
  EXPECT_FLOAT_EQ(worldState.loadBar.width, 1.0f + 640.0f);  // four cells share the width
  std::vector<svc::headless::DrawCall> red;
  int flips = 0;
  for (const auto& c : svc::headless::draw_calls()) {
    if (c.kind == "box" && c.colour == svc::rgb(255, 0, 0)) red.push_back(c);
    flips += c.kind == "flip";
  }
  ASSERT_EQ(red.size(), 2u);  // shown on the first call; the final state left in the back buffer
  EXPECT_EQ(red[0].b, 408);   // 480 * 0.85
  EXPECT_EQ(red[0].c * 1000 + red[1].c, 161641);
  EXPECT_EQ(flips, 1);
}

TEST_F(MapLoading, CellsGetContentOnlyWithSprite3D) {
  svc::dim_array(worldState.world, 4, 4);
  write_numbered_maps(0, 0, 1);
  write_lines("codes/land/0-x", {"GFXNAME", "g.bmp"});
  load();
  EXPECT_EQ(at(0, 0).pictureName, "");
  engine.useSprite3D = 1;
  load();
  EXPECT_EQ(at(0, 0).pictureName, "g.bmp");
}

// The load looks a definition up again only when the code changes: runs of one code, a code that
// comes back, lines that join to the same code, and a longer code with the same start.
TEST_F(MapLoading, EachCellGetsItsOwnCodesDefinition) {
  svc::dim_array(worldState.world, 0, 5);
  engine.useSprite3D = 1;
  const std::vector<std::vector<std::string>> pixels = {{"1", "2", "3"}, {"1", "2", "3"}, {"4", "5", "6"},
                                                        {"1", "2", "3"}, {"12", "3", ""}, {"1", "2", "34"}};
  std::vector<std::string> code = {"AI", "0", "5", "", ""};
  for (const auto& p : pixels) code.insert(code.end(), p.begin(), p.end());
  write_lines("maps/land.qz61", code);
  write_lines("codes/land/123", {"GFXNAME", "a.bmp", "CHILD1", "oak"});
  write_lines("codes/land/456", {"GFXNAME", "b.bmp", "CHILD2", "pine"});
  write_lines("codes/land/1234", {"CHILD1", "elm"});
  load();
  std::string seen;
  for (int y = 0; y <= 5; y++) {
    const WorldCell& c = at(0, y);
    seen += c.code + ":" + c.pictureName + "/" + c.childName[0] + "/" + c.childName[1] + " ";
  }
  EXPECT_EQ(seen,
            "123:a.bmp/oak/ 123:a.bmp/oak/ 456:b.bmp//pine 123:a.bmp/oak/ 123:a.bmp/oak/ "
            "1234:dummy.png/elm/ ");
}

// Neighbouring codes that differ in one character, wherever it stands in a part of any length
// (one character up to past the longest a code usually has), each get their own text.
TEST_F(MapLoading, CodesDifferingInAnyOneCharacterAreToldApart) {
  std::vector<std::vector<std::string>> pixels;
  for (size_t length : {1, 2, 3, 4, 5, 7, 8, 9, 12, 16, 17, 20}) {
    for (size_t at = 0; at < length; at++) {
      std::string part(length, 'a');
      pixels.push_back({"1", part, "22"});
      part[at] = 'b';
      pixels.push_back({"1", part, "22"});
    }
  }
  pixels.push_back({"12", "3", "4"});  // the same text as the next, split otherwise
  pixels.push_back({"1", "23", "4"});
  pixels.push_back({"1", "23", "45"});
  svc::dim_array(worldState.world, 0, static_cast<int>(pixels.size()) - 1);
  std::vector<std::string> code = {"AI", "0", std::to_string(pixels.size() - 1), "", ""};
  for (const auto& p : pixels) code.insert(code.end(), p.begin(), p.end());
  write_lines("maps/land.qz61", code);
  load();
  for (size_t y = 0; y < pixels.size(); y++)
    ASSERT_EQ(at(0, static_cast<int>(y)).code.str(), pixels[y][0] + pixels[y][1] + pixels[y][2]) << "cell " << y;
}

}  // namespace
