// run_frame_cache_test.cpp -- the built simengine draws the same screen with the frame cache as
// without it, and the same as worldshot: the example worlds at several cell sizes after scrolls in
// every direction and wheel zooms, the labyrinth after Page Up, objects that overhang their cells
// with blend pairs 2/2 and 9/1, and a live reload of a definition
//
// Run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24"). Each world runs twice, with FRAMECACHE 0
// and 1, and the screens of both runs are compared with each other and with worldshot: the island's
// screens with worldshot's view (--view) from the scroll they show, the other worlds' with its
// picture of the whole world. Where a move's length depends on the frame rate (a held key), the
// scroll is found by matching worldshot's picture; counted key taps reach the same scroll in both
// runs. The debug overlay's lines (they count time and video memory) are left out, and against
// worldshot the cursor box too.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
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

// The debug overlay: lines of shaded text (255, 255, 200 over black) from (10, 10), 14 pixels
// apart and 13 or 14 high, five of them and a sixth after a rebuild in place. Its first and third lines
// (a timer and the free video memory) differ from run to run; the world shows around and between
// the lines, which at the smallest cell sizes is most of what the screen shows of the world.
constexpr int kOverlayLeft = 10, kOverlayTop = 10, kOverlayStep = 14, kOverlayLineHeight = 13, kOverlayLines = 6;
// A line whose text has a descender ("max_x") is one row higher.
constexpr int kOverlayLineSpan = 14;

