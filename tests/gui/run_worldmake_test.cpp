// run_worldmake_test.cpp -- worlds made by worldmake from pictures, opened by the built simengine under a real X display
//
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24"). Each test makes a world from a picture
// (the converter's example, or one of ImageMagick's built-in pictures at a given size) in a
// temporary folder and starts simengine there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "services/pictures.h"
#include "support/files.h"
#include "support/process.h"
#include "support/simengine_window.h"
#include "support/xdo.h"

namespace {

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

// The value line after a key line of a CR LF line-pair file; "" when the key is missing.
std::string setting(const std::string& path, const std::string& key) {
  const std::vector<std::string> lines = support::split_lines(support::read_file(path));
  for (size_t i = 0; i + 1 < lines.size(); i += 2)
    if (lines[i] == key) return lines[i + 1];
  return "";
}

// How a screenshot shows a world's picture: of the picture's positions, how many lie on the
// screen away from the debug overlay and the cursor, and how many of those show their colour.
struct Comparison {
  long positions = 0, on_screen = 0, matching = 0;
  std::string first_wrong;
};

// Compares the screen with the map, position by position: the pixel in the middle of each cell
// (one pixel up and left of it, where simengine's smoothing pass shows it) within 12 of the
// cell's colour in each channel (the ground pictures' texture moves a channel by at most 7).
Comparison compare_first_screen(const std::string& shot, const std::vector<std::vector<Colour>>& codes, int cell) {
  Comparison c;
  svc::Picture screen;
  if (!svc::decode_picture(shot, screen)) return c;
  const int width = int(codes.size()) - 1, height = int(codes[0].size()) - 1;
  for (int x = 0; x < width; ++x)
    for (int y = 0; y < height; ++y) {
      ++c.positions;
      const int px = x * cell + cell / 2 - 1, py = y * cell + cell / 2 - 1;
      if (px < 0 || py < 0 || px >= screen.width || py >= screen.height) continue;
      if ((px < 330 && py < 110) || (x == 0 && y == 0)) continue;  // the overlay and the cursor box
      ++c.on_screen;
      const uint8_t* p = &screen.rgba[(size_t(py) * screen.width + px) * 4];
      const Colour& want = codes[size_t(x)][size_t(y)];
      if (std::abs(p[0] - want.r) <= 12 && std::abs(p[1] - want.g) <= 12 && std::abs(p[2] - want.b) <= 12)
        ++c.matching;
      else if (c.first_wrong.empty())
        c.first_wrong = std::to_string(x) + "," + std::to_string(y) + " shows " + std::to_string(p[0]) + " " +
                        std::to_string(p[1]) + " " + std::to_string(p[2]);
    }
  return c;
}

// The left edge of the cursor box (pure red) in the top row of cells; -1 when none is there.
int cursor_left(const std::string& shot, int cell) {
  svc::Picture screen;
  if (!svc::decode_picture(shot, screen)) return -1;
  for (int x = 0; x < screen.width; ++x)
    for (int y = 0; y < cell && y < screen.height; ++y) {
      const uint8_t* p = &screen.rgba[(size_t(y) * screen.width + x) * 4];
      if (p[0] == 255 && p[1] == 0 && p[2] == 0) return x;
    }
  return -1;
}

class WorldmakeRun : public support::SimengineWindow {
 protected:
  WorldmakeRun() : SimengineWindow("worldmake_run_") {}

  std::string world;
  int cell = 0;
  std::vector<std::vector<Colour>> codes;

  void SetUp() override {
    SimengineWindow::SetUp();
    svc::register_image_decoders();
  }

  // Makes the world "w" from the picture, with worldmake's own choice of settings, and starts
  // simengine in it.
  void make_and_start(const std::string& picture, const std::string& name) {
    world = dir + "w";
    ASSERT_EQ(support::shell("'" + std::string(SUITE_BINARY_DIR) + "/tools/worldmake' '" + picture + "' '" + world +
                             "' --quiet"),
              0);
    cell = std::atoi(setting(world + "/DATA/ini.txt", "RESOLUTION").c_str());
    ASSERT_GE(cell, 2);
    codes = map_colours(world + "/maps/" + name + ".qz61");
    ASSERT_NO_FATAL_FAILURE(start_simengine(world, "worldmake: " + name));
  }

  // ImageMagick's built-in picture resized to exactly width x height, as a PNG in the folder.
  std::string built_in_picture(const std::string& built_in, int width, int height, const std::string& name) {
    const std::string path = dir + name + ".png";
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    EXPECT_EQ(support::shell("/usr/bin/convert " + built_in + ": -resize '" + size + "!' '" + path + "'"), 0);
    return path;
  }

