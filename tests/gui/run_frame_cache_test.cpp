// run_frame_cache_test.cpp -- the built simengine draws the same screen with the frame cache as
// without it, and the same as worldshot: the example worlds at several cell sizes after scrolls in
// every direction and wheel zooms, the labyrinth after Page Up, objects that overhang their cells
// with blend pairs 2/2 and 9/1, and a live reload of a definition
//
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24"). Each world runs twice, with FRAMECACHE 0
// and 1. Steps a user takes the same way in both runs (a wheel notch, Page Up, a saved definition)
// are compared screen against screen; scrolls, whose length depends on the frame rate while a key
// is held, are compared with worldshot's picture of the whole world, at the scroll that matches.
// The debug overlay (it counts time and video memory) and the cursor box are left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "services/pictures.h"
#include "support/files.h"
#include "support/process.h"
#include "support/simengine_window.h"
#include "support/xdo.h"

namespace {

namespace fs = std::filesystem;

constexpr int kOverlayWidth = 600, kOverlayHeight = 100;  // the debug overlay's lines, top left

struct Rect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool has(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

svc::Picture load(const std::string& png) {
  svc::Picture p;
  EXPECT_NE(svc::decode_picture(png, p), 0) << png << ": " << svc::picture_error();
  return p;
}

const uint8_t* at(const svc::Picture& p, int x, int y) { return &p.rgba[(size_t(y) * p.width + x) * 4]; }

bool in_overlay(int x, int y) { return x < kOverlayWidth && y < kOverlayHeight; }

// Pixels that differ between two screenshots, outside the overlay.
long screen_differences(const svc::Picture& a, const svc::Picture& b) {
  if (a.width != b.width || a.height != b.height) return long(a.width) * a.height + 1;
  long n = 0;
  for (int y = 0; y < a.height; y++)
    for (int x = 0; x < a.width; x++)
      if (!in_overlay(x, y) && !std::equal(at(a, x, y), at(a, x, y) + 3, at(b, x, y))) n++;
  return n;
}

// The cursor box: the pure red pixels outside the overlay; x1 -1 when none shows.
Rect red_box(const svc::Picture& s) {
  Rect r{s.width, s.height, -1, -1};
  for (int y = 0; y < s.height; y++)
    for (int x = 0; x < s.width; x++) {
      const uint8_t* p = at(s, x, y);
      if (in_overlay(x, y) || p[0] != 255 || p[1] != 0 || p[2] != 0) continue;
      r.x0 = std::min(r.x0, x), r.y0 = std::min(r.y0, y), r.x1 = std::max(r.x1, x + 1), r.y1 = std::max(r.y1, y + 1);
    }
  return r;
}

// The cursor box and the object name drawn at its corner.
Rect cursor_area(const svc::Picture& s) {
  Rect r = red_box(s);
  if (r.x1 < 0) return Rect{};
  r.x1 = std::max(r.x1, r.x0 + 300);  // "CHILD1NAME:..." over a black box, just above the box
  r.y0 = std::max(0, r.y0 - 20);
  return r;
}

// How the screen differs from worldshot's picture of the whole world seen from cell (sx, sy): world
// pixels more than one level off (the platforms' blend contract). Left out: what lies beyond the
// world's picture (objects of its last cells reach past it on the screen), the overlay, the cursor
// area, the last row and column (the smoothing pass reads past the screen there), and `band` pixels
// along the left and top edges when the view starts inside the world (objects of cells left of and
// above the view are not drawn). Stops counting past `limit`.
long world_differences(const svc::Picture& s, const svc::Picture& w, int cell, int sx, int sy, const Rect& cursor,
                       int band, long limit) {
  long n = 0;
  const int ox = sx * cell, oy = sy * cell;
  for (int y = 0; y < s.height - 1 && n <= limit; y++)
    for (int x = 0; x < s.width - 1; x++) {
      if (in_overlay(x, y) || cursor.has(x, y)) continue;
      if ((sx > 0 && x < band) || (sy > 0 && y < band)) continue;
      const uint8_t* p = at(s, x, y);
      const int wx = ox + x, wy = oy + y;
      if (wx >= w.width || wy >= w.height) continue;
      const uint8_t* q = at(w, wx, wy);
      for (int c = 0; c < 3; c++)
        if (std::abs(int(p[c]) - int(q[c])) > 1) {
          n++;
          break;
        }
      if (n > limit) break;
    }
  return n;
}

struct Scroll {
  int x = -1, y = -1;
};

// Whether a few hundred pixels spread over the screen agree with the world seen from (sx, sy): most
// scrolls fail here, where whole rows of water or grass would agree for long.
bool samples_agree(const svc::Picture& s, const svc::Picture& w, int cell, int sx, int sy, const Rect& cursor,
                   int band) {
  for (int y = 3; y < s.height - 1; y += 89)
    for (int x = 5; x < s.width - 1; x += 97) {
      if (in_overlay(x, y) || cursor.has(x, y) || (sx > 0 && x < band) || (sy > 0 && y < band)) continue;
      const int wx = sx * cell + x, wy = sy * cell + y;
      const uint8_t* p = at(s, x, y);
      if (wx >= w.width || wy >= w.height) continue;
      const uint8_t* q = at(w, wx, wy);
      for (int c = 0; c < 3; c++)
        if (std::abs(int(p[c]) - int(q[c])) > 1) return false;
    }
  return true;
}

// The scroll at which the screen equals the world picture; x -1 when none does.
Scroll matching_scroll(const svc::Picture& s, const svc::Picture& w, int cell, int band) {
  const Rect cursor = cursor_area(s);
  for (int sy = 0; sy * cell < w.height; sy++)
    for (int sx = 0; sx * cell < w.width; sx++)
      if (samples_agree(s, w, cell, sx, sy, cursor, band) &&
          world_differences(s, w, cell, sx, sy, cursor, band, 0) == 0)
        return {sx, sy};
  return {};
}

// For a failure's message: the scroll that comes nearest, and how many pixels differ there.
std::string nearest_scroll(const svc::Picture& s, const svc::Picture& w, int cell, int band) {
  const Rect cursor = cursor_area(s);
  long best = -1;
  Scroll at;
  for (int sy = 0; sy * cell < w.height; sy++)
    for (int sx = 0; sx * cell < w.width; sx++) {
      const long n = world_differences(s, w, cell, sx, sy, cursor, band, best < 0 ? 1L << 40 : best);
      if (best < 0 || n < best) best = n, at = {sx, sy};
    }
  return "nearest scroll (" + std::to_string(at.x) + ", " + std::to_string(at.y) + "), " + std::to_string(best) +
         " pixels differ";
}

// Sets a key of a settings file (a key line, then its value line), or adds it.
void set_setting(const std::string& ini, const std::string& key, const std::string& value) {
  std::ifstream in(ini);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  bool found = false;
  for (size_t i = 0; i + 1 < lines.size(); i++) {
    std::string k = lines[i];
    if (!k.empty() && k.back() == '\r') k.pop_back();
    if (k == key) {
      lines[i + 1] = value;
      found = true;
    }
  }
  if (!found) lines.insert(lines.end(), {key, value});
  std::ofstream out(ini, std::ios::binary | std::ios::trunc);
  for (const std::string& line : lines) out << line << "\n";
}

void write_text(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class FrameCacheScreens : public support::SimengineWindow {
 protected:
  FrameCacheScreens() : SimengineWindow("frame_cache_run_") { svc::register_image_decoders(); }

  // A copy of an example world as `name` with the cell size and cache set, every cell walkable and
  // one cursor step a frame; `edit` changes it further.
  std::string copy_world(const std::string& example, const std::string& name, int cell, int cache,
                         const std::function<void(const std::string&)>& edit = nullptr) {
    const std::string folder = dir + name + "/";
    std::error_code ec;
    fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/" + example, folder, fs::copy_options::recursive, ec);
    EXPECT_FALSE(ec) << ec.message();
    const std::string ini = folder + "DATA/ini.txt";
    set_setting(ini, "RESOLUTION", std::to_string(cell));
    set_setting(ini, "FRAMECACHE", std::to_string(cache));
    set_setting(ini, "CURSORSPEED", "255");
    if (fs::exists(folder + "codes/island/128128128"))
      write_text(folder + "codes/island/128128128", "GFXNAME\r\nrock.png\r\nCHILD1\r\nstone\r\nUSECOLLISION\r\n0\r\n");
    if (edit) edit(folder);
    return folder;
  }

  // worldshot's picture of the world in `folder` (as simengine draws it, smoothing included).
  svc::Picture worldshot(const std::string& folder, const std::string& options = "") {
    const std::string png = folder + "worldshot.png";
    EXPECT_EQ(support::shell("'" + std::string(SUITE_BINARY_DIR) + "/tools/worldshot' --smooth " + options + " '" +
                             folder + "' '" + png + "' 2>/dev/null"),
              0);
    return load(png);
  }

  // A screenshot once two in a row agree outside the overlay (the frame after a change may still
  // be on its way).
  svc::Picture settled() {
    const std::string path = next_shot();
    svc::Picture last;
    const bool ok = support::screenshot_until(
        path,
        [&](const std::string& png) {
          svc::Picture now = load(png);
          const bool same = !last.rgba.empty() && screen_differences(last, now) == 0;
          last = std::move(now);
          return same;
        },
        kPatience);
    EXPECT_TRUE(ok) << "the screen did not settle: " << path;
    return last;
  }

  // Runs `action` and waits until the screen differs from `before` outside the overlay.
  svc::Picture after(const svc::Picture& before, const std::function<void()>& action, const std::string& what) {
    action();
    const std::string path = next_shot();
    const bool changed = support::screenshot_until(
        path, [&](const std::string& png) { return screen_differences(before, load(png)) > 0; }, kPatience);
    EXPECT_TRUE(changed) << what << " changed nothing on the screen";
    return settled();
  }

  void click(int button, int times) {
    for (int i = 0; i < times; i++) support::shell("xdotool click " + std::to_string(button));
  }

  void stop() { support::end_program(pid, 2000); }

  // Scrolls with the key until the screen equals the world picture at a scroll that `done` accepts;
  // returns that scroll. The cursor walks first (to the middle of the screen going right or down,
  // back to the edge going left or up), with the key held until it is near where it stops; then
  // each tap moves it one step, so going left or up the view scrolls a cell at a time and cannot
  // run past the world's first column while nobody looks (going right or down it may run on).
  Scroll scroll_until(const std::string& key, const svc::Picture& world, int cell, int band,
                      const std::function<bool(const Scroll&)>& done) {
    const bool back = key == "Left" || key == "Up";
    const int near = back ? std::max(4 * cell, 100) : 2 * cell;
    const auto walked = [&](const Rect& box) {
      if (box.x1 < 0) return false;
      if (key == "Right") return box.x0 + cell >= 960 - near;
      if (key == "Down") return box.y0 + cell >= 540 - near;
      if (key == "Left") return box.x0 <= near;
      return box.y0 <= near;
    };
    support::hold_key_until(
        key,
        [&] {
          const std::string png = next_shot();
          support::screenshot(png);
          return walked(red_box(load(png)));
        },
        4 * kPatience);
    Scroll seen;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(8 * kPatience);
    while (std::chrono::steady_clock::now() < end) {
      const svc::Picture now = settled();
      const Scroll s = matching_scroll(now, world, cell, band);
      EXPECT_GE(s.x, 0) << "scrolling with " << key << ", the screen is no part of worldshot's picture (" << dir
                        << "shot" << shots - 1 << ".png): " << (s.x < 0 ? nearest_scroll(now, world, cell, band) : "");
      if (s.x < 0) return s;
      seen = s;
      if (done(s)) return s;
      support::shell("xdotool key " + key);
    }
    ADD_FAILURE() << key << " did not scroll far enough (last " << seen.x << ", " << seen.y << ")";
    return seen;
  }
};

// The island at one cell size, with the cache and without: the first screen and two wheel notches
// (in at small cells, out at large ones) give the same pixels in both runs; the first screen and,
// in a second start, scrolls right, down, left and up each give a screen that is part of
// worldshot's picture.
class IslandScreens : public FrameCacheScreens {
 protected:
  std::vector<svc::Picture> run(int cell, int cache, bool scrolls) {
    const std::string folder = copy_world("world", "cache" + std::to_string(cache), cell, cache);
    const svc::Picture world = worldshot(folder);
    std::vector<svc::Picture> same;
    start_simengine(folder, "Orvanel world demo");
    if (HasFatalFailure()) return same;
    support::focus_window(window);
    const svc::Picture first = settled();
    EXPECT_EQ(world_differences(first, world, cell, 0, 0, cursor_area(first), 0, 10), 0) << "the first screen";
    same.push_back(first);
    same.push_back(after(first, [&] { click(cell <= 8 ? 4 : 5, 2); }, "two wheel notches"));
    stop();
    if (!scrolls) return same;
    // The wheel cannot always zoom back (it stops at 8 and 64), so the scrolls start afresh.
    start_simengine(folder, "Orvanel world demo");
    if (HasFatalFailure()) return same;
    support::focus_window(window);
    settled();
    const Scroll right = scroll_until("Right", world, cell, 0, [](const Scroll& s) { return s.x >= 2; });
    const Scroll down = scroll_until("Down", world, cell, 0, [](const Scroll& s) { return s.y >= 2; });
    scroll_until("Left", world, cell, 0, [&](const Scroll& s) { return s.x < right.x; });
    scroll_until("Up", world, cell, 0, [&](const Scroll& s) { return s.y < down.y; });
    stop();
    return same;
  }

  void compare(int cell, bool scrolls) {
    const std::vector<svc::Picture> off = run(cell, 0, scrolls);
    const std::vector<svc::Picture> on = run(cell, 1, scrolls);
    ASSERT_EQ(off.size(), on.size());
    for (size_t i = 0; i < off.size(); i++)
      EXPECT_EQ(screen_differences(off[i], on[i]), 0) << "cell " << cell << ", screen " << i << " differs with the cache";
  }
};

// At the smaller cell sizes the cursor walks hundreds of cells before the view scrolls, and frames
// come fast enough that a held key runs on to the world's end: those sizes are compared at the
// start and after the wheel only.
TEST_F(IslandScreens, CellsOf2) { compare(2, false); }
TEST_F(IslandScreens, CellsOf8) { compare(8, false); }
TEST_F(IslandScreens, CellsOf32) { compare(32, false); }
// The scrolls at 96 take a screenshot a step, several minutes a run in the debug build and more
// under the sanitizers: they run when SUITE_SCREEN_SCROLLS is set, the first screen and the wheel
// always.
TEST_F(IslandScreens, CellsOf96) { compare(96, std::getenv("SUITE_SCREEN_SCROLLS") != nullptr); }

class OtherScreens : public FrameCacheScreens {};

// Page Up builds the next labyrinth variant: the same with the cache, and worldshot's --variant 1.
TEST_F(OtherScreens, LabyrinthAfterPageUp) {
  std::vector<svc::Picture> shots;
  for (int cache : {0, 1}) {
    const std::string folder = copy_world("labyrinth", "cache" + std::to_string(cache), 80, cache);
    ASSERT_NO_FATAL_FAILURE(start_simengine(folder, "Orvanel labyrinth demo"));
    support::focus_window(window);
    const svc::Picture first = settled();
    shots.push_back(after(first, [&] { support::press_keys(window, "Prior", 200, 0); }, "Page Up"));
    stop();
    const svc::Picture world = worldshot(folder, "--variant 1");
    EXPECT_EQ(world_differences(shots.back(), world, 80, 0, 0, cursor_area(shots.back()), 0, 10), 0)
        << "FRAMECACHE " << cache << ": the screen after Page Up is not worldshot's variant 1";
  }
  EXPECT_EQ(screen_differences(shots[0], shots[1]), 0);
}

// Stones drawn from their centre with the pair 2/2 (adding), flowers from their bottom right corner
// with 9/1: objects over the ground and objects of neighbouring cells.
void overhanging_objects(const std::string& folder) {
  const std::string objects = folder + "gfx/objects/";
  write_text(objects + "stone.dll", "DGFXNAME\r\nstone\r\nDGFXSHOW\r\n1\r\nDGFXTRANSPARENCY\r\n200\r\nDFITTOMATRIX\r\n1\r\n"
                                    "DHOTSPOT\r\nCENTER\r\nDCOLLISION\r\n1\r\nDXMODE1\r\n2\r\nDXMODE2\r\n2\r\n");
  write_text(objects + "flower.dll", "DGFXNAME\r\nflower\r\nDGFXSHOW\r\n1\r\nDGFXTRANSPARENCY\r\n255\r\nDFITTOMATRIX\r\n1\r\n"
                                     "DHOTSPOT\r\nBOTTOMRIGHT\r\nDCOLLISION\r\n0\r\nDXMODE1\r\n9\r\nDXMODE2\r\n1\r\n");
}

TEST_F(OtherScreens, ObjectsOverhangingTheirCellsWithBlendPairs) {
  constexpr int kCell = 32;
  std::vector<svc::Picture> shots;
  for (int cache : {0, 1}) {
    const std::string folder = copy_world("world", "cache" + std::to_string(cache), kCell, cache, overhanging_objects);
    const svc::Picture world = worldshot(folder);
    ASSERT_NO_FATAL_FAILURE(start_simengine(folder, "Orvanel world demo"));
    support::focus_window(window);
    shots.push_back(settled());
    EXPECT_EQ(world_differences(shots.back(), world, kCell, 0, 0, cursor_area(shots.back()), 0, 10), 0)
        << "FRAMECACHE " << cache << ": the first screen is not worldshot's";
    shots.push_back(after(shots.back(), [&] { click(5, 3); }, "three wheel notches"));
    after(shots.back(), [&] { click(4, 3); }, "three wheel notches back");  // from 29 back to 32
    // Objects of cells left of the view reach up to two cells in.
    scroll_until("Right", world, kCell, 2 * kCell, [](const Scroll& s) { return s.x >= 2; });
    stop();
  }
  EXPECT_EQ(screen_differences(shots[0], shots[2]), 0) << "the first screen differs with the cache";
  EXPECT_EQ(screen_differences(shots[1], shots[3]), 0) << "the zoomed screen differs with the cache";
}

// A definition saved while simengine runs: water cells become sand, the same with the cache.
TEST_F(OtherScreens, LiveReloadOfADefinition) {
  constexpr int kCell = 32;
  std::vector<svc::Picture> shots;
  for (int cache : {0, 1}) {
    const std::string folder = copy_world("world", "cache" + std::to_string(cache), kCell, cache);
    ASSERT_NO_FATAL_FAILURE(start_simengine(folder, "Orvanel world demo"));
    support::focus_window(window);
    const svc::Picture first = settled();
    shots.push_back(after(first,
                          [&] {
                            write_text(folder + "codes/island/000000200.new", "GFXNAME\r\nsand.png\r\nUSECOLLISION\r\n0\r\n");
                            fs::rename(folder + "codes/island/000000200.new", folder + "codes/island/000000200");
                          },
                          "saving a definition"));
    stop();
  }
  EXPECT_EQ(screen_differences(shots[0], shots[1]), 0);
}

}  // namespace
