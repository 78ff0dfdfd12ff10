// run_dnaedit_test.cpp -- the built dnaedit under a real X display: load through the menu, edit, save, quit
//
// Runs in a copy of examples/dna; screenshots of each step go to <build>/dnaedit_gui_shots/.
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24").
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/xdo.h"

namespace {

namespace fs = std::filesystem;

using support::read_file;

int sh(const std::string& command) { return support::shell(command); }

// The id of a visible window whose name matches, "" when none shows up within `ms`.
std::string find_window(const std::string& name_regex, int ms = 60000) { return support::shown_window(name_regex, ms); }

class DnaeditRun : public ::testing::Test {
 protected:
  std::string dir, shots;
  pid_t pid = -1;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    dir = support::make_temp_folder("dnaedit_run_", "/tmp");
    ASSERT_NE(dir, "");
    fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/dna", dir);
    support::prepare_fltk_home(dir);
    shots = std::string(SUITE_BINARY_DIR) + "/dnaedit_gui_shots/";
    fs::create_directories(shots);
  }

  void TearDown() override {
    support::end_program(pid);
    support::remove_folder(dir);
  }

  // Starts dnaedit in the folder with FLTK's own file chooser (the same keys work on every
  // machine, whether or not GTK is installed), its standard error going to dir + "stderr.txt".
  void start() {
    support::ProgramRun program{std::string(SUITE_BINARY_DIR) + "/dnaedit/dnaedit", dir, dir + "stderr.txt"};
    program.fltk_home = true;
    pid = support::start_program(program);
    ASSERT_GE(pid, 0);
  }

  int wait_exit(int ms) { return support::wait_exit(pid, ms); }

  void shot(const std::string& name) { support::screenshot(shots + name + ".png"); }

  // Focuses the window and presses the keys.
  void keys(const std::string& window, const std::string& keys) { support::press_keys(window, keys, 200, 100); }

  // Opens the first drop-down of the bar and picks its n-th item with the keyboard, until a window
  // whose name matches `expected` shows. A pick that opened nothing closes the drop-down it may
  // have left open and is tried again.
  void pick_menu_item(const std::string& editor_window, int n, const std::string& expected) {
    std::string downs;
    for (int i = 0; i < n; ++i) downs += " Down";
    for (int attempt = 0; attempt < 3; ++attempt) {
      support::focus_window(editor_window);
      sh("xdotool mousemove --window " + editor_window + " 30 12 click 1");
      if (support::unnamed_window_shows(editor_window, 20000)) {
        sh("xdotool key --delay 100" + downs + " Return");
        if (find_window(expected, 20000) != "") return;
      }
      shot("pick_failed_" + std::to_string(n) + "_" + std::to_string(attempt));
      if (find_window(expected, 0) != "") return;
      for (int i = 0; i < 5 && !support::unnamed_windows_of(editor_window).empty(); ++i) {
        sh("xdotool mousemove --window " + editor_window + " 400 400 click 1");
        support::shown_window_gone("^$", 2000);
      }
    }
  }

  // Answers the message box whose title matches with its default button.
  void answer_box(const std::string& title_regex, const std::string& shot_name) {
    std::string box = find_window(title_regex);
    ASSERT_NE(box, "") << "no box " << title_regex;
    shot(shot_name);
    keys(box, "Return");
  }
};

TEST_F(DnaeditRun, LoadEditSaveAndQuit) {
  start();
  std::string editor = find_window("^QZ61 DNA Editor");
  ASSERT_NE(editor, "") << read_file(dir + "stderr.txt");
  shot("1_start");

  // Project > Load DNA..., then the file's path typed into the chooser's name field, again while no
  // notice comes.
  pick_menu_item(editor, 1, "Choose a DNA file");
  std::string dialog = find_window("Choose a DNA file");
  ASSERT_NE(dialog, "");
  for (int attempt = 0; attempt < 3 && find_window("Information QZ61", 0) == ""; ++attempt) {
    if (!support::focus_window(dialog)) break;
    // All but the leading "/" is replaced: a lone "/" would send the chooser to the top folder.
    sh("xdotool key Home Right shift+End; xdotool type --delay 50 '" + dir.substr(1) + "255128000_forest.txt'");
    shot("2_path_typed");
    sh("xdotool key Return");
    find_window("Information QZ61", 20000);
  }
  answer_box("Information QZ61", "2_loaded");
  ASSERT_NE(find_window("255128000_forest.txtR:255G:128B:000"), "");

  // Field 4 holds the value "oak.png": click it, replace the text by typing.
  sh("xdotool mousemove --window " + editor + " 100 133 click 1 key ctrl+a type --delay 50 tree.dll");
  shot("3_edited");

  // Project > Save, then Project > Quit and Yes.
  pick_menu_item(editor, 2, "Information QZ61");
  answer_box("Information QZ61", "4_saved");
  pick_menu_item(editor, 4, "QZ61 QUESTION");
  answer_box("QZ61 QUESTION", "5_quit");
  EXPECT_EQ(wait_exit(10000), 0) << read_file(dir + "stderr.txt");

  EXPECT_EQ(read_file(dir + "255128000_forest.txt"),
            "GFXNAME\r\nforest.png\r\nCHILD1\r\ntree.dll\r\nCHILD2\r\nfern.png\r\nHEIGHT\r\n3\r\n");
  EXPECT_NE(read_file(dir + "qz61_log.txt").find("WINDOWTITLE: QZ61 DNA Editor\r\n"), std::string::npos);
}

}  // namespace
