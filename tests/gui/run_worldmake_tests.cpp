// run_worldmake_tests.cpp -- a world made by worldmake from a picture, opened by the built simengine under a real X display
//
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24"). Each test makes a world from
// examples/mapconvert/land.png in a temporary folder and starts simengine there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "services/pictures.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/xdo.h"

namespace {

constexpr int kCell = 32;  // worldmake's default cell size

struct Colour {
  int r, g, b;
};

// The colour codes of an AI map, column by column.
std::vector<std::vector<Colour>> map_colours(const std::string& path) {
  const std::vector<std::string> lines = support::split_lines(support::read_file(path));
  const int width = std::atoi(lines.at(1).c_str()), height = std::atoi(lines.at(2).c_str());
  std::vector<std::vector<Colour>> columns(size_t(width) + 1, std::vector<Colour>(size_t(height) + 1));
  size_t at = 5;
  for (auto& column : columns)
    for (Colour& c : column) {
      c = {std::atoi(lines.at(at).c_str()), std::atoi(lines.at(at + 1).c_str()), std::atoi(lines.at(at + 2).c_str())};
      at += 3;
    }
  return columns;
}

class WorldmakeRun : public ::testing::Test {
 protected:
  std::string dir, world;
  pid_t pid = -1;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    dir = support::make_temp_folder("worldmake_run_");
    ASSERT_NE(dir, "");
    world = dir + "w";
    const std::string land = std::string(SUITE_SOURCE_DIR) + "/examples/mapconvert/land.png";
    ASSERT_EQ(support::shell("'" + std::string(SUITE_BINARY_DIR) + "/tools/worldmake' '" + land + "' '" + world +
                             "' --quiet"),
              0);
    svc::register_image_decoders();
  }

  void TearDown() override {
    support::end_program(pid, 2000);
    if (!dir.empty()) support::remove_folder(dir);
  }
};

TEST_F(WorldmakeRun, SimengineShowsThePictureAsATileWorld) {
  // The picture's colours are few, so its reduced colours are its own: the map holds each pixel's colour.
  const auto codes = map_colours(world + "/maps/land.qz61");
  svc::Picture land;
  ASSERT_TRUE(svc::decode_picture(std::string(SUITE_SOURCE_DIR) + "/examples/mapconvert/land.png", land));
  ASSERT_EQ(codes.size(), size_t(land.width) + 1);
  for (int x = 0; x < land.width; ++x)
    for (int y = 0; y < land.height; ++y) {
      const uint8_t* p = &land.rgba[(size_t(y) * land.width + x) * 4];
      const Colour& c = codes[size_t(x)][size_t(y)];
      ASSERT_TRUE(c.r == p[0] && c.g == p[1] && c.b == p[2]) << x << "," << y;
    }

  pid = support::start_program({std::string(SUITE_BINARY_DIR) + "/engine/simengine", world, ""});
  ASSERT_GE(pid, 0);
  ASSERT_FALSE(support::window_titled("worldmake: land", 20000).empty()) << "no simengine window";

  // Each whole cell on screen, away from the debug overlay and the cursor, shows its colour at its
  // centre (the ground pictures' texture moves a channel by at most 7). Waits for the first frames.
  const std::string shot = dir + "shot.png";
  int checked = 0, wrong = 0;
  std::string first_wrong;
  for (int attempt = 0; attempt < 60; ++attempt) {
    support::screenshot(shot);
    svc::Picture screen;
    checked = wrong = 0;
    first_wrong.clear();
    if (svc::decode_picture(shot, screen)) {
      for (int x = 0; x < land.width && (x + 1) * kCell <= screen.width; ++x)
        for (int y = 0; y < land.height && (y + 1) * kCell <= screen.height; ++y) {
          if ((x * kCell < 300 && y * kCell < 100)) continue;  // the overlay and the cursor box
          const uint8_t* p = &screen.rgba[(size_t(y * kCell + kCell / 2) * screen.width + x * kCell + kCell / 2) * 4];
          const Colour& c = codes[size_t(x)][size_t(y)];
          ++checked;
          if (std::abs(p[0] - c.r) > 10 || std::abs(p[1] - c.g) > 10 || std::abs(p[2] - c.b) > 10) {
            if (first_wrong.empty())
              first_wrong = std::to_string(x) + "," + std::to_string(y) + " shows " + std::to_string(p[0]) + " " +
                            std::to_string(p[1]) + " " + std::to_string(p[2]);
            ++wrong;
          }
        }
    }
    if (checked > 0 && wrong == 0) break;
    support::sleep_ms(500);
  }
  EXPECT_GT(checked, 500);
  EXPECT_EQ(wrong, 0) << first_wrong;
}

