// run_world_test.cpp -- the built simengine on the example worlds under a real X display: the
// start cursor in sight, pictures and objects on screen, the cursor moving and then scrolling with
// the arrow keys, the wheel zooming
//
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24"); each test copies an example folder into
// a temporary folder and starts simengine there. Every step waits for what it expects to see, with
// a generous deadline: a busy machine draws few frames per second.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/files.h"
#include "support/process.h"
#include "support/simengine_window.h"
#include "support/xdo.h"

namespace {

namespace fs = std::filesystem;

using support::shell;

using Box = support::CursorBox;
using support::cursor_box;

// Red pixels of a cursor box of `cell` pixels at the screenshot's cell (x, y).
long red_in_cell(const std::string& png, int cell, int x, int y) {
  const std::string region = std::to_string(cell) + "x" + std::to_string(cell) + "+" + std::to_string(x * cell) + "+" +
                             std::to_string(y * cell);
  return support::pixels_of_colour(png, "#FF0000", 0, region);
}

// An example world: its folder under examples/, its window title, its cell size and the cell the
// cursor starts on.
struct Example {
  const char* folder;
  const char* title;
  int cell;
  int start_x, start_y;
};

const Example kIsland = {"world", "Orvanel world demo", 96, 0, 0};
const Example kLabyrinth = {"labyrinth", "Orvanel labyrinth demo", 80, 1, 1};

class ExampleRun : public support::SimengineWindow {
 protected:
  ExampleRun() : SimengineWindow("world_run_") {}

  // Copies the example, starts simengine in it and waits until the world shows with its cursor box
  // at the start cell.
  void start(const Example& example) {
    std::error_code ec;
    fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/" + example.folder, dir, fs::copy_options::recursive, ec);
    ASSERT_FALSE(ec) << ec.message();
    ASSERT_NO_FATAL_FAILURE(start_simengine(dir, example.title));
    const int c = example.cell;
    ASSERT_TRUE(support::screenshot_until(
        next_shot(),
        [&](const std::string& png) {
          const Box b = cursor_box(png);
          return b.w == c && b.h == c && b.x == example.start_x * c && b.y == example.start_y * c;
        },
        kPatience))
        << "no cursor box of " << c << " pixels at cell (" << example.start_x << ", " << example.start_y << ")";
    support::focus_window(window);
  }

  // The cursor box in a new screenshot, which becomes `last_shot`.
  Box cursor() {
    last_shot = next_shot();
    support::screenshot(last_shot);
    return cursor_box(last_shot);
  }

  // Holds the key until the cursor box satisfies `done`, releases it, and returns the box once it
  // stays put (a frame that began before the release may still move it).
  Box hold_until(const std::string& key, const std::function<bool(const Box&)>& done) {
    support::hold_key_until(
        key, [&] { return done(cursor()); }, kPatience);
    Box before = cursor(), now;
    while ((now = cursor()).x != before.x || now.y != before.y) before = now;
    return now;
  }

  // Holding Right moves the cursor box two cells to the right, then holding Down two cells down.
  void explore(const Example& example) {
    const int c = example.cell;
    const Box start = cursor();
    const Box right = hold_until("Right", [&](const Box& b) { return b.w == c && b.x >= start.x + 2 * c; });
    EXPECT_GE(right.x, start.x + 2 * c) << "Right did not move the cursor two cells";
    EXPECT_EQ(right.y, start.y);
    const Box down = hold_until("Down", [&](const Box& b) { return b.w == c && b.y >= right.y + 2 * c; });
    EXPECT_GE(down.y, right.y + 2 * c) << "Down did not move the cursor two cells";
    EXPECT_EQ(down.x, right.x);
  }

  std::string last_shot;
};

TEST_F(ExampleRun, IslandShowsItsGroundObjectsAndCursor) {
  start(kIsland);
  const std::string png = next_shot();
  support::screenshot(png);
  const double all = 1920.0 * 1080.0;
  EXPECT_GT(support::pixels_of_colour(png, "#2a5fa8", 12) / all, 0.05) << "water ground";
  EXPECT_GT(support::pixels_of_colour(png, "#d8c48a", 12) / all, 0.05) << "sand ground";
  EXPECT_GT(support::pixels_of_colour(png, "#4f9a3c", 8) / all, 0.05) << "grass ground";
  EXPECT_GT(support::pixels_of_colour(png, "#1f5a1f", 6) / all, 0.003) << "tree objects";
  EXPECT_GT(support::pixels_of_colour(png, "#f0e040", 12) / all, 0.0005) << "flower objects";
  // The start cursor at (0, 0) lies partly under the debug overlay, but over a third of it shows.
  EXPECT_GT(red_in_cell(png, 96, 0, 0), 96 * 96 / 4);
}

TEST_F(ExampleRun, LabyrinthStartCursorIsClearOfTheOverlay) {
  start(kLabyrinth);
  EXPECT_EQ(red_in_cell(dir + "shot0.png", 80, 1, 1), 80 * 80);
}

// The examples' walkable tiles let the cursor through.
TEST_F(ExampleRun, IslandCanBeExplored) {
  start(kIsland);
  explore(kIsland);
}

TEST_F(ExampleRun, LabyrinthCanBeExplored) {
  start(kLabyrinth);
  explore(kLabyrinth);
}

TEST_F(ExampleRun, CursorStopsHalfwayAcrossAndTheViewScrolls) {
  start(kIsland);
  const int c = kIsland.cell;
  // On to the last cell left of the middle (x + cell reaches half the width); from there the view
  // scrolls instead, however fast frames run.
  const Box middle = hold_until("Right", [&](const Box& b) { return b.w == c && b.x + c >= 960; });
  ASSERT_GE(middle.x + c, 960);
  EXPECT_LT(middle.x, 960);
  const std::string before = last_shot;
  std::string after;
  const Box scrolled = hold_until("Right", [&](const Box&) {
    after = last_shot;
    return support::differing_pixels(before, after, "900x500+0+500", dir) > 20000;
  });
  EXPECT_GT(support::differing_pixels(before, after, "900x500+0+500", dir), 20000) << "the view did not scroll";
  EXPECT_EQ(scrolled.x, middle.x);  // the cursor stays, the world moves under it
}

TEST_F(ExampleRun, WheelZoomsTheCells) {
  start(kIsland);
  const auto shows_cells = [](int size) { return [size](const std::string& png) { return cursor_box(png).w == size; }; };
  shell("xdotool click 5");  // one notch away from the user: smaller cells
  EXPECT_TRUE(support::screenshot_until(next_shot(), shows_cells(95), kPatience));
  for (int i = 0; i < 3; i++) shell("xdotool click 5");
  EXPECT_TRUE(support::screenshot_until(next_shot(), shows_cells(92), kPatience));
}

}  // namespace