struct Rect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool has(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

struct Scroll {
  int x = -1, y = -1;
  bool operator==(const Scroll& o) const { return x == o.x && y == o.y; }
};

std::string str(const Scroll& s) { return "(" + std::to_string(s.x) + ", " + std::to_string(s.y) + ")"; }

svc::Picture load(const std::string& png) {
  svc::Picture p;
  EXPECT_NE(svc::decode_picture(png, p), 0) << png << ": " << svc::picture_error();
  return p;
}

const uint8_t* at(const svc::Picture& p, int x, int y) { return &p.rgba[(size_t(y) * p.width + x) * 4]; }

// The overlay's text colour shaded over black, black included.
bool overlay_coloured(const uint8_t* p) {
  return p[0] == p[1] && std::abs(int(p[2]) - (int(p[0]) * 200 + 127) / 255) <= 1;
}

// Where the overlay's lines cover a screenshot: each line's box ends at the first column of its
// rows that holds another colour.
struct Overlay {
  int end[kOverlayLines] = {};
  bool has(int x, int y) const {
    if (x < kOverlayLeft || y < kOverlayTop) return false;
    const int line = (y - kOverlayTop) / kOverlayStep;
    return line < kOverlayLines && (y - kOverlayTop) % kOverlayStep < kOverlayLineSpan && x < end[line];
  }
};

Overlay overlay_of(const svc::Picture& s) {
  Overlay o;
  for (int line = 0; line < kOverlayLines; line++) {
    const int y0 = kOverlayTop + line * kOverlayStep, y1 = std::min(y0 + kOverlayLineHeight, s.height);
    int x = kOverlayLeft;
    for (; x < s.width; x++) {
      bool box = true;
      for (int y = y0; y < y1 && box; y++) box = overlay_coloured(at(s, x, y));
      if (!box) break;
    }
    o.end[line] = x;
  }
  return o;
}

// Whether the overlay's first line shows: a pixel of its text colour where the line starts.
bool shows_overlay(const svc::Picture& s) {
  for (int y = kOverlayTop; y < std::min(kOverlayTop + kOverlayLineSpan, s.height); y++)
    for (int x = kOverlayLeft; x < std::min(kOverlayLeft + 400, s.width); x++) {
      const uint8_t* p = at(s, x, y);
      if (p[0] == 255 && p[1] == 255 && p[2] == 200) return true;
    }
  return false;
}

// Pixels that differ between two screenshots, outside the overlay's lines on either.
long screen_differences(const svc::Picture& a, const svc::Picture& b) {
  if (a.width != b.width || a.height != b.height) return long(a.width) * a.height + 1;
  const Overlay oa = overlay_of(a), ob = overlay_of(b);
  long n = 0;
  for (int y = 0; y < a.height; y++)
    for (int x = 0; x < a.width; x++)
      if (!oa.has(x, y) && !ob.has(x, y) && !std::equal(at(a, x, y), at(a, x, y) + 3, at(b, x, y))) n++;
  return n;
}

// The cursor box: the pure red pixels; x1 -1 when none shows. Nothing else on the screen is pure
// red, and the overlay's text is drawn over the box, never in red.
Rect red_box(const svc::Picture& s) {
  Rect r{s.width, s.height, -1, -1};
  for (int y = 0; y < s.height; y++)
    for (int x = 0; x < s.width; x++) {
      const uint8_t* p = at(s, x, y);
      if (p[0] != 255 || p[1] != 0 || p[2] != 0) continue;
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

// How the screen differs from worldshot's picture of the whole world seen from cell `view`: world
// pixels more than one level off (the platforms' blend contract). Objects reach up to `overhang`
// pixels past their cells: that far past the world's picture the screen is not compared (objects
// of its last cells reach there), beyond it the screen must be black; and when the view starts
// inside the world, a band that wide along the left or top edge is left out (objects of cells left
// of and above the view are not drawn). Left out too: the overlay's lines, the cursor area, the
// last row and column (the smoothing pass reads past the screen there). Stops counting past
// `limit`.
long world_differences(const svc::Picture& s, const svc::Picture& w, int cell, Scroll view, int overhang, long limit) {
  const Overlay overlay = overlay_of(s);
  const Rect cursor = cursor_area(s);
  long n = 0;
  for (int y = 0; y < s.height - 1 && n <= limit; y++)
    for (int x = 0; x < s.width - 1 && n <= limit; x++) {
      if (overlay.has(x, y) || cursor.has(x, y)) continue;
      if ((view.x > 0 && x < overhang) || (view.y > 0 && y < overhang)) continue;
      const uint8_t* p = at(s, x, y);
      const long wx = long(view.x) * cell + x, wy = long(view.y) * cell + y;
      if (wx >= w.width + overhang || wy >= w.height + overhang) {
        if (p[0] > 1 || p[1] > 1 || p[2] > 1) n++;
        continue;
      }
      if (wx >= w.width || wy >= w.height) continue;
      const uint8_t* q = at(w, int(wx), int(wy));
      for (int c = 0; c < 3; c++)
        if (std::abs(int(p[c]) - int(q[c])) > 1) {
          n++;
          break;
        }
    }
  return n;
}

// The scroll at which the screen equals the world picture; x -1 when none does.
Scroll matching_scroll(const svc::Picture& s, const svc::Picture& w, int cell, int overhang) {
  for (int sy = 0; sy * cell < w.height; sy++)
    for (int sx = 0; sx * cell < w.width; sx++)
      if (world_differences(s, w, cell, {sx, sy}, overhang, 0) == 0) return {sx, sy};
  return {};
}

// For a failure's message: the scroll that comes nearest, and how many pixels differ there.
std::string nearest_scroll(const svc::Picture& s, const svc::Picture& w, int cell, int overhang) {
  long best = -1;
  Scroll near;
  for (int sy = 0; sy * cell < w.height; sy++)
    for (int sx = 0; sx * cell < w.width; sx++) {
      const long n = world_differences(s, w, cell, {sx, sy}, overhang, best < 0 ? 1L << 40 : best);
      if (best < 0 || n < best) best = n, near = {sx, sy};
    }
  return "nearest scroll " + str(near) + ", " + std::to_string(best) + " pixels differ";
}

// What a screen shows that is not the world: the overlay's lines, the cursor area, and the last
// row and column (the smoothing pass reads past the screen there).
struct NotWorld {
  Overlay overlay;
  Rect cursor;
  int width = 0, height = 0;
  explicit NotWorld(const svc::Picture& s)
      : overlay(overlay_of(s)), cursor(cursor_area(s)), width(s.width), height(s.height) {}
  bool has(int x, int y) const {
    return x == width - 1 || y == height - 1 || overlay.has(x, y) || cursor.has(x, y);
  }
};

// Pixels of the world on the screen more than one level off (the platforms' blend contract) from
// worldshot's view, a picture of the screen's size. Stops counting past `limit`.
long view_differences(const svc::Picture& s, const NotWorld& skip, const svc::Picture& v, long limit) {
  if (s.width != v.width || s.height != v.height) return long(s.width) * s.height + 1;
  long n = 0;
  for (int y = 0; y < s.height && n <= limit; y++)
    for (int x = 0; x < s.width && n <= limit; x++) {
      if (skip.has(x, y)) continue;
      const uint8_t *p = at(s, x, y), *q = at(v, x, y);
      if (std::abs(int(p[0]) - int(q[0])) > 1 || std::abs(int(p[1]) - int(q[1])) > 1 ||
          std::abs(int(p[2]) - int(q[2])) > 1)
        n++;
    }
  return n;
}

// Presses and releases `key` `times` times, `gap_ms` apart. Each press goes out with its release,
// so a frame sees a tap as one step however long the frame takes; taps closer together than a
// frame count as one.
void tap(const std::string& key, int times, int gap_ms) {
  if (times <= 0) return;
  char gap[32];
  std::snprintf(gap, sizeof gap, " sleep %.3f", gap_ms / 1000.0);
  std::string command = "xdotool";
  for (int i = 0; i < times; i++)
    command += (i ? std::string(gap) : "") + " keydown --delay 0 " + key + " keyup --delay 0 " + key;
  support::shell(command);
}

// Turns the wheel `notches` times towards `button` (4 zooms in, 5 out) in one go: a frame usually
// reads the notches as one wheel step.
void wheel(int button, int notches) {
  std::string command = "xdotool";
  for (int i = 0; i < notches; i++) command += " mousedown " + std::to_string(button) + " mouseup " + std::to_string(button);
  support::shell(command);
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

  // The world's first screen. Until it is drawn the screen shows the load's bar over black, which
  // can stay unchanged for more than two screenshots on a busy machine; only the world's frames
  // show the debug overlay's text, so the wait is for that text, then for the screen to settle.
  svc::Picture first_screen() {
    const std::string path = next_shot();
    const bool shown = support::screenshot_until(path, [&](const std::string& png) { return shows_overlay(load(png)); },
                                                 kPatience);
    EXPECT_TRUE(shown) << "the world's first frame never showed: " << path;
    return settled();
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

// The island at one cell size, with the cache and without, on one start: the first screen; the
// view scrolled left past the first column (the last one shows) and on to column 40, then up past
// the first row to row 25; the cursor walked to the middle of the screen (at cell sizes 2 and 8
// with the wheel's help: zoomed in, walked, zoomed back); the view scrolled right past the
// last column to column 3 and down past the last row to row 2; then two wheel notches. Each
// screen up to the wheel is worldshot's view from its scroll, the whole screen but the overlay's
// lines and the cursor, and each screen is the same in both runs.
//
// Every move is a counted number of key taps, so both runs reach the same scrolls however fast
// their frames come: a tap is one step, never more, and taps that come faster than the frames
// are found (the screen shows fewer steps) and made up with slower ones.
//
// The island is 48 x 30 cells with the extra column and row: at cell sizes 2, 8 and 32 it is
// smaller than the 1920 x 1080 screen, so these scrolls move it over a black screen; at 2 and 8
// it lies mostly under the overlay's lines, and only the world between and around them (and its
// flowers, 48 pixels whatever the cell size, below them) tells the scrolls apart. A scroll whose
// screen could be another scroll on the way as well fails: its taps cannot be counted.
class IslandScreens : public FrameCacheScreens {
 protected:
  int cell = 0;          // the world's cell size
  int size = 0;          // the cell size on the screen (the wheel changes it)
  int columns = 0, rows = 0;
  std::string folder;    // the world worldshot draws the views of
  std::string screen_size;  // "WxH", the display's
  std::map<std::pair<int, int>, svc::Picture> views;  // worldshot's views by scroll
  pid_t painter = -1;    // worldshot drawing the views of the scrolls on the way, in the background
  Scroll view{0, 0};     // the scroll the screen shows
  int cursor_x = 0, cursor_y = 0;
  static int gap;        // between taps, in ms; grows when taps come faster than frames

  // The scrolls, in order: left past the first column and on to column 40, up past the first row
  // to row 25; then, the cursor in the middle of the screen, right past the last column to column
  // 3 and down past the last row to row 2.
  struct Leg {
    const char* key;
    int steps;
    const char* what;
  };
  static constexpr Leg kLegs[] = {{"Left", 1, "left of the first column"},
                                  {"Left", 7, "scrolled left"},
                                  {"Up", 5, "scrolled up past the first row"},
                                  {"Right", 11, "scrolled right past the last column"},
                                  {"Down", 7, "scrolled down past the last row"}};
  static constexpr int kLegsFromTheMiddle = 3;  // the legs from here on start with the cursor there

  void TearDown() override {
    support::end_program(painter, 0);
    FrameCacheScreens::TearDown();
  }

  Scroll stepped(Scroll s, const std::string& key, int k) const {
    const auto wrap = [](int v, int n) { return ((v % n) + n) % n; };
    if (key == "Right") s.x = wrap(s.x + k, columns);
    if (key == "Left") s.x = wrap(s.x - k, columns);
    if (key == "Down") s.y = wrap(s.y + k, rows);
    if (key == "Up") s.y = wrap(s.y - k, rows);
    return s;
  }

  // The cursor's steps from `position` until it stops before `half` the screen.
  int steps_to_middle(int position, int half) const {
    int steps = 0;
    for (; half > position + size; position += size) steps++;
    return steps;
  }

  std::string view_png(Scroll at) const {
    return dir + "view" + std::to_string(at.x) + "_" + std::to_string(at.y) + ".png";
  }

  // The shell command that has worldshot draw the view from `at` as the display shows it (smoothing
  // included) into view_png(at).
  std::string view_command(Scroll at) const {
    return "'" + std::string(SUITE_BINARY_DIR) + "/tools/worldshot' --smooth --view " + std::to_string(at.x) + "," +
           std::to_string(at.y) + " --screen " + screen_size + " '" + folder + "' '" + view_png(at) + "' 2>/dev/null";
  }

  // Starts worldshot on the views of every scroll on the way, in order, in the background: each
  // costs a world build, and they are ready by the time the screens are (worldshot writes each
  // picture whole under its name, or not at all).
  void paint_views() {
    std::vector<Scroll> way{{0, 0}};
    for (const Leg& leg : kLegs)
      for (int k = 0; k < leg.steps; k++) way.push_back(stepped(way.back(), leg.key, 1));
    std::string script;
    for (const Scroll& at : way) script += view_command(at) + "; ";
    painter = support::start_program({"/bin/sh", dir, "", false, {"-c", script}});
    EXPECT_GE(painter, 0);
  }

  // worldshot's view from `at`: the background's when it is drawn or on its way, else drawn now.
  const svc::Picture& view_from(Scroll at) {
    svc::Picture& v = views[{at.x, at.y}];
    if (v.rgba.empty()) {
      const std::string png = view_png(at);
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatience);
      while (!fs::exists(png) && support::wait_exit(painter, 0) == -1 && std::chrono::steady_clock::now() < end)
        support::sleep_ms(50);
      if (!fs::exists(png)) {
        EXPECT_EQ(support::shell(view_command(at)), 0) << "worldshot's view from " << str(at);
      }
      v = load(png);
    }
    return v;
  }

  long differences(const svc::Picture& screen, Scroll at, long limit = 1L << 40) {
    return view_differences(screen, NotWorld(screen), view_from(at), limit);
  }

  // The screen once the last tap's frame can have been drawn.
  svc::Picture reading() {
    support::sleep_ms(2 * gap);
    return settled();
  }

  // Taps `key` until the cursor has walked `steps` cells (it stops in the middle of the screen
  // going right or down, so the view does not move); returns the screen.
  svc::Picture walk(const std::string& key, int steps) {
    const bool across = key == "Right" || key == "Left";
    int& position = across ? cursor_x : cursor_y;
    const int sign = key == "Right" || key == "Down" ? 1 : -1;
    const int goal = position + sign * steps * size;
    svc::Picture now;
    for (int attempt = 0; attempt < 8; attempt++) {
      tap(key, std::abs(goal - position) / size, gap);
      now = reading();
      const Rect box = red_box(now);  // its bottom right corner: an object's name may cover its top
      EXPECT_GE(box.x1, 0) << "no cursor on the screen: " << dir << "shot" << shots - 1 << ".png";
      if (box.x1 < 0) return now;
      const int seen = (across ? box.x1 : box.y1) - size;
      if (seen == goal) {
        position = seen;
        return now;
      }
      const bool on_the_way = (goal - seen) * sign > 0 && (seen - position) * sign >= 0;
      EXPECT_TRUE(on_the_way) << "walking " << key << " from " << position << " to " << goal
                              << ", the cursor is at " << seen;
      if (!on_the_way) return now;
      position = seen;
      gap = std::min(gap * 3 / 2, 1000);
    }
    ADD_FAILURE() << "the cursor did not walk " << key << " to " << goal;
    return now;
  }

  // Scrolls the view `steps` cells with `key` (the cursor at the edge it scrolls at); the screen
  // must show worldshot's view from the scroll reached, and no other scroll on the way may look
  // the same (the taps taken would be a guess). Returns the screen.
  svc::Picture scroll(const std::string& key, int steps) {
    svc::Picture now;
    for (int attempt = 0; steps > 0 && attempt < 8; attempt++) {
      tap(key, steps, gap);
      now = reading();
      const NotWorld skip(now);
      std::vector<int> matches;
      for (int k = steps; k >= 0; k--)
        if (view_differences(now, skip, view_from(stepped(view, key, k)), 0) == 0) matches.push_back(k);
      EXPECT_FALSE(matches.empty()) << "scrolling " << key << " from " << str(view) << ", the screen (" << dir
                                    << "shot" << shots - 1 << ".png) is not worldshot's view from any scroll on the "
                                    << "way; " << differences(now, stepped(view, key, steps)) << " pixels differ from "
                                    << str(stepped(view, key, steps));
      if (matches.empty()) return now;
      if (matches.size() > 1) {
        std::string seen;
        for (int k : matches) seen += " " + str(stepped(view, key, k));
        ADD_FAILURE() << "scrolling " << key << " from " << str(view) << ", the screen (" << dir << "shot"
                      << shots - 1 << ".png) is worldshot's view from each of" << seen;
        return now;
      }
      const int done = matches.front();
      if (done < steps) gap = std::min(gap * 3 / 2, 1000);
      view = stepped(view, key, done);
      steps -= done;
    }
    EXPECT_EQ(steps, 0) << "scrolling " << key << ", " << steps << " steps were never taken";
    return now;
  }

  // Turns the wheel until the cell size is `to` (the cursor box shows it). Zooming out from 9 to 2
  // needs all seven notches in one frame (the wheel stops zooming out at 8): when a frame read
  // only some of them, the wheel zooms in again and tries once more.
  void zoom(int to) {
    for (int attempt = 0; attempt < 5 && size != to; attempt++) {
      if (to < size && to < 9 && size != 9) {
        zoom(9);
        continue;
      }
      wheel(to > size ? 4 : 5, std::abs(to - size));
      const svc::Picture now = reading();
      const Rect box = red_box(now);
      EXPECT_GE(box.x1, 0) << "no cursor on the screen: " << dir << "shot" << shots - 1 << ".png";
      if (box.x1 < 0) return;
      size = box.x1 - box.x0;
    }
    EXPECT_EQ(size, to) << "the wheel did not zoom to " << to;
  }

  // The screens of one run.
  std::vector<svc::Picture> run(int cache) {
    std::vector<svc::Picture> screens;
    const std::string copy = copy_world("world", "cache" + std::to_string(cache), cell, cache);
    size = cell, view = {0, 0}, cursor_x = cursor_y = 0;
    start_simengine(copy, "Orvanel world demo");
    if (HasFatalFailure()) return screens;
    support::focus_window(window);
    const auto keep = [&](const svc::Picture& screen, const std::string& what) {
      EXPECT_EQ(differences(screen, view, 10), 0) << "FRAMECACHE " << cache << ", " << what << ": the screen ("
                                                  << dir << "shot" << shots - 1 << ".png) is not worldshot's view from "
                                                  << str(view);
      screens.push_back(screen);
    };
    keep(first_screen(), "the first screen");
    for (int i = 0; i < int(std::size(kLegs)); i++) {
      if (i == kLegsFromTheMiddle) {
        // The cursor to the middle of the screen, where it scrolls right and down. The wheel keeps
        // its place on the screen: at cell sizes 2 and 8 it walks most of the way in steps of 64
        // pixels, then of 8, and the last pixels in steps of the cell size.
        for (const int step : {64, 8})
          if (cell < step) {
            zoom(step);
            walk("Right", steps_to_middle(cursor_x, 960));
            walk("Down", steps_to_middle(cursor_y, 540));
          }
        zoom(cell);
        walk("Right", steps_to_middle(cursor_x, 960));
        keep(walk("Down", steps_to_middle(cursor_y, 540)), "the cursor walked to the middle");
      }
      keep(scroll(kLegs[i].key, kLegs[i].steps), kLegs[i].what);
    }
    screens.push_back(after(screens.back(), [&] { wheel(cell <= 8 ? 4 : 5, 2); }, "two wheel notches"));
    stop();
    return screens;
  }

  void compare(int cell_size) {
    cell = cell_size;
    folder = copy_world("world", "views", cell, 0);
    const svc::Picture world = worldshot(folder);
    columns = world.width / cell, rows = world.height / cell;
    screen_size = support::display_size();
    ASSERT_FALSE(screen_size.empty());
    paint_views();
    const auto began = std::chrono::steady_clock::now();
    const std::vector<svc::Picture> off = run(0);
    const auto between = std::chrono::steady_clock::now();
    const std::vector<svc::Picture> on = run(1);
    const auto seconds = [](auto a, auto b) { return std::chrono::duration<double>(b - a).count(); };
    std::printf("cell %d: %.1f s without the cache, %.1f s with it; taps %d ms apart\n", cell,
                seconds(began, between), seconds(between, std::chrono::steady_clock::now()), gap);
    ASSERT_EQ(off.size(), on.size());
    for (size_t i = 0; i < off.size(); i++)
      EXPECT_EQ(screen_differences(off[i], on[i]), 0) << "cell " << cell << ", screen " << i << " differs with the cache";
  }
};

int IslandScreens::gap = 120;

TEST_F(IslandScreens, CellsOf2) { compare(2); }
TEST_F(IslandScreens, CellsOf8) { compare(8); }
TEST_F(IslandScreens, CellsOf32) { compare(32); }
TEST_F(IslandScreens, CellsOf96) { compare(96); }

class OtherScreens : public FrameCacheScreens {};

// Page Up builds the next labyrinth variant: the same with the cache, and worldshot's --variant 1.
TEST_F(OtherScreens, LabyrinthAfterPageUp) {
  std::vector<svc::Picture> shots;
  for (int cache : {0, 1}) {
    const std::string folder = copy_world("labyrinth", "cache" + std::to_string(cache), 80, cache);
    ASSERT_NO_FATAL_FAILURE(start_simengine(folder, "Orvanel labyrinth demo"));
    support::focus_window(window);
    const svc::Picture first = first_screen();
    shots.push_back(after(first, [&] { support::press_keys(window, "Prior", 200, 0); }, "Page Up"));
    stop();
    const svc::Picture world = worldshot(folder, "--variant 1");
    EXPECT_EQ(world_differences(shots.back(), world, 80, {0, 0}, 80, 10), 0)
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
    shots.push_back(first_screen());
    EXPECT_EQ(world_differences(shots.back(), world, kCell, {0, 0}, 2 * kCell, 10), 0)
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
    const svc::Picture first = first_screen();
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
