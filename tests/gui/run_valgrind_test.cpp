// run_valgrind_test.cpp -- dnaedit and mapconvert under valgrind's memcheck: start, one menu command,
// quit, and not one invalid read or write
//
// FLTK is not built with AddressSanitizer, so memory that the toolkit reads after the program freed
// it (a menu bar reading its items while its window hides) shows only under valgrind. Each program
// is driven with xdotool through its menu bar; every step waits for a window or for the program's
// end, with deadlines long enough for valgrind on a busy machine. Sanitizer builds skip these tests
// (valgrind cannot run them). Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24").
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/xdo.h"

namespace {

using support::read_file;
using support::sleep_ms;

const std::string kEditor = std::string(SUITE_BINARY_DIR) + "/dnaedit/dnaedit";
const std::string kConverter = std::string(SUITE_BINARY_DIR) + "/mapconvert/mapconvert";

int run(const std::string& command) { return support::shell(command); }

std::string find_window(const std::string& title_regex, int ms) { return support::shown_window(title_regex, ms); }

class UnderValgrind : public ::testing::Test {
 protected:
  std::string dir, valgrind;
  pid_t pid = -1;

  void SetUp() override {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "valgrind cannot run a sanitizer build";
#endif
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    if (run("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool missing";
    valgrind = support::shell_line("command -v valgrind");
    if (valgrind.empty()) GTEST_SKIP() << "valgrind missing (scripts/setup installs it)";
    dir = support::make_temp_folder("vgrun", "/tmp");
    ASSERT_NE(dir, "");
    support::prepare_fltk_home(dir);
  }

  void TearDown() override {
    support::end_program(pid);
    if (!HasFailure() && !dir.empty()) support::remove_folder(dir);
  }

  void write(const std::string& name, const std::string& bytes) { support::write_file(dir + name, bytes); }

  bool start(const std::string& program) {
    support::ProgramRun r;
    r.binary = valgrind;
    r.folder = dir;
    r.stderr_file = dir + "stderr.txt";
    r.fltk_home = true;
    r.arguments = {"--error-exitcode=99", "--log-file=" + dir + "valgrind.log", program};
    pid = support::start_program(r);
    return pid > 0;
  }

  // Starts the program and waits for its first window; "" when none came. A program that ended
  // before showing one is started again when the X server refused it a connection (it does so now
  // and then on a loaded machine), and otherwise given up on at once.
  std::string start_and_find(const std::string& program, const std::string& title_regex) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (!start(program)) return "";
      for (int waited = 0; waited < 180000; waited += 1000) {
        std::string id = find_window(title_regex, 1000);
        if (!id.empty()) return id;
        if (wait_end(0) != -1) break;
      }
      if (pid > 0 || read_file(dir + "stderr.txt").find("no display") == std::string::npos) return "";
    }
    return "";
  }

  // The program's exit code once it ended, -1 while it runs on (valgrind's is 99 after an error).
  int wait_end(int ms) { return support::wait_exit(pid, ms, 200); }

  // What valgrind reported: its error summary and the first error, for the failure message.
  std::string report() {
    std::string log = read_file(dir + "valgrind.log");
    size_t first = log.find("Invalid");
    size_t summary = log.find("ERROR SUMMARY");
    return (first == std::string::npos ? "" : log.substr(first, 2000)) + "\n" +
           (summary == std::string::npos ? "no summary" : log.substr(summary, 80));
  }

  bool clean() { return read_file(dir + "valgrind.log").find("ERROR SUMMARY: 0 errors") != std::string::npos; }

