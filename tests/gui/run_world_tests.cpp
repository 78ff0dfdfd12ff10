// run_world_tests.cpp -- the built simengine on the demo world under a real X display: pictures and
// objects on screen, the cursor moving and then scrolling with the arrow keys, the wheel zooming
//
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24"); each test copies examples/world into a
// temporary folder and starts simengine there.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

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
    std::string pattern = (fs::temp_directory_path() / "world_run_XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir = std::string(buf.data()) + "/";
    std::error_code ec;
    fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/world", dir, fs::copy_options::recursive, ec);
    ASSERT_FALSE(ec) << ec.message();
    start();
  }

  void TearDown() override {
    if (pid > 0) {
      kill(pid, SIGTERM);
      for (int i = 0; i < 40 && waitpid(pid, nullptr, WNOHANG) == 0; i++) sleep_ms(50);
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
      std::string binary = std::string(SUITE_BINARY_DIR) + "/engine/simengine";
      execl(binary.c_str(), "simengine", static_cast<char*>(nullptr));
      _exit(91);
    }
    const std::string command =
        "xwininfo -root -tree 2>/dev/null | grep -F '\"Orvanel world demo\":' | awk '{print $1}' | head -1";
    for (int waited = 0; waited <= 10000 && window.empty(); waited += 200) {
      window = shell_output(command);
      if (window.empty()) sleep_ms(200);
    }
    ASSERT_FALSE(window.empty()) << "no simengine window";
    sleep_ms(1500);  // the map loads and the first frames are drawn
    std::system(("xdotool windowfocus --sync " + window + " 2>/dev/null").c_str());
  }

  std::string shot() {
    std::string path = dir + "shot" + std::to_string(shots++) + ".png";
    std::system(("import -window root " + path).c_str());
    return path;
  }

  // Holds a key for a while, as a person would.
  void hold(const std::string& key, int ms) {
    std::system(("xdotool keydown " + key).c_str());
    sleep_ms(ms);
    std::system(("xdotool keyup " + key).c_str());
    sleep_ms(300);
  }

  // Share of the screen whose colour lies within `fuzz` of `colour`.
  static double share(const std::string& png, const std::string& colour, int fuzz) {
    std::string out = shell_output("/usr/bin/convert " + png + " -fuzz " + std::to_string(fuzz) + "% -fill white -opaque '" +
                                   colour + "' -fill black +opaque white -format '%[fx:mean]' info:");
    return std::atof(out.c_str());
  }

  static Box cursor_box(const std::string& png) {
    std::string g = shell_output("/usr/bin/convert " + png + " -fill black +opaque '#FF0000' -format '%@' info:");
    Box b;
    if (std::sscanf(g.c_str(), "%dx%d+%d+%d", &b.w, &b.h, &b.x, &b.y) != 4) return Box{};
    return b;
  }

  // Pixels that differ between two screenshots inside a region (geometry WxH+X+Y).
  long difference(const std::string& a, const std::string& b, const std::string& region) {
    std::system(("/usr/bin/convert " + a + " -crop " + region + " +repage " + dir + "crop_a.png").c_str());
    std::system(("/usr/bin/convert " + b + " -crop " + region + " +repage " + dir + "crop_b.png").c_str());
    return std::atol(shell_output("compare -metric AE " + dir + "crop_a.png " + dir + "crop_b.png null: 2>&1").c_str());
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
  std::system("xdotool click 4");  // one notch towards the user's screen: larger cells
  sleep_ms(500);
  EXPECT_EQ(cursor_box(shot()).w, 33);
  for (int i = 0; i < 3; i++) {
    std::system("xdotool click 5");
    sleep_ms(200);
  }
  sleep_ms(400);
  EXPECT_EQ(cursor_box(shot()).w, 30);
}

}  // namespace
