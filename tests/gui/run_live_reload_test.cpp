// run_live_reload_test.cpp -- the built simengine follows its world's files under a real X display:
// a definition saved as editors save it shows within two seconds with the view where it was, a
// deleted ground picture leaves its cells empty, and ten saves in a row give one rebuild
//
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24"). Each test writes a small world into a
// temporary folder and starts simengine there; every wait but the two-second one is generous.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bmp.h"
#include "support/files.h"
#include "support/process.h"
#include "support/simengine_window.h"
#include "support/xdo.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCell = 32;
constexpr const char* kTitle = "live reload world";
constexpr const char* kGreen = "#00A000";
constexpr const char* kSand = "#C8B43C";
constexpr const char* kBlue = "#0000C8";

std::string crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class LiveReload : public support::SimengineWindow {
 protected:
  LiveReload() : SimengineWindow("live_reload_") {}

  void SetUp() override {
    SimengineWindow::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    write_world();
  }

  // 40 x 20 cells: the left half of code 010010010 (green ground), the right half 020020020 (sand).
  void write_world() {
    const std::string a = "010010010", b = "020020020";
    std::vector<std::string> ai = {"AI-FILE:", "39", "19", "SourceImage:", "AI-DATA:"};
    std::vector<std::string> red = {"RED-FILE:", "39", "19", "SourceImage:", "RED-DATA:"};
    for (int x = 0; x <= 39; x++)
      for (int y = 0; y <= 19; y++) {
        const std::string& c = x < 20 ? a : b;
        ai.insert(ai.end(), {c.substr(0, 3), c.substr(3, 3), c.substr(6, 3)});
        red.push_back("255");
      }
    write("maps/land.qz61", crlf(ai));
    write("maps/land.red", crlf(red));
    write("topo/green.bmp", support::solid_bmp(8, 8, 0, 160, 0));
    write("topo/sand.bmp", support::solid_bmp(8, 8, 200, 180, 60));
    write("topo/blue.bmp", support::solid_bmp(8, 8, 0, 0, 200));
    write("codes/land/" + a, crlf({"GFXNAME", "green.bmp"}));
    write("codes/land/" + b, crlf({"GFXNAME", "sand.bmp"}));
    fs::create_directories(dir + "objects");
    write("DATA/ini.txt", crlf({"APPNAME", kTitle, "RESOLUTION", std::to_string(kCell), "USESPRITE3D", "1", "APPENTRY",
                                "maps/", "APPSTART", "land", "RGBCODEPATH", "codes/", "TOPOGFX", "topo/", "WORLDGFX",
                                "objects/", "GFXCODEC", ".bmp", "WORLDRANDOM", "1"}));
  }

  void write(const std::string& relative, const std::string& bytes) {
    fs::create_directories(fs::path(dir + relative).parent_path());
    ASSERT_TRUE(support::write_file(dir + relative, bytes));
  }

  // As editors save: the new text beside the file, then renamed over it.
  void save(const std::string& relative, const std::string& bytes) {
    write(relative + ".saving", bytes);
    fs::rename(dir + relative + ".saving", dir + relative);
  }

  std::string next_shot_taken() {
    const std::string png = next_shot();
    support::screenshot(png);
    return png;
  }
  long pixels(const std::string& png, const char* colour) { return support::pixels_of_colour(png, colour, 3); }

  // The cursor box's left edge in a screenshot; -1 when none.
  static int cursor_x(const std::string& png) {
    const support::CursorBox box = support::cursor_box(png);
    return box.w == kCell ? box.x : -1;
  }

  // Starts simengine in the world and waits for both grounds and the cursor box.
  void start() {
    ASSERT_NO_FATAL_FAILURE(start_simengine(dir, kTitle, dir + "stderr.txt"));
    ASSERT_TRUE(support::screenshot_until(
        next_shot(),
        [&](const std::string& png) { return pixels(png, kGreen) > 1000 && pixels(png, kSand) > 1000; }, kPatience))
        << "the world did not show";
  }

  int reload_lines() {
    const std::string err = support::read_file(dir + "stderr.txt");
    int count = 0;
    for (size_t at = err.find("Reload:"); at != std::string::npos; at = err.find("Reload:", at + 1)) count++;
    return count;
  }
};

TEST_F(LiveReload, ASavedDefinitionShowsWithinTwoSecondsWithTheViewWhereItWas) {
  start();
  support::focus_window(window);
  std::string shot;
  ASSERT_TRUE(support::hold_key_until(
      "Right",
      [&] {
        shot = next_shot();
        support::screenshot(shot);
        return cursor_x(shot) >= 2 * kCell;
      },
      kPatience));
  // A frame that began before the release may still move it: wait until it stays put.
  int x = cursor_x(shot), now;
  while ((now = cursor_x(next_shot_taken())) != x) x = now;
  ASSERT_GE(x, 2 * kCell);

  // Looking costs time too (a screenshot and a count take a second on a busy machine): the two
  // seconds are counted from the save, plus one look's time measured just before it.
  auto began = std::chrono::steady_clock::now();
  EXPECT_EQ(pixels(next_shot_taken(), kBlue), 0);
  const auto look = std::chrono::steady_clock::now() - began;
  const auto saved = std::chrono::steady_clock::now();
  save("codes/land/010010010", crlf({"GFXNAME", "blue.bmp"}));
  shot = next_shot();
  const bool shown = support::screenshot_until(
      shot, [&](const std::string& png) { return pixels(png, kBlue) > 1000; },
      2000 + static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(look).count()));
  // The look that saw it began up to one look's time before it ended.
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - saved).count();
  std::printf("save seen on the screen after %.2f s; one look takes %.2f s\n", seconds,
              std::chrono::duration<double>(look).count());
  EXPECT_TRUE(shown) << "the new ground did not show within two seconds";
  EXPECT_EQ(pixels(shot, kGreen), 0);
  EXPECT_EQ(cursor_x(shot), x) << "the cursor moved";
  EXPECT_GT(pixels(shot, kSand), 1000) << "the other half changed";
}

TEST_F(LiveReload, ADeletedGroundPictureLeavesItsCellsEmpty) {
  start();
  fs::remove(dir + "topo/sand.bmp");
  EXPECT_TRUE(support::screenshot_until(
      next_shot(), [&](const std::string& png) { return pixels(png, kSand) == 0 && pixels(png, kGreen) > 1000; },
      kPatience))
      << "the sand cells still show";
}

TEST_F(LiveReload, TenSavesInARowGiveOneRebuild) {
  start();
  for (int i = 0; i < 10; i++) save("codes/land/020020020", crlf({"GFXNAME", i < 9 ? "sand.bmp" : "blue.bmp"}));
  EXPECT_TRUE(support::screenshot_until(
      next_shot(), [&](const std::string& png) { return pixels(png, kBlue) > 1000 && pixels(png, kSand) == 0; },
      kPatience));
  // One more save, well after the burst: had the burst given a second rebuild, it would come before
  // this one's, so the count stays exact without waiting a fixed time.
  save("codes/land/010010010", crlf({"GFXNAME", "sand.bmp"}));
  EXPECT_TRUE(support::screenshot_until(
      next_shot(), [&](const std::string& png) { return pixels(png, kSand) > 1000 && pixels(png, kGreen) == 0; },
      kPatience));
  EXPECT_EQ(reload_lines(), 2) << support::read_file(dir + "stderr.txt");
  const std::string err = support::read_file(dir + "stderr.txt");
  EXPECT_EQ(err.find("Reload:"), err.find("Reload: 1 file changed")) << err;
}

}  // namespace
