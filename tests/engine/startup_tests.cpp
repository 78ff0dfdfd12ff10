// startup_tests.cpp -- simengine's start-up order, its failures, the main loop and shutdown
#include <csignal>
#include "core/fatal.h"
#include "engine_fixture.h"
#include "services/faults.h"

namespace {

using svc::headless::messages;

class StartupTest : public EngineFixture {
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

  std::string only_message() {
    EXPECT_EQ(messages().size(), 1u);
    return messages().empty() ? "" : messages()[0].text;
  }
};

TEST_F(StartupTest, MissingConfigurationShowsTheFullPathAndOpensNoWindow) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(run_engine(), 0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(messages().at(0).title, "ERROR ");
  EXPECT_EQ(only_message(), " Could not open " + dir + "DATA/ini.txt");
  EXPECT_NE(err.find(dir + "DATA/ini.txt"), std::string::npos);
  EXPECT_TRUE(svc::headless::draw_calls().empty());
}

TEST_F(StartupTest, ConfigurationIsReadBeforeTheWindowIsOpened) {
  svc::headless::fail_open_window(true);
  EXPECT_EQ(run_engine(), 0);
  EXPECT_EQ(only_message(), " Could not open " + dir + "DATA/ini.txt");
}

TEST_F(StartupTest, WindowIsBorderlessDesktopSizedAndTitledByAppName) {
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

TEST_F(StartupTest, WithoutAppNameTheTitleIsEmpty) {
  write_config(minimal_config());
  run_recording();
  EXPECT_TRUE(window.exists);
  EXPECT_EQ(window.title, "");
}

TEST_F(StartupTest, WorldContainersAndCursorAreReadyAfterStartUp) {
  write_config(minimal_config());
  svc::headless::set_joystick_present(true);
  run_recording();
  EXPECT_EQ(started.joystickPresent, 1);
  // The world grid of a map start is 513 x 513.
  int columns = -1, rows = -1, cursors = -1;
  svc::headless::run_program([&] {
    engine_startup(true);
    columns = worldState.world.columns;
    rows = worldState.world.rows;
    cursors = svc::list_size(worldState.cursorList);
    engine_shutdown();
    return 0;
  });
  EXPECT_EQ(columns, 513);
  EXPECT_EQ(rows, 513);
  EXPECT_EQ(cursors, 1);
}

TEST_F(StartupTest, WindowFailureIsCodeTwoAndNoScreenIsTried) {
  write_config(minimal_config());
  svc::headless::fail_open_window(true);
  svc::headless::fail_open_screen(true);
  EXPECT_EQ(run_engine(), 0);
  EXPECT_EQ(only_message(), " Could not open window");
}

TEST_F(StartupTest, ScreenFailureIsCodeOne) {
  write_config(minimal_config());
  svc::headless::fail_open_screen(true);
  EXPECT_EQ(run_engine(), 0);
  EXPECT_EQ(only_message(), " Could not open screen");
}

TEST_F(StartupTest, AbsentOrNonPositiveResolutionStopsBeforeTheWindow) {
  for (std::string value : {"", "0", "-32", "abc", "absent"}) {
    svc::headless::reset();
    ConfigPairs cfg = minimal_config();
    if (value == "absent")
      cfg.erase(cfg.begin());
    else
      cfg[0].second = value;
    write_config(cfg);
    svc::headless::fail_open_window(true);  // would be code 2 if the window came first
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_engine(), 0) << value;
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(only_message(), " RESOLUTION in " + dir + "DATA/ini.txt must be a positive number of pixels") << value;
  }
}

TEST_F(StartupTest, MissingStartMapIsCodeFour) {
  write_config({{"RESOLUTION", "32"}, {"APPENTRY", "maps/"}, {"APPSTART", "nowhere"}});
  testing::internal::CaptureStderr();
  EXPECT_EQ(run_engine(), 0);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(only_message(), " Could not open topographic data");
}

TEST_F(StartupTest, MainLoopRunsOneFrameForEveryEventIncludingTheClose) {
  write_config(minimal_config());
  EXPECT_EQ(run_engine({svc::EVENT_NONE, svc::EVENT_REPAINT, svc::EVENT_NONE}), 0);
  // Four passes: three events and the close event, each with its frame and overlay.
  EXPECT_EQ(texts_starting("Debug:  InGameRelativeTimer: ").size(), 4u);
  EXPECT_EQ(svc::headless::draw_calls().back().kind, "flip");
}

TEST_F(StartupTest, ExitCodeIsZeroAfterANormalRun) {
  write_config(minimal_config());
  EXPECT_EQ(run_engine(), 0);
  EXPECT_TRUE(messages().empty());
}

TEST_F(StartupTest, FaultHandlerIsInstalledAtTheEndOfStartUp) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child shares this test's folder
  ConfigPairs cfg = minimal_config();
  cfg.push_back({"LOGPATH", ""});
  cfg.push_back({"LOGFILE", "engine_report.txt"});
  write_config(cfg);
  EXPECT_EXIT(
      {
        svc::headless::run_program([] {
          engine_startup(true);
          std::raise(SIGSEGV);
          return 3;
        });
        std::exit(3);
      },
      testing::ExitedWithCode(0), "");
  std::string report = read_file("engine_report.txt");
  EXPECT_EQ(report.rfind("ENGINE REPORT: ERROR:\r\n", 0), 0u) << report;
}

}  // namespace
