// run_mapconvert_test.cpp -- the real mapconvert under Xvfb: open a picture through the menu and the
// file requester, write a red map and an AI map, and compare them with mapscan's for the same screen
//
// The program is driven with xdotool as a person would: a click on the menu bar and the arrow keys,
// paths typed into the requesters, Return on the notices. The program runs with HOME in the test
// folder, whose FLTK preferences pick FLTK's own file chooser: the same keys work on every machine,
// whether or not GTK is installed, and no GTK window lingers after a chooser closes. Every step
// waits generously and tries again, since CI runs this on a slow shared machine without a window
// manager. Screenshots of each step go to <build>/mapconvert_gui_shots/.
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24").
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bmp.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/xdo.h"

namespace {

namespace fs = std::filesystem;

using support::focus_window;
using support::read_file;
using support::shell_output;
using support::sleep_ms;

const std::string kConverter = std::string(SUITE_BINARY_DIR) + "/mapconvert/mapconvert";
const std::string kMapscan = std::string(SUITE_BINARY_DIR) + "/tools/mapscan";
const std::string kShots = std::string(SUITE_BINARY_DIR) + "/mapconvert_gui_shots/";

int run(const std::string& command) { return support::shell(command); }

void shot(const std::string& name) { support::screenshot(kShots + name + ".png"); }

// The id of a shown window whose name is exactly `title`, or "" after waiting `ms`.
std::string find_window(const std::string& title, int ms) { return support::shown_window("^" + title + "$", ms); }

// True once no shown window is named exactly `title`; false when one is still there after `ms`.
bool window_gone(const std::string& title, int ms) { return support::shown_window_gone("^" + title + "$", ms); }

// Gives the window the keyboard and presses the keys (xdotool key names, blank-separated); nothing
// when the window is gone.
bool keys(const std::string& window, const std::string& names) { return support::press_keys(window, names, 300, 150); }

// Clicks the first title of the menu bar; true once its drop-down shows.
bool open_menu(const std::string& main) {
  focus_window(main);
  run("xdotool mousemove --window " + main + " 15 12 click 1");
  return support::unnamed_window_shows(main, 20000);
}

// Closes a drop-down left open: a click on the window's body, until none shows.
void close_menu(const std::string& main) {
  for (int attempt = 0; attempt < 5 && !support::unnamed_windows_of(main).empty(); ++attempt) {
    run("xdotool mousemove --window " + main + " 600 500 click 1");
    for (int waited = 0; waited < 5000 && !support::unnamed_windows_of(main).empty(); waited += 200) sleep_ms(200);
  }
}

// Picks an item of the menu bar: a click on its first title opens it, Right moves to the
// title_index-th title, Down to the item_index-th item (from 0), Return picks it. When the window
// that the item opens does not come, a click on the window's body closes a menu left open, and the
// pick is tried again.
bool pick(const std::string& main, int title_index, int item_index, const std::string& expected_window) {
  std::string moves;
  for (int i = 0; i < title_index; ++i) moves += " Right";
  for (int i = 0; i <= item_index; ++i) moves += " Down";
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!find_window(expected_window, 0).empty()) return true;  // The last try's window came late
    if (open_menu(main)) {
      run("xdotool key --delay 150" + moves + " Return");
      if (!find_window(expected_window, 20000).empty()) return true;
    }
    shot("pick_failed_" + std::to_string(attempt));
    if (!find_window(expected_window, 0).empty()) return true;
    close_menu(main);
  }
  return false;
}

// Closes the untitled alert that FLTK's chooser shows over itself for a file that does not exist:
// a shown window without a name from the same X client as the chooser.
void close_chooser_alert(const std::string& chooser) {
  for (const std::string& id : support::unnamed_windows_of(chooser)) keys(id, "Return");
}

// Answers FLTK's file chooser, whose name field has the focus and holds an absolute path: all of it
// but its leading "/" is selected and replaced by the typed path. (Typing over the whole field
// would not do: a lone "/" in the field moves the chooser to the top of the file system and empties
// the field, and a name typed into an empty field is taken as relative, each key anew.) Delete drops
// the rest of a name the chooser may have completed; Return picks the file. The folder chooser
// first moves into a folder typed in it and takes it with a second Return.
bool choose(const std::string& title, const std::string& path, bool folder, const std::string& shot_name) {
  const std::string id = find_window(title, 30000);
  if (id.empty()) {
    shot(shot_name + "_missing");
    return false;
  }
  sleep_ms(1000);  // The chooser reads the folder before it takes keys
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!keys(id, "Home Right shift+End")) return window_gone(title, 0);
    sleep_ms(200);
    run("xdotool type --delay 40 '" + path.substr(1) + "'");
    sleep_ms(500);
    run("xdotool key Delete");
    sleep_ms(300);
    shot(shot_name + (attempt ? "_" + std::to_string(attempt) : std::string()));
    run("xdotool key Return");
    if (folder) {
      sleep_ms(1500);
      keys(id, "Return");
    }
    if (window_gone(title, 20000)) return true;
    shot(shot_name + "_stuck_" + std::to_string(attempt));
    close_chooser_alert(id);  // Then whatever was typed is typed again
    sleep_ms(500);
  }
  return false;
}

// Answers a notice or question with its default button (Yes or OK).
bool confirm(const std::string& title, const std::string& shot_name) {
  const std::string id = find_window(title, 120000);  // A scan runs before its closing notice
  if (id.empty()) {
    shot(shot_name + "_missing");
    return false;
  }
  shot(shot_name);
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!keys(id, "Return")) return window_gone(title, 0);
    if (window_gone(title, 10000)) return true;
  }
  return false;
}

