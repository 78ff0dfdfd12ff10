// run_simengine_tests.cpp -- the built simengine under a real X display: window, overlay, leaving it
//
// Each test starts the program in a temporary folder, drives it with xdotool and reads its exit
// status. Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24").
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string shell_output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class SimengineRun : public ::testing::Test {
 protected:
  std::string dir;
  pid_t pid = -1;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    std::string pattern = (fs::temp_directory_path() / "simengine_run_XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir = std::string(buf.data()) + "/";
  }

  void TearDown() override {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  void write_file(const std::string& relative, const std::string& bytes) {
    fs::path p = dir + relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }

  // A 4 x 4 map world with a cell size of 32 pixels.
  void write_world() {
    std::string code = "QZ61\r\n3\r\n3\r\n\r\n\r\n", red = "RED\r\n3\r\n3\r\n\r\n\r\n";
    for (int i = 0; i < 16; i++) {
      code += "000\r\n000\r\n000\r\n";
      red += "255\r\n";
    }
    write_file("maps/start.qz61", code);
    write_file("maps/start.red", red);
    write_file("DATA/ini.txt", "RESOLUTION\r\n32\r\nAPPENTRY\r\nmaps/\r\nAPPSTART\r\nstart\r\nAPPNAME\r\nsimtest\r\n");
  }

  // A plain 24-bit BMP of one colour.
  void write_bmp(const std::string& relative, int size, int r, int g, int b) {
    int rowBytes = (size * 3 + 3) / 4 * 4;
    std::string bmp(54 + rowBytes * size, '\0');
    auto put32 = [&](int at, uint32_t v) {
      for (int i = 0; i < 4; i++) bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, bmp.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, size);
    put32(22, size);
    bmp[26] = 1;
    bmp[28] = 24;
    for (int y = 0; y < size; y++)
      for (int x = 0; x < size; x++) {
        size_t at = 54 + y * rowBytes + x * 3;
        bmp[at] = static_cast<char>(b);
        bmp[at + 1] = static_cast<char>(g);
        bmp[at + 2] = static_cast<char>(r);
      }
    write_file(relative, bmp);
  }

  // A labyrinth world: one coloured ground picture per tile, drawn at 16 pixels a cell.
  void write_labyrinth() {
    struct Tile { const char* name; int r, g, b; };
    const Tile tiles[] = {{"LAB_WALL", 90, 90, 100},    {"LAB_FLOOR", 200, 190, 150}, {"LAB_GREEN", 40, 160, 60},
                          {"LAB_WATER", 40, 90, 200},   {"LAB_WALL_E", 70, 70, 80},   {"LAB_GREEN_E", 30, 120, 45},
                          {"LAB_WATER_E", 30, 70, 160}, {"LAB_WALL_S", 60, 60, 70},   {"LAB_GREEN_S", 25, 100, 40},
                          {"LAB_WATER_S", 25, 60, 140}};
    for (const Tile& t : tiles) {
      write_file(std::string("codes/lab/") + t.name, std::string("GFXNAME\r\n") + t.name + ".bmp\r\n");
      write_bmp(std::string("ground/") + t.name + ".bmp", 16, t.r, t.g, t.b);
    }
    write_file("base.txt", "BASE\r\n120\r\n80\r\n\r\n\r\n");
    write_file("DATA/ini.txt",
               "RESOLUTION\r\n16\r\nWINDOWMODE\r\n1\r\nUSESELFCREATEBASE\r\n1\r\nSELFCREATEBASE\r\nbase.txt\r\n"
               "WORLDRANDOM\r\n11\r\nRGBCODEPATH\r\ncodes/\r\nAPPSTART\r\nlab\r\nTOPOGFX\r\nground/\r\n"
               "GFXCODEC\r\n.bmp\r\nMAPSIZE\r\n100\r\nCURSORSPEED\r\n255\r\nAPPNAME\r\nlabtest\r\n");
  }

  // Pixels that differ between two areas of two screenshots.
  int differing_pixels(const std::string& a, const std::string& b, const std::string& geometry) {
    std::string out = shell_output("/usr/bin/convert " + a + " -crop " + geometry + " +repage " + dir + "ca.png; " +
                                   "/usr/bin/convert " + b + " -crop " + geometry + " +repage " + dir + "cb.png; " +
                                   "/usr/bin/compare -metric AE " + dir + "ca.png " + dir + "cb.png null: 2>&1");
    return std::atoi(out.c_str());
  }

  // Starts simengine in the folder, its standard error going to dir + "stderr.txt".
  void start() {
    pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (chdir(dir.c_str()) != 0) _exit(90);
      FILE* err = std::freopen((dir + "stderr.txt").c_str(), "w", stderr);
      (void)err;
      std::string binary = std::string(SUITE_BINARY_DIR) + "/engine/simengine";
      execl(binary.c_str(), "simengine", static_cast<char*>(nullptr));
      _exit(91);
    }
  }

  // The exit status after at most `ms` milliseconds; -1 when it is still running, -2 on a signal.
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

  // The X window id of the window with exactly this title, "" when none shows up in time.
  std::string find_window(const std::string& title, int ms = 8000) {
    std::string command = "xwininfo -root -tree 2>/dev/null | grep -F '\"" + title + "\":' | awk '{print $1}' | head -1";
    for (int waited = 0; waited <= ms; waited += 200) {
      std::string id = shell_output(command);
      while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
      if (!id.empty()) return id;
      sleep_ms(200);
    }
    return "";
  }

  // Presses and releases a key slowly enough that a frame loop sees it held.
  void press(const std::string& window, const std::string& key) {
    std::system(("xdotool windowfocus --sync " + window + " 2>/dev/null; xdotool keydown " + key +
                 "; sleep 0.2; xdotool keyup " + key).c_str());
  }
};

