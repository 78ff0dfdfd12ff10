// run_world_tests.cpp -- the built simengine on the demo world under a real X display: pictures and
// objects on screen, the cursor moving and then scrolling with the arrow keys, the wheel zooming
//
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24"); each test copies examples/world into a
// temporary folder and starts simengine there.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/process.h"
#include "support/temp_folder.h"
#include "support/xdo.h"

namespace {

namespace fs = std::filesystem;

using support::shell;
using support::shell_line;
using support::sleep_ms;

// The bounding box of the pure red cursor box in a screenshot.
struct Box {
  int w = 0, h = 0, x = -1, y = -1;
};

class WorldRun : public ::testing::Test {
 protected:
  std::string dir;
  std::string window;
  pid_t pid = -1;
  int shots = 0;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    dir = support::make_temp_folder("world_run_");
    ASSERT_NE(dir, "");
    std::error_code ec;
    fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/world", dir, fs::copy_options::recursive, ec);
    ASSERT_FALSE(ec) << ec.message();
    start();
  }

  void TearDown() override {
    support::end_program(pid, 2000);
    support::remove_folder(dir);
  }

  void start() {
    pid = support::start_program({std::string(SUITE_BINARY_DIR) + "/engine/simengine", dir, ""});
    ASSERT_GE(pid, 0);
    window = support::window_titled("Orvanel world demo", 10000);
    ASSERT_FALSE(window.empty()) << "no simengine window";
    sleep_ms(1500);  // the map loads and the first frames are drawn
    support::focus_window(window);
  }

  std::string shot() {
    std::string path = dir + "shot" + std::to_string(shots++) + ".png";
    support::screenshot(path);
    return path;
  }

  // Holds a key for a while, as a person would.
  void hold(const std::string& key, int ms) {
    support::hold_key(key, ms);
    sleep_ms(300);
  }

  // Share of the screen whose colour lies within `fuzz` of `colour`.
  static double share(const std::string& png, const std::string& colour, int fuzz) {
    std::string out =
        shell_line("/usr/bin/convert " + png + " -fuzz " + std::to_string(fuzz) + "% -fill white -opaque '" + colour +
                   "' -fill black +opaque white -format '%[fx:mean]' info:");
    return std::atof(out.c_str());
  }

  static Box cursor_box(const std::string& png) {
    std::string g = shell_line("/usr/bin/convert " + png + " -fill black +opaque '#FF0000' -format '%@' info:");
    Box b;
    if (std::sscanf(g.c_str(), "%dx%d+%d+%d", &b.w, &b.h, &b.x, &b.y) != 4) return Box{};
    return b;
  }

  // Pixels that differ between two screenshots inside a region (geometry WxH+X+Y).
  long difference(const std::string& a, const std::string& b, const std::string& region) {
    return support::differing_pixels(a, b, region, dir);
  }
};

TEST_F(WorldRun, GroundPicturesAndObjectsAreOnScreen) {
  std::string png = shot();
  EXPECT_GT(share(png, "#2a5fa8", 12), 0.05) << "water ground";
  EXPECT_GT(share(png, "#d8c48a", 12), 0.05) << "sand ground";
  EXPECT_GT(share(png, "#8a8780", 10), 0.02) << "rock ground";
  EXPECT_GT(share(png, "#1f5a1f", 6), 0.003) << "tree objects";
  EXPECT_GT(share(png, "#f0e040", 12), 0.0005) << "flower objects";
}

TEST_F(WorldRun, ArrowKeysMoveTheCursorThenScrollTheView) {
  Box before = cursor_box(shot());
  ASSERT_EQ(before.w, 32);
  hold("Right", 1500);
  Box moved = cursor_box(shot());
  EXPECT_GT(moved.x, before.x);
  EXPECT_EQ(moved.y, before.y);
  // On to the last cell left of the middle (x + 32 reaches half the width): from there the view
  // scrolls instead (however fast frames run).
  std::string a = shot();
  Box middle = cursor_box(a);
  for (int i = 0; i < 30 && middle.x + 32 < 960; i++) {
    hold("Right", 1500);
    a = shot();
    middle = cursor_box(a);
  }
  EXPECT_GE(middle.x + 32, 960);
  EXPECT_LT(middle.x, 960);
  hold("Right", 1500);
  std::string b = shot();
  EXPECT_EQ(cursor_box(b).x, middle.x);  // the cursor stays, the world moves under it
  EXPECT_GT(difference(a, b, "900x500+0+500"), 20000);
}

TEST_F(WorldRun, WheelZoomsTheCells) {
  shell("xdotool click 4");  // one notch towards the user's screen: larger cells
  sleep_ms(500);
  EXPECT_EQ(cursor_box(shot()).w, 33);
  for (int i = 0; i < 3; i++) {
    shell("xdotool click 5");
    sleep_ms(200);
  }
  sleep_ms(400);
  EXPECT_EQ(cursor_box(shot()).w, 30);
}

}  // namespace
