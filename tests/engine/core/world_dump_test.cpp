// world_dump_test.cpp -- the world dump: its format, and the worlddump program on real folders
#include "services/paths.h"
#include "core/world_dump.h"
#include "support/engine_fixture.h"
#include "support/process.h"

namespace {

class WorldDump : public EngineFixture {
 protected:
  struct Result {
    int exit_code = -1;
    std::string out, err;
  };

  // Runs the built worlddump in the test folder; skips the test when it was not built.
  Result run_tool(const std::string& args = "") {
    Result r;
    std::string tool = std::string(SUITE_BINARY_DIR) + "/tools/worlddump";
    if (!std::filesystem::exists(tool + SUITE_EXE)) return r;
    std::string command = "cd '" + dir + "' && '" + tool + "' " + args + " 2>'" + dir + "err.txt'";
    r.out = support::shell_output(command, &r.exit_code);
    r.err = read_file("err.txt");
    return r;
  }

  bool tool_built() { return std::filesystem::exists(std::string(SUITE_BINARY_DIR) + "/tools/worlddump" + SUITE_EXE); }

  // A labyrinth with objects placed by chance on its floor.
  ConfigPairs lab_with_stones() {
    ConfigPairs cfg = lab_config(70, 50,
                                 {{"RESOLUTION", "16"},
                                  {"WORLDRANDOM", "31"},
                                  {"MAPSIZE", "60"},
                                  {"WORLDGFX", "objects/"},
                                  {"GFXCODEC", ".bmp"}});
    write_lines("codes/lab/LAB_FLOOR", {"GFXNAME", "floor.png", "CHILD1", "#", "CHILD2", "stone"});
    write_bmp("objects/stone.bmp", 2, 2, 90, 90, 90);
    write_lines("objects/stone.dll", {"DGFXNAME", "stone", "DDENSITY", "2"});
    return cfg;
  }
};

TEST_F(WorldDump, FormatListsExtentCursorAndEveryCellColumnByColumn) {
  svc::dim_array(worldState.world, 4, 4);
  engine.mapMaxX = 1;
  engine.mapMaxY = 2;
  Cursor* cursor = svc::add_element(worldState.cursorList);
  cursor->x = 47.5f;  // halves round to even
  cursor->y = 16.0f;
  for (int x = 0; x <= 1; x++)
    for (int y = 0; y <= 2; y++) {
      WorldCell* c = svc::cell(worldState.world, x, y);
      c->code = "C" + std::to_string(x) + std::to_string(y);
      c->loaded = 1;
      c->groundAlpha = 10 * x + y;
      c->lastChildSlot = -1;
    }
  WorldCell* c = svc::cell(worldState.world, 1, 0);
  c->pictureName = "tree.png";
  c->lastChildSlot = 2;
  c->childInstance[0] = 5;
  c->childName[0] = "oak";
  c->childInstance[1] = -1;  // an empty slot is left out
  c->childName[1] = "#";
  c->childInstance[2] = 0;
  c->childName[2] = "fern";
  c->childInstance[3] = 7;  // beyond lastChildSlot
  c->childName[3] = "moss";
  EXPECT_EQ(world_dump_text(),
            "1 2\n"
            "cursor 48 16\n"
            "0\t0\tC00\t1\t0\t\t-1\t\n"
            "0\t1\tC01\t1\t1\t\t-1\t\n"
            "0\t2\tC02\t1\t2\t\t-1\t\n"
            "1\t0\tC10\t1\t10\ttree.png\t2\toak,fern\n"
            "1\t1\tC11\t1\t11\t\t-1\t\n"
            "1\t2\tC12\t1\t12\t\t-1\t\n");
}

TEST_F(WorldDump, ToolGivesTheSameWorldEveryRunAndMatchesTheEngineStartUp) {
  if (!tool_built()) GTEST_SKIP() << "worlddump not built";
  write_config(lab_with_stones());
  Result a = run_tool(), b = run_tool();
  ASSERT_EQ(a.exit_code, 0) << a.err;
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(a.out.find("stone"), std::string::npos);
  // The engine's own start-up (with its window) builds the same world.
  EXPECT_EQ(a.out, start_engine());
}

TEST_F(WorldDump, VariantOptionRebuildsAsTheMainLoopWould) {
  if (!tool_built()) GTEST_SKIP() << "worlddump not built";
  write_config(lab_with_stones());
  Result v2 = run_tool("--variant 2"), again = run_tool("--variant 2"), v0 = run_tool();
  ASSERT_EQ(v2.exit_code, 0) << v2.err;
  EXPECT_EQ(v2.out, again.out);
  EXPECT_NE(v2.out, v0.out);
  const std::string engineDump = start_engine([] {
    engine.baseVariant = 2;
    rebuild_if_variant_changed();
  });
  EXPECT_EQ(v2.out, engineDump);
  // Variant 0 is the base Page Down comes back to, not the start-up base; below 0 counts as 0.
  const Result v0_again = run_tool("--variant 0"), below = run_tool("--variant -3");
  EXPECT_NE(v0_again.out, v0.out);
  EXPECT_EQ(v0_again.out, below.out);
  EXPECT_EQ(v0_again.out, start_engine([] {
    engine.baseVariant = 1;
    rebuild_if_variant_changed();
    engine.baseVariant = 0;
    rebuild_if_variant_changed();
  }));
  // A variant that is not a number is refused with a usage message.
  EXPECT_EQ(run_tool("--variant x").exit_code, 2);
}

TEST_F(WorldDump, MissingFilesGiveTheEngineMessageAndExitCodeOne) {
  if (!tool_built()) GTEST_SKIP() << "worlddump not built";
  Result noConfig = run_tool();
  EXPECT_EQ(noConfig.exit_code, 1);
  EXPECT_EQ(noConfig.out, "");
  EXPECT_EQ(noConfig.err, "ERROR  Could not open " + svc::shown_path(dir + "DATA/ini.txt") + "\n");

  ConfigPairs cfg = lab_with_stones();
  cfg.push_back({"SELFCREATEBASE", "gone.txt"});
  write_config(cfg);
  Result noBase = run_tool();
  EXPECT_EQ(noBase.exit_code, 1);
  EXPECT_EQ(noBase.err, "ERROR  Could not open:" + svc::shown_path(dir + "gone.txt") + "\n");

  write_config({{"RESOLUTION", "16"}, {"APPSTART", "nomap"}});
  Result noMap = run_tool();
  EXPECT_EQ(noMap.exit_code, 1);
  EXPECT_EQ(noMap.err, "ERROR  Could not open topographic data\n");
}

}  // namespace