TEST_F(SimengineRun, OpensADesktopSizedWindowWithTheOverlayAndLeavesOnEscape) {
  write_world();
  start();
  std::string window = find_window("simtest");
  ASSERT_FALSE(window.empty()) << "no simengine window";
  sleep_ms(500);
  std::string geometry = shell_output("xdotool getwindowgeometry " + window);
  std::string root = shell_output("xdotool getdisplaygeometry");
  while (!root.empty() && root.back() == '\n') root.pop_back();
  std::string expected = root.substr(0, root.find(' ')) + "x" + root.substr(root.find(' ') + 1);
  EXPECT_NE(geometry.find("Geometry: " + expected), std::string::npos) << geometry << " vs " << root;
  // The overlay's text colour (255, 255, 200) appears in the top-left corner.
  std::string shot = dir + "shot.png";
  std::system(("import -window root " + shot).c_str());
  std::string pixels = shell_output("/usr/bin/convert " + shot + " -crop 400x80+0+0 txt:- | grep -ci 'FFFFC8'");
  EXPECT_GT(std::atoi(pixels.c_str()), 20) << "overlay text not found";
  press(window, "Escape");
  EXPECT_EQ(wait_exit(5000), 0);
}

TEST_F(SimengineRun, LabyrinthIsShownAndPageUpRebuildsIt) {
  write_labyrinth();
  start();
  std::string window = find_window("labtest");
  ASSERT_FALSE(window.empty()) << "no simengine window";
  sleep_ms(1500);
  std::string before = dir + "before.png", after = dir + "after.png";
  std::system(("import -window root " + before).c_str());
  // The ground shows the tiles' colours: some floor (200, 190, 150) in the world area.
  std::string floor = shell_output("/usr/bin/convert " + before + " -crop 1600x900+0+100 txt:- | grep -ci 'C8BE96'");
  EXPECT_GT(std::atoi(floor.c_str()), 1000) << "no floor tiles on the screen";
  press(window, "Page_Up");
  sleep_ms(1500);
  std::system(("import -window root " + after).c_str());
  EXPECT_GT(differing_pixels(before, after, "1600x900+0+100"), 1000) << "the base did not change";
  EXPECT_GT(differing_pixels(before, after, "300x14+10+24"), 10) << "the overlay's variant line did not change";
  press(window, "Escape");
  EXPECT_EQ(wait_exit(5000), 0);
}

TEST_F(SimengineRun, LeavesWithZeroOnSigterm) {
  write_world();
  start();
  ASSERT_FALSE(find_window("simtest").empty());
  kill(pid, SIGTERM);
  EXPECT_EQ(wait_exit(5000), 0);
}

TEST_F(SimengineRun, MissingConfigurationShowsTheFullPathAndExitsWithZero) {
  start();
  std::string box = find_window("ERROR ");
  ASSERT_FALSE(box.empty()) << "no error box";
  sleep_ms(300);
  std::string shot = dir + "box.png";
  std::system(("import -window root " + shot).c_str());
  press(box, "Return");
  int code = wait_exit(5000);
  if (code == -1) {  // a box that ignores the key: click its only button
    std::system(("xdotool windowfocus --sync " + box + " key space").c_str());
    code = wait_exit(5000);
  }
  EXPECT_EQ(code, 0);
  std::ifstream in(dir + "stderr.txt");
  std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(err.find("Could not open " + dir + "DATA/ini.txt"), std::string::npos) << err;
}

}  // namespace