// A 24-bit BMP of four coloured quarters with a red ramp, so the AI map has a few dozen codes.
std::string test_picture(int width, int height) {
  return support::bmp_bytes(width, height, [&](int x, int y) {
    const bool right = x >= width / 2, low = y >= height / 2;
    return support::Rgb{(x / 4) * 20 % 256, right ? 180 : 30, low ? 200 : 10};  // a red ramp
  });
}

class MapconvertWindow : public ::testing::Test {
 protected:
  std::string dir;
  pid_t child = -1;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    if (run("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool missing";
    ASSERT_TRUE(fs::exists(kConverter));
    // Letters and digits only in the folder's name, so every typed character is on the keymap.
    dir = support::make_temp_folder("mcgui", "/tmp");
    ASSERT_NE(dir, "");
    support::prepare_fltk_home(dir);
    std::error_code ec;
    fs::remove_all(kShots, ec);
    fs::create_directories(kShots);
  }

  void TearDown() override {
    support::end_program(child);
    if (!HasFailure()) support::remove_folder(dir);
  }

  void write(const std::string& name, const std::string& bytes) { support::write_file(dir + name, bytes); }

  // Starts the converter in the test folder, its HOME there too.
  void start() {
    support::ProgramRun program{kConverter, dir, dir + "converter.log"};
    program.fltk_home = true;
    child = support::start_program(program);
    ASSERT_GE(child, 0);
  }

  // Waits for the converter to end; its exit code, or -1 when it is still running.
  int wait_end(int ms) { return support::wait_exit(child, ms, 100); }
};

TEST_F(MapconvertWindow, MenuCommandsWriteTheMapsThatMapscanWrites) {
  write("ini.ini", "settings of the test\r\nsettings.txt\r\n");
  write("settings.txt", "TITLE\r\nGUI\r\nCODEC\r\n.cell\r\n");
  write("pic.bmp", test_picture(48, 30));
  fs::create_directory(dir + "codes");
  fs::create_directory(dir + "ref");
  fs::create_directory(dir + "ref/codes");
  start();

  const std::string main = find_window("VARDO BY ORVANEL. GUI", 60000);
  ASSERT_FALSE(main.empty()) << read_file(dir + "converter.log");
  shot("1_start");
  const int project = 0, scanmap = 1;

  // PROJECT / OPEN_PICTURE, then the picture's path in the open requester.
  ASSERT_TRUE(pick(main, project, 0, "OPEN SOURCE PIC TO CONVERT"));
  ASSERT_TRUE(choose("OPEN SOURCE PIC TO CONVERT", dir + "pic.bmp", false, "2_open"));
  // The picture shows: its top-left columns are (0, 30, 10).
  EXPECT_TRUE(support::screenshot_until(
      kShots + "3_picture.png",
      [](const std::string& png) { return support::pixels_of_colour(png, "#001E0A", 0) >= 40; }, 60000));

  // RGB SCANMAP: / SAVE_RED_MAP as "land".
  ASSERT_TRUE(pick(main, scanmap, 1, "SAVE RED MAP AS...:"));
  ASSERT_TRUE(choose("SAVE RED MAP AS...:", dir + "land", false, "4_red"));
  ASSERT_TRUE(confirm("Info:", "5_red_done"));

  // RGB SCANMAP: / MAKE_AI_MAP: warning, map name, destination folder.
  ASSERT_TRUE(pick(main, scanmap, 4, "Attention:"));
  ASSERT_TRUE(confirm("Attention:", "6_warning"));
  ASSERT_TRUE(choose("SAVE AI MAP AS:", dir + "land", false, "7_ai"));
  ASSERT_TRUE(choose("PLEASE QZ61 DESTINATION:", dir + "codes", true, "8_folder"));
  ASSERT_TRUE(confirm("Info:", "9_ai_done"));

  // PROJECT / QUIT ends the program; the window's close button stands in when the pick is lost.
  if (open_menu(main)) run("xdotool key --delay 150 Down Down Return");
  int code = wait_end(20000);
  if (code == -1) {
    shot("10_quit_failed");
    run("xdotool windowclose " + main + " 2>/dev/null");
    code = wait_end(20000);
  }
  EXPECT_EQ(code, 0) << read_file(dir + "converter.log");

  // mapscan on a screen of the desktop's size writes the same bytes and the same files.
  const std::string screen = support::display_size();
  ASSERT_NE(screen, "");
  // The picture as the open requester gave it (line 4 of the map).
  const std::string red = read_file(dir + "land.red");
  const size_t tag = red.find("SourceImage:"), end = red.find("\r\n", tag);
  ASSERT_NE(end, std::string::npos) << "no red map written";
  const std::string picture = red.substr(tag + 12, end - tag - 12);
  EXPECT_EQ(fs::path(picture).lexically_normal().string(), dir + "pic.bmp");
  ASSERT_EQ(run("cd '" + dir + "ref' && '" + kMapscan + "' red '" + picture + "' land --screen " + screen), 0);
  ASSERT_EQ(run("cd '" + dir + "ref' && '" + kMapscan + "' ai '" + picture + "' land --screen " + screen +
                " --dest codes --codec .cell"),
            0);

  EXPECT_TRUE(red == read_file(dir + "ref/land.red"));
  EXPECT_TRUE(read_file(dir + "land.qz61") == read_file(dir + "ref/land.qz61"));
  const auto codes = support::names_in(dir + "codes");
  EXPECT_GT(codes.size(), 5u);
  EXPECT_EQ(codes, support::names_in(dir + "ref/codes"));
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.front(), "000000000.cell");
}

}  // namespace