  // Waits for the first screen (a loaded machine draws slowly) and compares it with the map.
  Comparison first_screen() {
    const std::string shot = dir + "shot.png";
    Comparison c;
    for (int attempt = 0; attempt < 60; ++attempt) {
      support::screenshot(shot);
      c = compare_first_screen(shot, codes, cell);
      if (c.on_screen > 0 && c.matching * 100 >= c.on_screen * 98) break;
      support::sleep_ms(500);
    }
    return c;
  }

  // The whole picture is on the first screen, each position in its place and colour.
  void expect_whole_picture() {
    const Comparison c = first_screen();
    EXPECT_GE(c.on_screen * 100, c.positions * 95) << c.on_screen << " of " << c.positions << " positions on screen";
    EXPECT_GE(c.matching * 100, c.on_screen * 98)
        << c.matching << " of " << c.on_screen << " positions match; first wrong " << c.first_wrong;
  }
};

TEST_F(WorldmakeRun, TheConvertersExampleShowsWholeWithItsOwnColours) {
  ASSERT_NO_FATAL_FAILURE(make_and_start(std::string(SUITE_SOURCE_DIR) + "/examples/mapconvert/land.png", "land"));
  // Five flat colours: the reduced colours are the picture's own, so every position matches.
  const Comparison c = first_screen();
  EXPECT_GE(c.on_screen * 100, c.positions * 95) << c.on_screen << " of " << c.positions << " positions on screen";
  EXPECT_EQ(c.matching, c.on_screen) << c.first_wrong;
}

TEST_F(WorldmakeRun, APictureOf227By149ShowsWholeOnTheFirstScreen) {
  ASSERT_NO_FATAL_FAILURE(make_and_start(built_in_picture("wizard", 227, 149, "wizard227"), "wizard227"));
  expect_whole_picture();
}

TEST_F(WorldmakeRun, APictureOf512By384ShowsWholeOnTheFirstScreen) {
  ASSERT_NO_FATAL_FAILURE(make_and_start(built_in_picture("logo", 512, 384, "logo512"), "logo512"));
  expect_whole_picture();
}

TEST_F(WorldmakeRun, HoldingRightForThreeSecondsMovesTheCursorAcrossTheWorld) {
  ASSERT_NO_FATAL_FAILURE(make_and_start(built_in_picture("wizard", 227, 149, "wizard227"), "wizard227"));
  ASSERT_GT(first_screen().matching, 0) << "the world never showed";
  const std::string before = dir + "before.png", after = dir + "after.png";
  support::screenshot(before);
  const int x0 = cursor_left(before, cell);
  ASSERT_GE(x0, 0) << "no cursor box in the top row";
  ASSERT_TRUE(support::focus_window(window));
  support::hold_key("Right", 3000);
  // A frame that began before the release may still move it: wait until it stays put.
  int x1 = -1, last = -2;
  for (int attempt = 0; attempt < 20 && x1 != last; ++attempt) {
    last = x1;
    support::sleep_ms(300);
    support::screenshot(after);
    x1 = cursor_left(after, cell);
  }
  ASSERT_GE(x1, 0) << "no cursor box in the top row after the move";
  const int cells = (x1 - x0) / cell;
  // One step a frame (CURSORSPEED 255 for a world this wide): the cells are the frames drawn in
  // three seconds, as far as the cursor's half of the screen; beyond that the view scrolls.
  std::printf("worldmake world of 228 x 150 cells at %d pixels: holding Right for 3 s moved the cursor %d cells "
              "(about %.0f ms a frame)\n",
              cell, cells, cells > 0 ? 3000.0 / cells : 0.0);
  EXPECT_GE(cells, 1);
  EXPECT_EQ(setting(world + "/DATA/ini.txt", "CURSORSPEED"), "255");
}

class WorldshotRun : public support::SimengineWindow {
 protected:
  WorldshotRun() : SimengineWindow("worldshot_run_") {}
};

TEST_F(WorldshotRun, TheDemoIslandLooksAsSimengineShowsIt) {
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

  ASSERT_NO_FATAL_FAILURE(start_simengine(dir, setting(dir + "DATA/ini.txt", "APPNAME")));

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
  EXPECT_GT(compared, 1000000);
  EXPECT_LE(differing * 1000, compared) << differing << " of " << compared << " pixels differ";
}

}  // namespace
