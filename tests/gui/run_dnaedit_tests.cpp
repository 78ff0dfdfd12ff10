// run_dnaedit_tests.cpp -- the built dnaedit under a real X display: load through the menu, edit, save, quit
//
// Runs in a copy of examples/dna; screenshots of each step go to <build>/dnaedit_gui_shots/.
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24").
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int sh(const std::string& command) { return std::system(command.c_str()); }

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The id of a visible window whose name matches, "" when none shows up within `ms`.
std::string find_window(const std::string& name_regex, int ms = 10000) {
  for (int waited = 0; waited <= ms; waited += 200) {
    std::string id;
    if (FILE* p = popen(("xdotool search --onlyvisible --name '" + name_regex + "' 2>/dev/null | head -1").c_str(), "r")) {
      char buf[64] = {0};
      if (fgets(buf, sizeof buf, p)) id = buf;
      pclose(p);
    }
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
    if (!id.empty()) return id;
    sleep_ms(200);
  }
  return "";
}

class DnaeditRun : public ::testing::Test {
 protected:
  std::string dir, shots;
  pid_t pid = -1;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    char pattern[] = "/tmp/dnaedit_run_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = std::string(pattern) + "/";
    fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/dna", dir);
    fs::create_directories(dir + "home/.fltk/fltk.org");
    std::ofstream(dir + "home/.fltk/fltk.org/fltk.prefs")
        << "; FLTK preferences file format 1.0\n; vendor: fltk.org\n; application: fltk\n\n[.]\n\n"
           "[./options]\n\nFNFCUsesGTK:0\n";
    std::ofstream(dir + "lsan.supp") << "leak:libfontconfig.so\n";
    shots = std::string(SUITE_BINARY_DIR) + "/dnaedit_gui_shots/";
    fs::create_directories(shots);
  }

  void TearDown() override {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  void start() {
    pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (chdir(dir.c_str()) != 0) _exit(90);
      // FLTK's own file chooser (chosen in the preferences under HOME): the same keys work on every machine,
      // whether or not GTK is installed.
      setenv("HOME", (dir + "home").c_str(), 1);
      // A sanitizer build must not fail on fontconfig's own caches, which it never frees.
      std::string lsan = "suppressions=" + dir + "lsan.supp:print_suppressions=0";
      if (const char* old = std::getenv("LSAN_OPTIONS")) lsan = std::string(old) + ":" + lsan;
      setenv("LSAN_OPTIONS", lsan.c_str(), 1);
      if (!std::freopen((dir + "stderr.txt").c_str(), "w", stderr)) _exit(92);
      std::string binary = std::string(SUITE_BINARY_DIR) + "/dnaedit/dnaedit";
      execl(binary.c_str(), "dnaedit", static_cast<char*>(nullptr));
      _exit(91);
    }
  }

  int wait_exit(int ms) {
    for (int waited = 0; waited <= ms; waited += 50) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
      }
      sleep_ms(50);
    }
    return -1;
  }

  void shot(const std::string& name) { sh("import -window root " + shots + name + ".png"); }

  // Focuses the window and presses the keys.
  void keys(const std::string& window, const std::string& keys) {
    sh("xdotool windowfocus --sync " + window + " 2>/dev/null; sleep 0.2; xdotool key --delay 100 " + keys);
  }

  // Opens the first drop-down of the bar and picks its n-th item with the keyboard.
  void pick_menu_item(const std::string& editor_window, int n) {
    sh("xdotool mousemove --window " + editor_window + " 30 12 click 1");
    sleep_ms(500);
    std::string downs;
    for (int i = 0; i < n; ++i) downs += " Down";
    sh("xdotool key --delay 100" + downs + " Return");
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

  // Project > Load DNA...
  pick_menu_item(editor, 1);
  std::string dialog = find_window("Choose a DNA file");
  ASSERT_NE(dialog, "");
  sleep_ms(1000);
  // The chooser opens in the working folder, its name field holding that folder's path.
  sh("xdotool windowfocus --sync " + dialog + " 2>/dev/null; sleep 0.3; xdotool key End;"
     " xdotool type --delay 50 255128000_forest.txt; sleep 0.5");
  shot("2_path_typed");
  sh("xdotool key Return");
  answer_box("Information QZ61", "2_loaded");
  ASSERT_NE(find_window("255128000_forest.txtR:255G:128B:000"), "");

  // Field 4 holds the value "oak.png": click it, replace the text by typing.
  sh("xdotool mousemove --window " + editor + " 100 133 click 1; sleep 0.3; xdotool key ctrl+a;"
     " xdotool type --delay 50 tree.dll");
  sleep_ms(300);
  shot("3_edited");

  // Project > Save, then Project > Quit and Yes.
  pick_menu_item(editor, 2);
  answer_box("Information QZ61", "4_saved");
  pick_menu_item(editor, 4);
  answer_box("QZ61 QUESTION", "5_quit");
  EXPECT_EQ(wait_exit(10000), 0) << read_file(dir + "stderr.txt");

  EXPECT_EQ(read_file(dir + "255128000_forest.txt"),
            "GFXNAME\r\nforest.png\r\nCHILD1\r\ntree.dll\r\nCHILD2\r\nfern.png\r\nHEIGHT\r\n3\r\n");
  EXPECT_NE(read_file(dir + "qz61_log.txt").find("WINDOWTITLE: QZ61 DNA Editor\r\n"), std::string::npos);
}

}  // namespace
