// worldshot.cpp -- a picture of a world without a display: the engine's own drawing on a screen in memory
//
//   worldshot [--variant N] [--cell PIXELS] [--region X,Y,W,H | --view X,Y [--screen WxH]] [--smooth]
//             [FOLDER] OUT.png
//
// Run in a world folder, or name one. Builds the world exactly as simengine's start-up (and worlddump) does,
// then draws it with the engine's world drawing (ground pass; object pass with the instances'
// blend modes and offsets; with --smooth the smoothing pass) on the offscreen platform, tile by
// tile, and writes the picture as a PNG. Each tile's view starts a few cells before the part it
// keeps, so that objects reaching over from cells to the left or above are drawn as on one screen.
// With --view it draws one screen instead: simengine's view scrolled to a cell, as its screen shows it.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/state.h"
#include "base/notices.h"
#include "core/settings.h"
#include "core/engine.h"
#include "core/world_check.h"
#include "os.h"
#include "core/view.h"
#include "core/world_drawing.h"
#include "services/command_line.h"
#include "services/grid.h"
#include "services/offscreen.h"
#include "services/pictures.h"
#include "services/sprites.h"
#include "services/files.h"
#include "services/paths.h"
#include "tool_common.h"
#include "world_scale.h"
#include "world/load_screen.h"
#include "world/world.h"

namespace {

const char* const kUsage =
    "usage: worldshot [options] [FOLDER] OUT.png\n"
    "       worldshot --help | --version\n"
    "\n"
    "Builds the world that FOLDER/DATA/ini.txt describes (FOLDER: the current folder when left\n"
    "out), exactly as simengine's start-up does, and writes a picture of it to OUT.png, drawn by\n"
    "the engine's own world drawing (ground, then objects with their blend modes and offsets)\n"
    "without a display. The picture is always a PNG, so OUT must end in .png.\n"
    "\n"
    "options:\n"
    "  --variant N        a labyrinth world: the base of variant N, as Page Up and Page Down build\n"
    "                     it (refused for a world made from a map)\n"
    "  --cell PIXELS      the edge of a cell in the picture (1 to 1024), objects drawn to scale;\n"
    "                     default RESOLUTION, made smaller when the picture would exceed 64\n"
    "                     megapixels\n"
    "  --region X,Y,W,H   only the W x H cells from cell (X, Y) on, cut at the world's end;\n"
    "                     default the whole world\n"
    "  --view X,Y         one screen of simengine's view scrolled to cell (X, Y), as simengine\n"
    "                     shows it: objects of cells left of and above the view left out, the\n"
    "                     extra column drawn, black past the world's end (no cursor, no overlay)\n"
    "  --screen WxH       the size of --view's screen in pixels; default 1920x1080\n"
    "  --smooth           draw the smoothing pass as simengine does in every frame: the picture\n"
    "                     moves one pixel up and left, as on simengine's screen, and its last\n"
    "                     column and row repeat their neighbours\n"
    "  --help             print this text and exit\n"
    "  --version          print the suite's version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the world or the picture cannot be read or written, 2 on a\n"
    "usage error (a region or view outside the world and --variant on a map world included).\n";

constexpr int64_t kMostPixels = 64000000;  // 64 megapixels
constexpr int kTile = 2048;                // The offscreen screen: each tile is drawn on it
constexpr int kLargestCell = 1024;
constexpr int kLargestScreen = 16384;      // --screen's width and height at most

struct Options {
  bool set_variant = false, set_cell = false, set_region = false, set_view = false, set_screen = false,
       smooth = false;
  int variant = 0, cell = 0;
  int region[4] = {0, 0, 0, 0};
  int view[2] = {0, 0};
  int screen[2] = {1920, 1080};
  std::string folder, out;
};

int usage_error(const std::string& problem) { return svc::usage_error("worldshot", problem, kUsage); }

int fail(const std::string& message) { return tools::fail("worldshot", message); }

// A usage problem found only once the world is read: one line, and the usage error's exit code.
int world_usage_error(const std::string& message) {
  tools::fail("worldshot", message);
  return svc::EXIT_USAGE;
}

// The world folder as the user named it, for messages ("the current folder" when none was named).
std::string folder_name(const Options& o) { return o.folder.empty() ? "the current folder" : o.folder; }

// What the engine's start-up would stop at, said in worldshot's words with the path and what to do:
// no configuration, no map or labyrinth base, a --variant for a world that has none. 0 when the
// world can be built.
int check_world(const Options& o) {
  if (svc::file_size("DATA/ini.txt") < 0)
    return fail(folder_name(o) + " holds no world (no DATA/ini.txt there); run worldshot in a world folder, or "
                "name it: worldshot FOLDER OUT.png");
  read_configuration(svc::current_directory() + "DATA\\ini.txt");
  if (!(engine.resolution > 0.0f))
    return fail(folder_name(o) + ": RESOLUTION in DATA/ini.txt is missing or not a positive number of pixels; set "
                "it to the cell size, for example 32");
  if (engine.labyrinthMode == 1) {
    if (svc::file_size(engine.labyrinthBaseFile) < 0)
      return fail(svc::system_path(engine.labyrinthBaseFile) +
                  ": the labyrinth base file is missing; SELFCREATEBASE in DATA/ini.txt names it");
  } else {
    const std::string map = engine.appEntry + engine.appStart + ".qz61";
    if (svc::file_size(map) < 0)
      return fail(svc::system_path(map) + ": the world's map is missing; APPENTRY and APPSTART in DATA/ini.txt "
                  "name it (APPENTRY + APPSTART + .qz61)");
    if (o.set_variant)
      return world_usage_error("--variant " + std::to_string(o.variant) +
                               ": this world is made from a map, not a labyrinth (USESELFCREATEBASE is not 1); "
                               "leave --variant out");
  }
  return 0;
}

// "X,Y,W,H": a cell position from 0 and a size from 1.
bool parse_region(const std::string& text, int region[4]) {
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = i < 3 ? text.find(',', at) : text.size();
    if (comma == std::string::npos) return false;
    if (!tools::parse_number(text.substr(at, comma - at), i < 2 ? 0 : 1, 1 << 20, region[i])) return false;
    at = comma + 1;
  }
  return at == text.size() + 1;
}