// The value line after a key line of a CR LF line-pair file; "" when the key is missing.
std::string setting(const std::string& path, const std::string& key) {
  const std::vector<std::string> lines = support::split_lines(support::read_file(path));
  for (size_t i = 0; i + 1 < lines.size(); i += 2)
    if (lines[i] == key) return lines[i + 1];
  return "";
}

TEST(WorldshotRun, TheDemoIslandLooksAsSimengineShowsIt) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
  const std::string dir = support::make_temp_folder("worldshot_run_");
  ASSERT_NE(dir, "");
  std::error_code ec;
  std::filesystem::copy(std::string(SUITE_SOURCE_DIR) + "/examples/world", dir,
                        std::filesystem::copy_options::recursive, ec);
  ASSERT_FALSE(ec) << ec.message();
  svc::register_image_decoders();

  // simengine draws its smoothing pass in every frame, so the picture is drawn with it too.
  const int cell = std::atoi(setting(dir + "DATA/ini.txt", "RESOLUTION").c_str());
  ASSERT_GT(cell, 0);
  const std::string shot = dir + "shot.png", world = dir + "world.png";
  ASSERT_EQ(support::shell("cd '" + dir + "' && '" + std::string(SUITE_BINARY_DIR) + "/tools/worldshot' --smooth " +
                           "--region 0,0," + std::to_string(4000 / cell) + "," + std::to_string(3000 / cell) + " '" +
                           world + "'"),
            0);
  svc::Picture drawn;
  ASSERT_TRUE(svc::decode_picture(world, drawn));

  pid_t pid = support::start_program({std::string(SUITE_BINARY_DIR) + "/engine/simengine", dir, ""});
  ASSERT_GE(pid, 0);
  ASSERT_FALSE(support::window_titled(setting(dir + "DATA/ini.txt", "APPNAME"), 20000).empty()) << "no window";

  // Pixels further than 6 from the picture in some channel, away from the debug overlay, the cursor
  // box (pure red or green) with the name written beside it, and the last pixel column and row,
  // which the smoothing pass reads past the screen. Waits for the world's first frames.
  long compared = 0, differing = 0;
  for (int attempt = 0; attempt < 60; ++attempt) {
    support::screenshot(shot);
    svc::Picture screen;
    compared = differing = 0;
    if (svc::decode_picture(shot, screen)) {
      int box_x0 = screen.width, box_y0 = screen.height, box_x1 = -1, box_y1 = -1;
      for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
          const uint8_t* p = &screen.rgba[(size_t(y) * screen.width + x) * 4];
          if ((p[0] == 255 && p[1] == 0 && p[2] == 0) || (p[0] == 0 && p[1] == 255 && p[2] == 0)) {
            box_x0 = std::min(box_x0, x);
            box_y0 = std::min(box_y0, y);
            box_x1 = std::max(box_x1, x);
            box_y1 = std::max(box_y1, y);
          }
        }
      const int width = std::min(screen.width, drawn.width) - 2, height = std::min(screen.height, drawn.height) - 2;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          if (x < 320 && y < 110) continue;
          if (x >= box_x0 - 2 && x <= box_x1 + 300 && y >= box_y0 - 2 && y <= box_y1 + 24) continue;
          const uint8_t* p = &screen.rgba[(size_t(y) * screen.width + x) * 4];
          const uint8_t* q = &drawn.rgba[(size_t(y) * drawn.width + x) * 4];
          ++compared;
          if (std::abs(p[0] - q[0]) > 6 || std::abs(p[1] - q[1]) > 6 || std::abs(p[2] - q[2]) > 6) ++differing;
        }
    }
    if (compared > 0 && differing * 1000 <= compared) break;
    support::sleep_ms(500);
  }
  support::end_program(pid, 2000);
  EXPECT_GT(compared, 1000000);
  EXPECT_LE(differing * 1000, compared) << differing << " of " << compared << " pixels differ";
  support::remove_folder(dir);
}

}  // namespace