  // Opens the menu bar with a click on its first title, moves Right to the title_index-th title
  // and Down to the item_index-th item (from 0), and picks it; tried again when `happened` does
  // not come true, after a click on the window's body closes a menu left open.
  bool pick(const std::string& window, int x, int title_index, int item_index, const std::function<bool()>& happened) {
    std::vector<std::string> keys(title_index, "Right");
    keys.insert(keys.end(), item_index + 1, "Down");
    keys.push_back("Return");
    for (int attempt = 0; attempt < 3; ++attempt) {
      support::focus_window(window);
      run("xdotool mousemove --window " + window + " " + std::to_string(x) + " 12 click 1");
      sleep_ms(1500);
      // One key at a time: under valgrind a menu takes its time to follow each key.
      for (const std::string& key : keys) {
        run("xdotool key " + key);
        sleep_ms(1500);
      }
      if (happened()) return true;
      run("xdotool mousemove --window " + window + " 600 500 click 1");
      sleep_ms(1000);
    }
    return false;
  }

  // Answers the box whose title matches with its default button (OK or Yes).
  bool answer(const std::string& title_regex) {
    std::string box = find_window(title_regex, 1000);
    if (box.empty()) return false;
    for (int attempt = 0; attempt < 3; ++attempt) {
      support::press_keys(box, "Return", 800, 200);
      if (support::shown_window_gone(title_regex, 20000)) return true;
    }
    return false;
  }

  std::function<bool()> box_shown(const std::string& title_regex) {
    return [this, title_regex] { return !find_window(title_regex, 60000).empty(); };
  }
};

TEST_F(UnderValgrind, DnaeditLoadsAndQuits) {
  for (const char* name : {"ini.qz61", "qz61_menu.txt", "qz61.qz61"})
    support::write_file(dir + name, read_file(std::string(SUITE_SOURCE_DIR) + "/examples/dna/" + name));
  std::string editor = start_and_find(kEditor, "^QZ61 DNA Editor");
  ASSERT_NE(editor, "") << read_file(dir + "stderr.txt") << report();
  sleep_ms(2000);  // The menu bar is drawn and takes clicks

  // RGB DNA > Load default DNA, then Project > Quit and Yes.
  ASSERT_TRUE(pick(editor, 30, 1, 1, box_shown("^Information QZ61")));
  ASSERT_TRUE(answer("^Information QZ61"));
  ASSERT_TRUE(pick(editor, 30, 0, 3, box_shown("QZ61 QUESTION")));
  ASSERT_TRUE(answer("QZ61 QUESTION"));
  EXPECT_EQ(wait_end(120000), 0) << report();
  EXPECT_TRUE(clean()) << report();
}

TEST_F(UnderValgrind, DnaeditEndsCleanlyWithoutItsMenuFile) {
  write("ini.qz61", "window_w\n0.5\nwindow_h\n0.5\nqz61_source\nqz61.qz61\nqz61_menu\nmissing.txt\n");
  write("qz61.qz61", "KEY\nvalue\n");
  ASSERT_NE(start_and_find(kEditor, "^ERROR_ QZ61:"), "") << read_file(dir + "stderr.txt") << report();
  ASSERT_TRUE(answer("^ERROR_ QZ61:"));
  EXPECT_EQ(wait_end(120000), 0) << report();
  EXPECT_TRUE(clean()) << report();
}

TEST_F(UnderValgrind, MapconvertShowsItsInfoAndQuits) {
  write("ini.ini", "settings of the test\r\nsettings.txt\r\n");
  write("settings.txt", "TITLE\r\nVG\r\n");
  std::string main = start_and_find(kConverter, "^VARDO BY ORVANEL. VG$");
  ASSERT_NE(main, "") << read_file(dir + "stderr.txt") << report();
  sleep_ms(2000);

  // INFO > ABOUT, then PROJECT > QUIT.
  ASSERT_TRUE(pick(main, 15, 2, 0, box_shown("^Info:$")));
  ASSERT_TRUE(answer("^Info:$"));
  int code = -1;
  ASSERT_TRUE(pick(main, 15, 0, 1, [&] { return (code = wait_end(60000)) != -1; }));
  EXPECT_EQ(code, 0) << report();
  EXPECT_TRUE(clean()) << report();
}

}  // namespace
