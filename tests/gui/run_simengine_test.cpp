// run_simengine_test.cpp -- the built simengine under a real X display: window, overlay, leaving it
//
// Each test starts the program in a temporary folder, drives it with xdotool and reads its exit
// status. Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24").
#include <gtest/gtest.h>
#include <signal.h>
#include <cstdlib>
#include <string>

#include "support/bmp.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/xdo.h"

namespace {

using support::shell;
using support::shell_output;

// How long a test waits for something to show: generous, since the machine may be busy.
constexpr int kPatience = 60000;
// The world area of the screen and the overlay's variant line (geometry WxH+X+Y).
const char* const kWorldArea = "1600x900+0+100";
const char* const kVariantLine = "300x14+10+24";

class SimengineRun : public ::testing::Test {
 protected:
  std::string dir;
  pid_t pid = -1;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    dir = support::make_temp_folder("simengine_run_");
    ASSERT_NE(dir, "");
  }

  void TearDown() override {
    support::end_program(pid);
    support::remove_folder(dir);
  }

  void write_file(const std::string& relative, const std::string& bytes) { support::write_file(dir + relative, bytes); }

  // The title of this test's window: no other test uses it, so no other test's window can be
  // taken for it.
  static std::string title() {
    return std::string("simtest ") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }

  // A 4 x 4 map world with a cell size of 32 pixels, titled title().
  void write_world() {
    std::string code = "QZ61\r\n3\r\n3\r\n\r\n\r\n", red = "RED\r\n3\r\n3\r\n\r\n\r\n";
    for (int i = 0; i < 16; i++) {
      code += "000\r\n000\r\n000\r\n";
      red += "255\r\n";
    }
    write_file("maps/start.qz61", code);
    write_file("maps/start.red", red);
    write_file("DATA/ini.txt",
               "RESOLUTION\r\n32\r\nAPPENTRY\r\nmaps/\r\nAPPSTART\r\nstart\r\nAPPNAME\r\n" + title() + "\r\n");
  }

  // A labyrinth world: one coloured ground picture per tile, drawn at 16 pixels a cell.
  void write_labyrinth() {
    struct Tile {
      const char* name;
      int r, g, b;
    };
    const Tile tiles[] = {{"LAB_WALL", 90, 90, 100},    {"LAB_FLOOR", 200, 190, 150}, {"LAB_GREEN", 40, 160, 60},
                          {"LAB_WATER", 40, 90, 200},   {"LAB_WALL_E", 70, 70, 80},   {"LAB_GREEN_E", 30, 120, 45},
                          {"LAB_WATER_E", 30, 70, 160}, {"LAB_WALL_S", 60, 60, 70},   {"LAB_GREEN_S", 25, 100, 40},
                          {"LAB_WATER_S", 25, 60, 140}};
    for (const Tile& t : tiles) {
      write_file(std::string("codes/lab/") + t.name, std::string("GFXNAME\r\n") + t.name + ".bmp\r\n");
      write_file(std::string("ground/") + t.name + ".bmp", support::solid_bmp(16, 16, t.r, t.g, t.b));
    }
    write_file("base.txt", "BASE\r\n120\r\n80\r\n\r\n\r\n");
    write_file("DATA/ini.txt",
               "RESOLUTION\r\n16\r\nWINDOWMODE\r\n1\r\nUSESELFCREATEBASE\r\n1\r\nSELFCREATEBASE\r\nbase.txt\r\n"
               "WORLDRANDOM\r\n11\r\nRGBCODEPATH\r\ncodes/\r\nAPPSTART\r\nlab\r\nTOPOGFX\r\nground/\r\n"
               "GFXCODEC\r\n.bmp\r\nMAPSIZE\r\n100\r\nCURSORSPEED\r\n255\r\nAPPNAME\r\nlabtest\r\n");
  }

  // Starts simengine in the folder, its standard error going to dir + "stderr.txt".
  void start() {
    pid = support::start_program({std::string(SUITE_BINARY_DIR) + "/engine/simengine", dir, dir + "stderr.txt"});
    ASSERT_GE(pid, 0);
  }

  // The exit status after at most `ms` milliseconds; -1 when it is still running, -2 on a signal.
  int wait_exit(int ms) { return support::wait_exit(pid, ms); }

