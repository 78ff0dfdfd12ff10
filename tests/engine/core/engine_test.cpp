// engine_test.cpp -- simengine's start-up order, its failures, the main loop and shutdown, and the
// whole engine on a small map
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "services/paths.h"
#include "base/notices.h"
#include "support/engine_fixture.h"
#include "services/faults.h"
#include "services/input.h"
#include "support/real_fault.h"

namespace {

using svc::headless::messages;

class Engine : public EngineFixture {
 protected:
  svc::headless::WindowInfo window{};
  EngineState started;  // the state right after start-up

  // Runs start-up, records the window and state, then the loop (ended by a queued close) and shutdown.
  int run_recording(std::vector<int> events = {}) {
    events.push_back(svc::EVENT_CLOSE);
    for (int e : events) svc::headless::queue_event(e);
    return svc::headless::run_program([this] {
      engine_startup(true);
      window = svc::headless::window_info(engine.window);
      started = engine;
      run_main_loop();
      engine_shutdown();
      return 0;
    });
  }
};

TEST_F(Engine, MissingConfigurationShowsTheFullPathAndOpensNoWindow) {
  std::string err;
  EXPECT_EQ(run_engine({}, &err), 0);
  EXPECT_EQ(messages().at(0).title, "ERROR ");
  EXPECT_EQ(only_message(), " Could not open " + svc::shown_path(dir + "DATA/ini.txt"));
  EXPECT_NE(err.find(svc::shown_path(dir + "DATA/ini.txt")), std::string::npos);
  EXPECT_TRUE(svc::headless::draw_calls().empty());
}

TEST_F(Engine, ConfigurationIsReadBeforeTheWindowIsOpened) {
  svc::headless::fail_open_window(true);
  EXPECT_EQ(run_engine(), 0);
  EXPECT_EQ(only_message(), " Could not open " + svc::shown_path(dir + "DATA/ini.txt"));
}

TEST_F(Engine, WindowIsBorderlessDesktopSizedAndTitledByAppName) {
  svc::headless::set_desktop(1280, 720, 75, 32);
  ConfigPairs cfg = minimal_config();
  cfg.push_back({"APPNAME", "Orvanel"});
  write_config(cfg);
  EXPECT_EQ(run_recording(), 0);
  EXPECT_TRUE(messages().empty());
  EXPECT_TRUE(window.exists);
  EXPECT_EQ(window.x, 0);
  EXPECT_EQ(window.y, 0);
  EXPECT_EQ(window.width, 1280);
  EXPECT_EQ(window.height, 720);
  EXPECT_EQ(window.flags, svc::WINDOW_BORDERLESS);
  EXPECT_EQ(window.title, "Orvanel");
  EXPECT_EQ(started.screenWidth, 1280.0f);
  EXPECT_EQ(started.screenHeight, 720.0f);
  EXPECT_EQ(started.desktopFrequency, 75);
  EXPECT_EQ(started.desktopDepth, 32);
  EXPECT_NE(started.screenResult, 0);
  EXPECT_EQ(started.baseDirectory, dir);
  EXPECT_EQ(started.configPath, dir + "DATA\\ini.txt");
}

TEST_F(Engine, WithoutAppNameTheTitleIsEmpty) {
  write_config(minimal_config());
  run_recording();
  EXPECT_TRUE(window.exists);
  EXPECT_EQ(window.title, "");
}

TEST_F(Engine, WorldContainersAndCursorAreReadyAfterStartUp) {
  write_config(minimal_config());
  svc::headless::set_joystick_present(true);
  run_recording();
  EXPECT_EQ(started.joystickPresent, 1);
  // The world grid of a map start is 513 x 513.
  start_engine();
  EXPECT_EQ(worldState.world.columns, 513);
  EXPECT_EQ(worldState.world.rows, 513);
  EXPECT_EQ(svc::list_size(worldState.cursorList), 1);
}

TEST_F(Engine, WindowFailureIsCodeTwoAndNoScreenIsTried) {
  write_config(minimal_config());
  svc::headless::fail_open_window(true);
  svc::headless::fail_open_screen(true);
  EXPECT_EQ(run_engine(), 0);
  EXPECT_EQ(only_message(), " Could not open window");
}

TEST_F(Engine, ScreenFailureIsCodeOne) {
  write_config(minimal_config());
  svc::headless::fail_open_screen(true);
  EXPECT_EQ(run_engine(), 0);
  EXPECT_EQ(only_message(), " Could not open screen");
}

TEST_F(Engine, AbsentOrNonPositiveResolutionStopsBeforeTheWindow) {
  for (std::string value : {"", "0", "-32", "abc", "absent"}) {
    svc::headless::reset();
    ConfigPairs cfg = minimal_config();
    if (value == "absent")
      cfg.erase(cfg.begin());
    else
      cfg[0].second = value;
    write_config(cfg);
    svc::headless::fail_open_window(true);  // would be code 2 if the window came first
    EXPECT_EQ(run_engine(), 0) << value;
    EXPECT_EQ(only_message(), " RESOLUTION in " + dir + "DATA/ini.txt must be a positive number of pixels") << value;
  }
}

TEST_F(Engine, MissingStartMapIsCodeFour) {
  write_config({{"RESOLUTION", "32"}, {"APPENTRY", "maps/"}, {"APPSTART", "nowhere"}});
  EXPECT_EQ(run_engine(), 0);
  EXPECT_EQ(only_message(), " Could not open topographic data");
}

TEST_F(Engine, MainLoopRunsOneFrameForEveryEventIncludingTheClose) {
  write_config(minimal_config());
  EXPECT_EQ(run_engine({svc::EVENT_NONE, svc::EVENT_REPAINT, svc::EVENT_NONE}), 0);
  // Four passes: three events and the close event, each with its frame and overlay.
  EXPECT_EQ(texts_starting("Debug:  InGameRelativeTimer: ").size(), 4u);
  EXPECT_EQ(svc::headless::draw_calls().back().kind, "flip");
}

TEST_F(Engine, ExitCodeIsZeroAfterANormalRun) {
  write_config(minimal_config());
  EXPECT_EQ(run_engine(), 0);
  EXPECT_TRUE(messages().empty());
}

TEST_F(Engine, FaultHandlerIsInstalledAtTheEndOfStartUp) {
#ifdef _WIN32
  // The statement runs in a new run of the program there, whose engine starts in a folder of its own
  // and writes the report there; ErrorReport.ARealFaultWritesTheReportAndEndsWithZero checks the report.
  GTEST_SKIP() << "the death test's run has its own working folder on Windows";
#endif
  GTEST_FLAG_SET(death_test_style, "fast");  // the child shares this test's folder
  ConfigPairs cfg = minimal_config();
  cfg.push_back({"LOGPATH", ""});
  cfg.push_back({"LOGFILE", "engine_report.txt"});
  write_config(cfg);
  EXPECT_EXIT(
      {
        svc::headless::run_program([] {
          engine_startup(true);
          support::raise_fault(support::FaultKind::MEMORY);
          return 3;
        });
        std::exit(3);
      },
      testing::ExitedWithCode(0), "");
  std::string report = read_file("engine_report.txt");
  EXPECT_EQ(report.rfind("ENGINE REPORT: ERROR:\r\n", 0), 0u) << report;
}

class WorldEngine : public EngineFixture {
 protected:
  // A 4 x 3 map (5 x 4 entries): grass everywhere, water (colliding) in column 2, trees on grass.
  void write_small_world() {
    write_bmp("topo/grass.bmp", 8, 8, 0, 160, 0);
    write_bmp("topo/water.bmp", 8, 8, 0, 0, 200);
    write_bmp("objects/tree.bmp", 4, 4, 120, 60, 0);
    write_lines("objects/tree.dll", {"DGFXNAME", "tree", "DDENSITY", "0", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255",
                                     "DFITTOMATRIX", "1", "DCOLLISION", "1"});
    write_lines("codes/land/000160000", {"GFXNAME", "grass.bmp", "CHILD1", "tree"});
    write_lines("codes/land/000000200", {"GFXNAME", "water.bmp", "USECOLLISION", "1"});
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
    write_lines("maps/land.qz61", code);
    write_lines("maps/land.red", red);
    write_config({{"RESOLUTION", "16"},
                  {"USESPRITE3D", "1"},
                  {"FRAMECACHE", "0"},  // the passes' own draws are counted
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
  write_lines("maps/land.qz61", {"AI", "0", "0", "SourceImage:", "AI-DATA:"});
  write_lines("maps/land.red", {"RED", "0", "0", "SourceImage:", "RED-DATA:", "255"});
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
  forget_world();
  EXPECT_EQ(cell_after_run(), missing);
}

}  // namespace
