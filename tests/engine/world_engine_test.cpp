// world_engine_test.cpp -- the whole engine on a small map: pictures, objects, keys and wheel
#include <filesystem>
#include <string>
#include <vector>

#include "services/headless.h"
#include "services/input.h"
#include "services/text.h"
#include "world_fixture.h"

namespace {

class WorldEngine : public WorldFixture {
 protected:
  // A 4 x 3 map (5 x 4 entries): grass everywhere, water (colliding) in column 2, trees on grass.
  void write_small_world() {
    write_bmp("topo/grass.bmp", 8, 8, 0, 160, 0);
    write_bmp("topo/water.bmp", 8, 8, 0, 0, 200);
    write_bmp("objects/tree.bmp", 4, 4, 120, 60, 0);
    write_pairs("objects/tree.dll", {"DGFXNAME", "tree", "DDENSITY", "0", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255",
                                     "DFITTOMATRIX", "1", "DCOLLISION", "1"});
    write_pairs("codes/land/000160000", {"GFXNAME", "grass.bmp", "CHILD1", "tree"});
    write_pairs("codes/land/000000200", {"GFXNAME", "water.bmp", "USECOLLISION", "1"});
    std::vector<std::string> code = {"AI", "4", "3", "SourceImage:", "AI-DATA:"};
    std::vector<std::string> red = {"RED", "4", "3", "SourceImage:", "RED-DATA:"};
    for (int x = 0; x <= 4; x++)
      for (int y = 0; y <= 3; y++) {
        if (x == 2)
          code.insert(code.end(), {"000", "000", "200"});
        else
          code.insert(code.end(), {"000", "160", "000"});
        red.push_back("255");
      }
    write_file("maps/land.qz61", crlf_lines(code));
    write_file("maps/land.red", crlf_lines(red));
    write_config({{"RESOLUTION", "16"},
                  {"USESPRITE3D", "1"},
                  {"APPENTRY", "maps/"},
                  {"APPSTART", "land"},
                  {"TOPOGFX", "topo/"},
                  {"WORLDGFX", "objects/"},
                  {"GFXCODEC", ".bmp"},
                  {"RGBCODEPATH", "codes/"},
                  {"WORLDRANDOM", "7"},
                  {"CURSORSPEED", "255"}});
  }
};

TEST_F(WorldEngine, SmallMapShowsGroundAndObjectsAndTheCursorStopsAtWater) {
  svc::headless::set_desktop(128, 96);
  write_small_world();
  for (int i = 0; i < 3; i++) svc::headless::queue_key_snapshot({svc::KEY_RIGHT});
  EXPECT_EQ(run_engine({0, 0, 0}), 0);
  EXPECT_TRUE(svc::headless::messages().empty());

  EXPECT_EQ(engine.mapMaxX, 4);
  EXPECT_EQ(at(2, 1).useCollision, 1);
  EXPECT_EQ(at(0, 0).pictureName, "grass.bmp");
  EXPECT_NE(at(0, 0).groundSprite, 0);
  EXPECT_EQ(at(0, 0).lastChildSlot, 0);
  EXPECT_EQ(at(2, 0).lastChildSlot, -1);
  EXPECT_EQ(svc::list_size(worldState.instanceList), 16);  // one tree per grass cell
  // The cursor moved one cell right, then the water column refused the next moves.
  EXPECT_EQ(cursor().x, 16.0f);
  EXPECT_EQ(engine.scrollX, 0);

  // Last frame: 20 ground quads (the visited cells inside the map), a tree on each of the 16
  // grass cells, drawn after all the ground, then the smoothing copy.
  const auto& calls = svc::headless::draw_calls();
  size_t start = 0;
  for (size_t i = 0; i < calls.size(); i++)
    if (calls[i].kind == "start_3d") start = i;
  std::vector<int> quads;
  for (size_t i = start; i < calls.size(); i++)
    if (calls[i].kind == "sprite3d") quads.push_back(calls[i].a);
  ASSERT_EQ(quads.size(), 20u + 16u + 1u);
  EXPECT_EQ(quads[0], at(0, 0).groundSprite);
  EXPECT_EQ(quads[20], svc::select_element(worldState.instanceList, at(0, 0).childInstance[0])->sprite3d);
  EXPECT_EQ(quads[36], engine.grabSprite3D);
}

// A code map of only its five header lines gives cell (0, 0) an empty code, whose definition path
// is the definitions folder itself: the cell stays as a missing definition leaves it.
TEST_F(WorldEngine, HeaderOnlyCodeMapLeavesCellZeroAsAMissingDefinitionDoes) {
  svc::headless::set_desktop(128, 96);
  write_config({{"RESOLUTION", "16"},
                {"USESPRITE3D", "1"},
                {"APPENTRY", "maps/"},
                {"APPSTART", "land"},
                {"RGBCODEPATH", "codes/"}});
  write_file("maps/land.qz61", crlf_lines({"AI", "0", "0", "SourceImage:", "AI-DATA:"}));
  write_file("maps/land.red", crlf_lines({"RED", "0", "0", "SourceImage:", "RED-DATA:", "255"}));
  auto cell_after_run = [&] {
    EXPECT_EQ(run_engine(), 0);
    EXPECT_TRUE(svc::headless::messages().empty());
    const WorldCell& c = at(0, 0);
    return c.code + "|" + c.pictureName + "|" + std::to_string(c.highestChildSlot) + "|" + std::to_string(c.occupied) +
           "|" + std::to_string(c.loaded);
  };
  const std::string missing = cell_after_run();
  EXPECT_EQ(missing, "||0|0|1");
  std::filesystem::create_directories(dir + "codes/land");
  svc::headless::reset();
  reset_engine_state();
  EXPECT_EQ(cell_after_run(), missing);
}

}  // namespace