  // The X window id of the window with exactly this title, "" when none shows up in time.
  std::string find_window(const std::string& title, int ms = kPatience) { return support::window_titled(title, ms); }

  // Presses and releases a key slowly enough that a frame loop sees it held.
  void press(const std::string& window, const std::string& key) {
    support::focus_window(window);
    support::hold_key(key, 200);
  }

  // Pixels that differ between two areas of two screenshots.
  long differing_pixels(const std::string& a, const std::string& b, const std::string& geometry) {
    return support::differing_pixels(a, b, geometry, dir);
  }
};

TEST_F(SimengineRun, OpensADesktopSizedWindowWithTheOverlayAndLeavesOnEscape) {
  write_world();
  start();
  std::string window = find_window(title());
  ASSERT_FALSE(window.empty()) << "no simengine window";
  // The overlay's text colour (255, 255, 200) appears in the top-left corner once a frame is shown.
  const std::string shot = dir + "shot.png";
  EXPECT_TRUE(support::screenshot_until(
      shot, [](const std::string& png) { return support::pixels_of_colour(png, "#FFFFC8", 0, "400x80+0+0") > 20; },
      kPatience))
      << "overlay text not found";
  std::string geometry = shell_output("xdotool getwindowgeometry " + window);
  std::string expected = support::display_size();
  ASSERT_NE(expected, "");
  EXPECT_NE(geometry.find("Geometry: " + expected), std::string::npos) << geometry << " vs " << expected;
  press(window, "Escape");
  EXPECT_EQ(wait_exit(kPatience), 0);
}

TEST_F(SimengineRun, LabyrinthIsShownAndPageUpRebuildsIt) {
  write_labyrinth();
  start();
  std::string window = find_window("labtest");
  ASSERT_FALSE(window.empty()) << "no simengine window";
  // The ground shows the tiles' colours: some floor (200, 190, 150) in the world area.
  const std::string before = dir + "before.png", after = dir + "after.png";
  ASSERT_TRUE(support::screenshot_until(
      before, [](const std::string& png) { return support::pixels_of_colour(png, "#C8BE96", 0, kWorldArea) > 1000; },
      kPatience))
      << "no floor tiles on the screen";
  // Page Up rebuilds the base: the world and the overlay's variant line change. A frame loop slowed
  // down by a busy machine may miss a short press (it acts on the release it sees between two
  // frames), so an unseen press is repeated: any variant but 0 will do.
  bool rebuilt = false;
  for (int attempt = 0; attempt < 4 && !rebuilt; attempt++) {
    press(window, "Page_Up");
    rebuilt = support::screenshot_until(
        after,
        [&](const std::string& png) {
          return differing_pixels(before, png, kWorldArea) > 1000 && differing_pixels(before, png, kVariantLine) > 10;
        },
        kPatience / 4);
  }
  EXPECT_TRUE(rebuilt) << "the base or its variant line did not change";
  press(window, "Escape");
  EXPECT_EQ(wait_exit(kPatience), 0);
}

// The test world's one code has no definition file: the window opens all the same, and one line on
// standard error says so and where the list is.
TEST_F(SimengineRun, LeavesWithZeroOnSigtermAndNamesWorldcheckForWhatIsMissing) {
  write_world();
  start();
  ASSERT_FALSE(find_window(title()).empty());
  kill(pid, SIGTERM);
  EXPECT_EQ(wait_exit(kPatience), 0);
  const std::string err = support::read_file(dir + "stderr.txt");
  EXPECT_NE(err.find("simengine: 1 thing the world names is missing or unusable; run worldcheck in " + dir +
                     " for the list\n"),
            std::string::npos)
      << err;
}

TEST_F(SimengineRun, MissingConfigurationShowsTheFullPathAndExitsWithZero) {
  start();
  std::string box = find_window("ERROR ");
  ASSERT_FALSE(box.empty()) << "no error box";
  // Return picks the box's only button; a box that is not ready for keys yet gets it again.
  int code = -1;
  for (int attempt = 0; attempt < 10 && code == -1; attempt++) {
    press(box, "Return");
    code = wait_exit(3000);
  }
  EXPECT_EQ(code, 0);
  std::string err = support::read_file(dir + "stderr.txt");
  EXPECT_NE(err.find("Could not open " + dir + "DATA/ini.txt"), std::string::npos) << err;
}

}  // namespace