// Two numbers from `lowest` to 1 << 20 joined by `separator`: "X,Y" or "WxH".
bool parse_pair(const std::string& text, char separator, int lowest, int pair[2]) {
  const size_t at = text.find(separator);
  return at != std::string::npos && tools::parse_number(text.substr(0, at), lowest, 1 << 20, pair[0]) &&
         tools::parse_number(text.substr(at + 1), lowest, 1 << 20, pair[1]);
}

// Copies a rectangle of the screen into the picture at (x, y).
void copy_into(const svc::Picture& screen, int sx, int sy, int width, int height, svc::Picture& out, int x, int y) {
  for (int row = 0; row < height; ++row)
    std::memcpy(&out.rgba[(size_t(y + row) * out.width + x) * 4],
                &screen.rgba[(size_t(sy + row) * screen.width + sx) * 4], size_t(width) * 4);
}

// One screen of the view scrolled to o.view, drawn as simengine draws a frame (without the
// position boxes and the debug overlay, which are not the world's).
int shoot_view(const Options& o) {
  const int cell = o.set_cell ? o.cell : std::clamp(int(std::lround(engine.resolution)), 1, kLargestCell);
  scale_objects(float(cell) / engine.resolution);
  engine.resolution = float(cell);
  compute_view_cells();
  engine.smoothingPass = o.smooth ? 1 : 0;
  engine.frameCache = 0;  // One frame: nothing drawn would be copied again
  engine.scrollX = o.view[0];
  engine.scrollY = o.view[1];
  draw_world();
  svc::Picture screen;
  const bool read = svc::offscreen::read_screen(screen);
  engine_shutdown();
  if (!read) return fail("the screen cannot be read");
  if (!svc::write_png(o.out, screen))
    return fail(o.out + ": cannot be written (no permission, no such folder, or disk full)");
  return 0;
}

