// labyrinth_test.cpp -- the self-created base: seeding and sizes, the walks' rules, edge marks,
// clipping to the grid, the rebuild from the main loop, the progress bar and the ground fit
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include "core/engine.h"
#include "core/world_dump.h"
#include "services/paths.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "services/input.h"
#include "services/random.h"
#include "services/text.h"
#include "services/sprites.h"
#include "world/labyrinth.h"

namespace {

class Labyrinth : public EngineFixture {
 protected:
  static std::vector<FloorCell> floor_cells() {
    std::vector<FloorCell> out;
    for (auto* n = worldState.floorList.head; n; n = n->next) out.push_back(n->value);
    return out;
  }
};

bool is_base_tile(const std::string& code) { return code == "LAB_WALL" || code == "LAB_GREEN" || code == "LAB_WATER"; }

TEST_F(Labyrinth, WalkersStayInsideAndNeverReturnToColumnOrRowOne) {
  for (int seed : {1, 2, 3, 4, 5}) {
    for (int labSwitch : {0, 4}) {
      write_config(
          lab_config(80, 60, {{"WORLDRANDOM", std::to_string(seed)}, {"LABSWITCH", std::to_string(labSwitch)}}));
      start_engine();
      SCOPED_TRACE("seed " + std::to_string(seed) + " labswitch " + std::to_string(labSwitch));
      const int maxX = engine.mapMaxX, maxY = engine.mapMaxY;
      ASSERT_GT(maxX, 3);
      ASSERT_GT(maxY, 3);
      // Floor cells in carving order: after the first cell off column 1, none on column 1 again.
      bool leftColumn = false, leftRow = false;
      for (const FloorCell& f : floor_cells()) {
        if (leftColumn) {
          EXPECT_NE(f.x, 1) << f.x << "," << f.y;
        }
        if (leftRow) {
          EXPECT_NE(f.y, 1) << f.x << "," << f.y;
        }
        leftColumn = leftColumn || f.x >= 2;
        leftRow = leftRow || f.y >= 2;
        EXPECT_EQ(f.code, "LAB_FLOOR");
      }
      // Every carved cell lies in 1..max-2; the border and the last two columns and rows stay wall.
      for (int x = 0; x <= maxX; x++)
        for (int y = 0; y <= maxY; y++) {
          const WorldCell& c = at(x, y);
          EXPECT_EQ(c.loaded, 1);
          EXPECT_EQ(c.groundAlpha, 255);
          bool inside = x >= 1 && y >= 1 && x <= maxX - 2 && y <= maxY - 2;
          if (!inside) {
            EXPECT_EQ(c.code, "LAB_WALL") << x << "," << y;
          }
        }
      // Beyond the base nothing is loaded.
      if (maxX < 256) {
        EXPECT_EQ(at(maxX + 1, 0).loaded, 0);
      }
    }
  }
}

TEST_F(Labyrinth, EdgeMarksFollowTheNorthThenWestNeighbour) {
  write_config(lab_config(90, 90, {{"LABSWITCH", "2"}}));
  start_engine();
  auto floor = floor_cells();
  ASSERT_GT(floor.size(), 20u);
  std::set<std::string> seen;
  for (const FloorCell& f : floor) {
    const std::string& west = at(f.x - 1, f.y).code;
    const std::string& north = at(f.x, f.y - 1).code;
    // Wall, green and water cells never change during marking, so their final codes decide.
    std::string expected = "LAB_FLOOR";
    if (is_base_tile(north))
      expected = north + "_S";
    else if (is_base_tile(west))
      expected = west + "_E";
    EXPECT_EQ(at(f.x, f.y).code, expected) << f.x << "," << f.y;
    // The definition was read again for the final code.
    EXPECT_EQ(at(f.x, f.y).pictureName, expected + ".bmp") << f.x << "," << f.y;
    seen.insert(expected);
  }
  EXPECT_TRUE(seen.count("LAB_WALL_S") && seen.count("LAB_WALL_E")) << "layout too small to show both marks";
}

TEST_F(Labyrinth, NegativeLabSwitchCarvesOnlyTheStartCellAndReMarksItSouth) {
  write_config(lab_config(40, 40, {{"LABSWITCH", "-1"}}));
  start_engine();
  ASSERT_GT(engine.mapMaxX, 3);
  auto floor = floor_cells();
  ASSERT_EQ(floor.size(), 1u);
  EXPECT_EQ(floor[0].x, 1);
  EXPECT_EQ(floor[0].y, 1);
  // West neighbour wall gives "_E"; the north pass then re-marks it "_S".
  EXPECT_EQ(at(1, 1).code, "LAB_WALL_S");
  EXPECT_EQ(at(1, 1).pictureName, "LAB_WALL_S.bmp");
  for (int x = 0; x <= engine.mapMaxX; x++)
    for (int y = 0; y <= engine.mapMaxY; y++)
      if (x != 1 || y != 1) {
        ASSERT_EQ(at(x, y).code, "LAB_WALL") << x << "," << y;
      }
  auto* cursor = svc::first_element(worldState.cursorList);
  EXPECT_EQ(cursor->x, 32.0f);
  EXPECT_EQ(cursor->y, 32.0f);
}

TEST_F(Labyrinth, CursorGoesToTheFirstFloorCell) {
  write_config(lab_config(60, 60, {{"RESOLUTION", "20"}}));
  start_engine();
  auto floor = floor_cells();
  ASSERT_FALSE(floor.empty());
  auto* cursor = svc::first_element(worldState.cursorList);
  EXPECT_EQ(cursor->x, floor[0].x * 20.0f);
  EXPECT_EQ(cursor->y, floor[0].y * 20.0f);
  EXPECT_EQ(svc::list_size(worldState.cursorList), 1);
}

// The built labyrinth as text: its extent, then one row of cells a line, one letter a code.
std::string layout_text() {
  static const std::map<std::string, char> letters = {
      {"LAB_WALL", '#'},   {"LAB_FLOOR", '.'},   {"LAB_GREEN", '%'},   {"LAB_WATER", '~'},   {"LAB_WALL_E", 'e'},
      {"LAB_WALL_S", 's'}, {"LAB_GREEN_E", 'E'}, {"LAB_GREEN_S", 'S'}, {"LAB_WATER_E", '>'}, {"LAB_WATER_S", 'v'}};
  std::string text = std::to_string(engine.mapMaxX) + " " + std::to_string(engine.mapMaxY) + "\n";
  for (int y = 0; y <= engine.mapMaxY; y++) {
    for (int x = 0; x <= engine.mapMaxX; x++) {
      const auto found = letters.find(svc::cell(worldState.world, x, y)->code);
      text += found == letters.end() ? '?' : found->second;
    }
    text += "\n";
  }
  return text;
}

// Compares with a layout recorded in tests/data/labyrinth; SUITE_RECORD_LAYOUTS=1 records it anew
// (only when the layouts change on purpose: they pin the random draws of every build).
void expect_recorded_layout(const std::string& name, const std::string& text) {
  const std::string path = std::string(SUITE_SOURCE_DIR) + "/tests/data/labyrinth/" + name + ".txt";
  if (std::getenv("SUITE_RECORD_LAYOUTS")) support::write_file(path, text);
  EXPECT_EQ(support::read_file(path), text) << "differs from " << path;
}

// The first build of a seed and a rebuild of a variant give the layouts recorded for them: the first
// build seeds twice and draws its size from both halves, a rebuild seeds once from the seed and the
// variant; the walks and their edge marks follow.
TEST_F(Labyrinth, BuildsAndRebuildsGiveTheRecordedLayouts) {
  write_config(lab_config(41, 31, {{"WORLDRANDOM", "1234"}}));
  start_engine();
  EXPECT_EQ(engine.baseMaxX, 41);
  EXPECT_EQ(engine.baseMaxY, 31);
  EXPECT_EQ(worldState.world.columns, 257);
  EXPECT_EQ(worldState.world.rows, 257);
  expect_recorded_layout("first_build_1234", layout_text());

  write_config(lab_config(41, 31, {{"WORLDRANDOM", "1234"}, {"MAPSIZE", "200"}}));
  start_engine([] {
    engine.baseVariant = 3;
    rebuild_if_variant_changed();
    EXPECT_EQ(engine.builtVariant, 3);
    expect_recorded_layout("rebuild_1234_variant3", layout_text());
  });

  write_config(lab_config(36, 24, {{"WORLDRANDOM", "5"}, {"LABSWITCH", "4"}}));
  start_engine();
  expect_recorded_layout("first_build_5_labswitch4", layout_text());
}

TEST_F(Labyrinth, SmallerRebuildLeavesNothingOfTheLargerBaseBehind) {
  write_config(lab_config(200, 200, {{"MAPSIZE", "40"}}));
  start_engine([] {
    const int firstX = engine.mapMaxX, firstY = engine.mapMaxY;
    engine.baseVariant = 1;
    rebuild_if_variant_changed();
    ASSERT_LT(engine.mapMaxX, firstX);
    ASSERT_LT(engine.mapMaxY, firstY);
    // Only the new base's cells hold anything; its ground sprites are the only ones alive.
    int stale = 0, sprites = 0;
    for (int x = 0; x <= kBaseGridMax; x++)
      for (int y = 0; y <= kBaseGridMax; y++) {
        const WorldCell& c = at(x, y);
        if (x <= engine.mapMaxX && y <= engine.mapMaxY) {
          sprites += c.groundSprite != 0;
          continue;
        }
        stale += c.loaded != 0 || c.groundSprite != 0 || !c.code.empty() || c.childInstance[0] != -1;
      }
    EXPECT_EQ(stale, 0);
    EXPECT_EQ(svc::headless::live_sprite3d_count(), sprites + svc::list_size(worldState.instanceList));
  });
}

TEST_F(Labyrinth, RebuildWithMapSizeLeftAtOneIsOneByOne) {
  write_config(lab_config(100, 100));
  for (int variant : {1, 2, 9, 250}) {
    start_engine([variant] {
      engine.baseVariant = variant;
      rebuild_if_variant_changed();
    });
    EXPECT_EQ(engine.mapMaxX, 1) << variant;
    EXPECT_EQ(engine.mapMaxY, 1) << variant;
  }
}

TEST_F(Labyrinth, NegativeVariantRebuildsAsVariantZero) {
  write_config(lab_config(100, 100, {{"MAPSIZE", "300"}}));
  std::string zero = start_engine([] { rebuild_base(); });
  std::string negative = start_engine([] {
    engine.baseVariant = -5;
    rebuild_if_variant_changed();
  });
  EXPECT_EQ(engine.baseVariant, 0);
  EXPECT_EQ(engine.builtVariant, 0);
  EXPECT_EQ(negative, zero);
}

TEST_F(Labyrinth, OneConfigurationAndVariantAlwaysGiveTheSameWorld) {
  // Objects placed by chance make the comparison cover the placement draws too.
  write_bmp("objects/bush.bmp", 4, 4, 0, 200, 0);
  write_lines("objects/bush.dll", {"DGFXNAME", "bush", "DDENSITY", "3", "DGFXSHOW", "1"});
  ConfigPairs cfg = lab_config(120, 120, {{"MAPSIZE", "90"}, {"WORLDGFX", "objects/"}, {"GFXCODEC", ".bmp"}});
  write_config(cfg);
  write_lines("codes/lab/LAB_FLOOR", {"GFXNAME", "LAB_FLOOR.bmp", "CHILD1", "bush", "CHILD2", "bush"});

  std::string first = start_engine();
  EXPECT_NE(first.find("bush"), std::string::npos);
  EXPECT_EQ(start_engine(), first);

  auto variant = [](int v) {
    return [v] {
      engine.baseVariant = v;
      rebuild_if_variant_changed();
    };
  };
  std::string one = start_engine(variant(1));
  // Away to 2 and back to 1 gives the same base again.
  std::string back = start_engine([] {
    engine.baseVariant = 1;
    rebuild_if_variant_changed();
    engine.baseVariant = 2;
    rebuild_if_variant_changed();
    engine.baseVariant = 1;
    rebuild_if_variant_changed();
  });
  EXPECT_EQ(back, one);
  // The first build of a run (double seeding) differs from a rebuild of the same variant.
  std::string rebuiltZero = start_engine([] { rebuild_base(); });
  EXPECT_NE(rebuiltZero, first);
}

TEST_F(Labyrinth, BaseOfZeroExtentIsOneWallCellWithoutWalks) {
  write_config(lab_config(1, 1));
  std::string dump = start_engine();
  EXPECT_EQ(engine.mapMaxX, 0);
  EXPECT_EQ(engine.mapMaxY, 0);
  EXPECT_EQ(svc::list_size(worldState.floorList), 0);
  EXPECT_EQ(dump, "0 0\ncursor 0 0\n0\t0\tLAB_WALL\t1\t255\tLAB_WALL.bmp\t-1\t\n");
}

TEST_F(Labyrinth, NonNumericOrNegativeBaseHeaderGivesSizeZero) {
  write_config(lab_config(0, 0));
  write_lines("base.txt", {"BASE", "wide", "-80", "", ""});
  start_engine();
  EXPECT_EQ(engine.mapMaxX, 0);
  EXPECT_EQ(engine.mapMaxY, 0);
}

TEST_F(Labyrinth, BasesLargerThanTheGridAreClipped) {
  write_config(lab_config(3000, 2000, {{"MAPSIZE", "1024"}}));
  start_engine();
  EXPECT_EQ(engine.mapMaxX, 256);
  EXPECT_EQ(engine.mapMaxY, 256);
  EXPECT_EQ(at(256, 256).loaded, 1);
  start_engine([] {
    engine.baseVariant = 700;
    rebuild_if_variant_changed();
  });
  EXPECT_EQ(engine.mapMaxX, 256);
  EXPECT_EQ(engine.mapMaxY, 256);
  EXPECT_EQ(worldState.world.columns, 257);
}

TEST_F(Labyrinth, MissingBaseFileIsCodeFiveWithThePath) {
  write_config(lab_config(10, 10, {{"SELFCREATEBASE", "bases\\none.txt"}}));
  EXPECT_EQ(run_engine(), 0);
  EXPECT_EQ(only_message(), " Could not open:" + svc::shown_path(dir + "bases/none.txt"));
  EXPECT_EQ(svc::headless::messages()[0].title, "ERROR ");
  // A folder or an endless device in its place is no base file either.
  std::filesystem::create_directories(dir + "bases/folder.txt");
  if (!support::link_to_endless_device(dir + "bases/zero.txt"))
    GTEST_SKIP() << "POSIX only: the endless device /dev/zero";
  for (const std::string name : {"folder.txt", "zero.txt"}) {
    svc::headless::reset();
    write_config(lab_config(10, 10, {{"SELFCREATEBASE", "bases\\" + name}}));
    EXPECT_EQ(run_engine(), 0);
    EXPECT_EQ(only_message(), " Could not open:" + svc::shown_path(dir + "bases/" + name));
  }
}

TEST_F(Labyrinth, PageUpInTheMainLoopRebuildsOnceBeforeTheNextPoll) {
  write_config(lab_config(60, 60, {{"MAPSIZE", "100"}}));
  std::string expected = start_engine([] {
    engine.baseVariant = 1;
    rebuild_if_variant_changed();
  });
  // Frame 1 sees Page Up held, frame 2 its release; the third pass rebuilds before its poll.
  svc::headless::queue_key_snapshot({svc::KEY_PAGE_UP});
  svc::headless::queue_key_snapshot({});
  for (int e : {svc::EVENT_NONE, svc::EVENT_NONE, svc::EVENT_NONE, svc::EVENT_CLOSE}) svc::headless::queue_event(e);
  std::string dump;
  svc::headless::run_program([&] {
    engine_startup(true);
    run_main_loop();
    dump = world_dump_text();
    return 0;
  });
  EXPECT_EQ(engine.baseVariant, 1);
  EXPECT_EQ(engine.builtVariant, 1);
  // The cursor and scroll may have moved in the loop; the cells are those of variant 1.
  EXPECT_EQ(dump.substr(dump.find('\n', dump.find('\n') + 1)),
            expected.substr(expected.find('\n', expected.find('\n') + 1)));
}

TEST_F(Labyrinth, OutsideLabyrinthModeAVariantChangeRebuildsNothing) {
  ConfigPairs cfg = minimal_config();
  cfg.push_back({"MAPSIZE", "10"});
  write_config(cfg);
  start_engine([] {
    engine.baseVariant = 4;
    rebuild_if_variant_changed();
  });
  EXPECT_EQ(worldState.world.columns, 513);
  EXPECT_EQ(engine.mapMaxX, 3);
  EXPECT_EQ(engine.builtVariant, 0);
}

TEST_F(Labyrinth, ProgressBarGrowsAcrossTheScreenAndIsShownEveryTwoColumns) {
  svc::headless::set_desktop(1000, 800);
  write_config(lab_config(1, 1, {}));
  write_lines("base.txt", {"BASE", "20", "20", "", ""});
  start_engine({}, true);
  const int cells = (engine.mapMaxX + 1) * (engine.mapMaxY + 1);
  const int period = 2 * engine.mapMaxX + 1;  // calls between two showings
  std::vector<svc::headless::DrawCall> black, red;
  for (const auto& c : svc::headless::draw_calls()) {
    if (c.kind != "box") continue;
    (c.colour == 0 ? black : red).push_back(c);
  }
  // The bar is drawn whenever it is shown, and once more with its final state.
  const int flips = static_cast<int>(calls("flip").size());
  EXPECT_GE(flips, 1);
  EXPECT_LE(flips, cells / period);
  ASSERT_EQ(black.size(), red.size());
  ASSERT_GE(black.size(), static_cast<size_t>(flips));
  for (size_t i = 0; i < black.size(); i++) {
    EXPECT_EQ(black[i].a, 0);
    EXPECT_EQ(black[i].b, 680);  // 85 % of 800
    EXPECT_EQ(black[i].c, 1000);
    EXPECT_EQ(black[i].d, 9);
    EXPECT_EQ(red[i].b, 680);
    EXPECT_EQ(red[i].d, 8);
    if (i > 0) {
      EXPECT_GE(red[i].c, red[i - 1].c);
    }
  }
  // The red bar starts at 1 pixel and grows by the width over mapMaxX * mapMaxY per cell.
  const float step = 1000.0f / (engine.mapMaxX * engine.mapMaxY);
  EXPECT_NEAR(red.front().c, 1.0f + step * period, 1.0);
  EXPECT_NEAR(red.back().c, 1.0f + step * cells, 1.0);
}

TEST_F(Labyrinth, GroundSpritesAreFittedToTheCellSize) {
  write_config(lab_config(40, 40, {{"TOPOGFX", "ground/"}, {"GFXCODEC", ".bmp"}, {"RESOLUTION", "24"}}));
  for (const std::string& tile : kTiles) write_bmp("ground/" + tile + ".bmp", 8, 8, 100, 100, 100);
  int fitted = 0, wrong = 0;
  start_engine([&] {
    for (int x = 0; x <= engine.mapMaxX; x++)
      for (int y = 0; y <= engine.mapMaxY; y++) {
        int w = 0, h = 0;
        if (!svc::headless::sprite3d_size(at(x, y).groundSprite, &w, &h)) {
          wrong++;
          continue;
        }
        (w == 24 && h == 24) ? fitted++ : wrong++;
      }
  });
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(fitted, (engine.mapMaxX + 1) * (engine.mapMaxY + 1));
  EXPECT_EQ(engine.zoomedCellSize, 24);
}

}  // namespace