int run(const Options& o) {
  if (const int refused = check_world(o)) return refused;
  // The engine's screen is the desktop's size: a view is drawn on a screen of the size asked for.
  if (o.set_view)
    svc::offscreen::set_desktop(o.screen[0], o.screen[1]);
  else
    svc::offscreen::set_desktop(kTile, kTile);
  set_load_screen_wait(0);
  set_fatal_exit_code(1);
  set_fatal_box(false);  // Its text goes to standard error; there is nobody to show a box to
  engine_startup(true);
  report_world_faults();  // One line on standard error when the world names something missing
  if (o.set_variant) {
    build_variant(o.variant);
  }

  // The region, inside the map and the grid.
  const int columns = std::min(engine.mapMaxX, svc::grid_max_x(worldState.world)) + 1;
  const int rows = std::min(engine.mapMaxY, svc::grid_max_y(worldState.world)) + 1;
  int x0 = 0, y0 = 0, width = columns, height = rows;
  if (o.set_view) {
    if (o.view[0] >= columns || o.view[1] >= rows)
      return world_usage_error("--view " + std::to_string(o.view[0]) + "," + std::to_string(o.view[1]) +
                               ": outside the world of " + std::to_string(columns) + " x " + std::to_string(rows) +
                               " cells; the view scrolls from 0 to " + std::to_string(columns - 1) + " across and " +
                               "from 0 to " + std::to_string(rows - 1) + " down");
    return shoot_view(o);
  }
  if (o.set_region) {
    x0 = o.region[0];
    y0 = o.region[1];
    if (x0 >= columns || y0 >= rows)
      return world_usage_error("--region " + std::to_string(x0) + "," + std::to_string(y0) + ",...: starts outside " +
                               "the world of " + std::to_string(columns) + " x " + std::to_string(rows) +
                               " cells; X goes from 0 to " + std::to_string(columns - 1) + " and Y from 0 to " +
                               std::to_string(rows - 1));
    width = std::min(o.region[2], columns - x0);
    height = std::min(o.region[3], rows - y0);
  }

  // The cell size: as asked, or RESOLUTION made small enough for 64 megapixels.
  const int64_t cells = int64_t(width) * height;
  int cell = o.set_cell ? o.cell : std::max(1, int(std::lround(engine.resolution)));
  const int largest = int(std::sqrt(double(kMostPixels) / double(cells)));
  if (cell * int64_t(cell) * cells > kMostPixels) {
    if (o.set_cell || largest < 1)
      return fail("a picture of " + std::to_string(width) + " x " + std::to_string(height) + " cells of " +
                  std::to_string(cell) + " pixels exceeds 64 megapixels; use --cell " + std::to_string(largest) +
                  " or --region");
    std::fprintf(stderr,
                 "worldshot: cells drawn %d pixels wide instead of %d, so the picture stays under 64 megapixels\n",
                 largest, cell);
    cell = largest;
  }
  cell = std::min(cell, kLargestCell);

  // At another cell size the whole world is drawn to scale: the ground pictures fit the cells (the
  // engine's own refit when the cell size changes), and each placed object's size and offsets
  // change with them, so the picture looks like the world at RESOLUTION, only smaller or larger.
  scale_objects(float(cell) / engine.resolution);
  engine.resolution = float(cell);
  compute_view_cells();
  engine.smoothingPass = o.smooth ? 1 : 0;
  // Each tile shows cells no other tile shows, so kept blocks would only be drawn and never copied
  // again: every tile is drawn cell by cell (the same pixels, about a third less processor time).
  engine.frameCache = 0;

  // Each tile keeps the cells after its margin (objects reaching in from the left and above) and
  // before a last cell the smoothing pass reads past.
  const int across = kTile / cell;
  const int after = o.smooth ? 1 : 0;
  int margin = object_reach(float(cell));
  if (margin > across - 1 - after) {
    margin = std::max(0, across - 1 - after);
    std::fprintf(stderr, "worldshot: objects reach further than one screen; they are cut at tile edges\n");
  }
  const int keep = std::max(1, across - margin - after);

  svc::Picture picture;
  picture.width = width * cell;
  picture.height = height * cell;
  picture.rgba.assign(size_t(picture.width) * picture.height * 4, 0);
  svc::Picture screen;
  for (int ty = y0; ty < y0 + height; ty += keep)
    for (int tx = x0; tx < x0 + width; tx += keep) {
      engine.scrollX = std::max(0, tx - margin);
      engine.scrollY = std::max(0, ty - margin);
      draw_world();
      if (!svc::offscreen::read_screen(screen)) return fail("the screen cannot be read");
      const int w = std::min(keep, x0 + width - tx), h = std::min(keep, y0 + height - ty);
      copy_into(screen, (tx - engine.scrollX) * cell, (ty - engine.scrollY) * cell, w * cell, h * cell, picture,
                (tx - x0) * cell, (ty - y0) * cell);
    }
  engine_shutdown();

  if (!svc::write_png(o.out, picture))
    return fail(o.out + ": cannot be written (no permission, no such folder, or disk full)");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::vector<svc::Argument> args;
  const std::string problem = svc::split_arguments(argc, argv, {"--variant", "--cell", "--region", "--view", "--screen"},
                                                   {"--smooth"}, args);
  if (!problem.empty()) return usage_error(problem);
  std::vector<std::string> positional;
  for (const svc::Argument& a : args) {
    const std::string& arg = a.name;
    const std::string& value = a.value;
    if (arg.empty()) {
      positional.push_back(value);
    } else if (arg == "--variant" || arg == "--cell" || arg == "--region") {
      if (arg == "--variant") {
        if (!tools::parse_number(value, -999999999, 999999999, o.variant))
          return usage_error("--variant " + value + ": not a whole number");
        o.set_variant = true;
      } else if (arg == "--cell") {
        if (!tools::parse_number(value, 1, kLargestCell, o.cell))
          return usage_error("--cell " + value + ": not a number of pixels from 1 to 1024");
        o.set_cell = true;
      } else {
        if (!parse_region(value, o.region))
          return usage_error("--region " + value + ": not X,Y,W,H in cells (for example 0,0,40,30)");
        o.set_region = true;
      }
    } else if (arg == "--view") {
      if (!parse_pair(value, ',', 0, o.view))
        return usage_error("--view " + value + ": not X,Y, the cell the view is scrolled to (for example 40,25)");
      o.set_view = true;
    } else if (arg == "--screen") {
      if (!parse_pair(value, 'x', 1, o.screen) || o.screen[0] > kLargestScreen || o.screen[1] > kLargestScreen ||
          int64_t(o.screen[0]) * o.screen[1] > kMostPixels)
        return usage_error("--screen " + value + ": not WxH in pixels (for example 1920x1080), each up to " +
                           std::to_string(kLargestScreen) + " and 64 megapixels in all");
      o.set_screen = true;
    } else if (arg == "--smooth") {
      o.smooth = true;
    } else {
      return svc::standard_option(arg, "worldshot", kUsage);
    }
  }
  if (o.set_view && o.set_region) return usage_error("--view and --region: choose one, a screen or a part of the world");
  if (o.set_screen && !o.set_view) return usage_error("--screen is the size of --view's screen; add --view X,Y");
  if (positional.empty() || positional.size() > 2)
    return usage_error(positional.empty() ? "OUT.png is needed" : "too many arguments: " + positional[2]);
  o.out = positional.back();
  if (positional.size() == 2) {
    o.folder = positional[0];
    if (o.folder.empty()) return usage_error("FOLDER is empty");
  }
  if (o.out.empty()) return usage_error("OUT.png is empty");
  // The picture is always a PNG: a name promising another format is refused before any drawing,
  // as is a folder, rather than found out after the whole world is drawn.
  std::string extension = tools::extension(o.out);
  for (char& ch : extension) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (extension != ".png") return usage_error(o.out + ": worldshot writes PNG pictures; name it OUT.png");
  if (tools::is_folder(o.out))
    return fail(o.out + ": is a folder; name the picture, for example " + tools::joined(o.out, "world.png"));
  if (!o.folder.empty()) {
    // The picture's name is the user's, relative to where they are; the world is read from its folder.
    o.out = os::absolute_path(o.out);
    // A folder named in other letter case is found, as the world's own names are.
    const std::string spelled = os::spelled_path(o.folder);
    const std::string folder = spelled.empty() ? o.folder : spelled;
    if (!tools::is_folder(folder))
      return fail(o.folder + ": " + (tools::exists(folder) ? "is a file, not a world folder" : "no such folder"));
    if (!os::change_folder(folder)) return fail(o.folder + ": cannot be entered: " + os::error_text());
  }
  return run(o);
}
