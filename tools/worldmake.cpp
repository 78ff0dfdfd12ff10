// worldmake.cpp -- a starter world from one picture: settings, maps, one definition and ground picture per colour
//
//   worldmake PICTURE FOLDER [--colours N] [--cell PIXELS] [--screen WxH] [--opaque | --alpha PICTURE] [--fit]
//             [--force]
//
// FOLDER gets what simengine opens at once: DATA/ini.txt, the colour-code map and the red map of the
// picture in maps/ (byte for byte what mapscan writes), one cell definition per colour code in
// codes/NAME/ naming a ground picture of that colour in gfx/topo/, and an empty gfx/objects/.
// The settings make simengine's first screen show the whole picture, and a held arrow cross it in
// a few seconds. A rerun keeps the world's NAME, so definitions written by hand stay in use.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "first_screen.h"
#include "made_world.h"
#include "fit_picture.h"
#include "formats/map_format.h"
#include "mapconvert/colour_reduction.h"
#include "mapconvert/scan.h"
#include "mapconvert/shown_frame.h"
#include "mapconvert/state.h"
#include "os.h"
#include "services/command_line.h"
#include "services/files.h"
#include "services/headless.h"
#include "services/lifecycle.h"
#include "services/line_reader.h"
#include "services/paths.h"
#include "services/pictures.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "services/windows.h"
#include "tool_common.h"

namespace {


const char* const kUsage =
    "usage: worldmake PICTURE FOLDER [options]\n"
    "       worldmake --help | --version\n"
    "\n"
    "Makes a world that simengine opens at once from one picture (PNG, JPEG, TIFF or BMP, at most\n"
    "512 x 512 pixels, or larger with --fit): one cell per pixel, one colour code per colour, and\n"
    "for each code a definition file and a ground picture of that colour. FOLDER gets DATA/ini.txt,\n"
    "the AI map and the red map in maps/NAME.qz61 and .red (byte for byte what mapscan writes), the\n"
    "definitions in codes/NAME/, their ground pictures in gfx/topo/, and an empty gfx/objects/ for\n"
    "your objects; on Windows also start-simengine.cmd, which starts simengine in FOLDER.\n"
    "NAME is the world's name (APPSTART): the picture's file name without its extension, accents and\n"
    "blanks kept; only characters that some system forbids in file names (< > : \" / \\ | ? *,\n"
    "control characters, bytes that are not UTF-8, a trailing dot or blank) become _. A rerun keeps\n"
    "the name the world already has.\n"
    "\n"
    "simengine's first screen shows the whole picture: the cell size is the largest from 2 to 64\n"
    "pixels at which the world fits the screen (at 2 pixels, as much as fits), and a held arrow\n"
    "key crosses the world shown in about 3 seconds at 60 frames a second (at most one cell a frame).\n"
    "\n"
    "options:\n"
    "  --colours N      reduce the picture to at most N colours first (2 to 4096; default 16); the\n"
    "                   black margin around the picture keeps its own code beside them\n"
    "  --cell PIXELS    the edge of a cell on the screen and of each ground picture (1 to 512);\n"
    "                   default: chosen for the first screen, ground pictures of 32\n"
    "  --screen WxH     the desktop simengine runs on (default 1920x1080)\n"
    "  --opaque         every cell's ground fully opaque, whatever the picture's alpha channel says\n"
    "  --alpha PICTURE  the ground's opacity from the red channel of PICTURE (white opaque, black\n"
    "                   hidden), a picture of the same size\n"
    "                   Without either, a picture with an alpha channel (a tileset PNG) gives the\n"
    "                   ground its opacity, and one without it is opaque.\n"
    "  --fit            a picture larger than 512 x 512 is scaled down to fit first, keeping its\n"
    "                   proportions: each cell is the average of the pixels it covers\n"
    "  --force          make the world again in a folder that already holds one: rewrites\n"
    "                   DATA/ini.txt and the two maps, and adds a definition and a ground picture\n"
    "                   for each new colour code; definition files and ground pictures that exist\n"
    "                   are never overwritten, and those the new map no longer uses are kept and\n"
    "                   counted in the summary\n"
    "  --quiet          no summary line on success\n"
    "  --help           print this text and exit\n"
    "  --version        print the suite's version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read or written, 2 on a usage error.\n";

constexpr int kLargestMap = 512;  // The engine's grid holds 513 x 513 cells: a picture of 512 x 512 pixels
constexpr int kDefaultColours = 16;
constexpr int kDefaultTile = 32;  // Ground pictures: sharp when the wheel zooms in to 32 pixels a cell
constexpr int kDefaultScreenWidth = 1920, kDefaultScreenHeight = 1080;

struct Options {
  std::string picture, folder, alpha;
  int colours = kDefaultColours;
  int cell = 0;  // 0: chosen for the first screen
  int screen_width = kDefaultScreenWidth, screen_height = kDefaultScreenHeight;
  bool force = false, quiet = false, opaque = false, fit = false;
};

int usage_error(const std::string& problem) { return svc::usage_error("worldmake", problem, kUsage); }

// One line naming the file and the reason, then exit code 1.
int fail(const std::string& file, const std::string& reason) { return tools::fail("worldmake", file, reason); }

// A text as a name that every system's files can carry, since it becomes part of file and folder
// names and a line of the settings: valid UTF-8 stays as it is; control characters, the characters
// Windows forbids in names, bytes that are not UTF-8, and a last dot or blank (which Windows drops)
// become "_"; a name Windows keeps for a device (CON, NUL, COM1, ...) gets a "_" after it.
std::string portable_name(const std::string& text) {
  std::string name;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length > 1 && (i + length > text.size() || !svc::is_valid_utf8(text.substr(i, length)))) length = 0;
    if (length == 0) {
      name += '_';
      ++i;
    } else if (length == 1 && (c < 0x20 || c == 0x7f || std::strchr("<>:\"/\\|?*", c))) {
      name += '_';
      ++i;
    } else {
      name.append(text, i, length);
      i += length;
    }
  }
  if (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.back() = '_';
  std::string upper;
  for (char c : name.substr(0, name.find('.'))) upper += char(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "COM1", "COM2", "COM3", "COM4", "COM5",
                                         "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5",
                                         "LPT6", "LPT7", "LPT8", "LPT9"};
  for (const char* device : kDevices)
    if (upper == device) return name + "_";
  return name;
}

// Whether a text can be a world's name: not empty, ".." or ".", and as portable_name leaves it.
bool is_world_name(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && portable_name(name) == name;
}

// The world's name (APPSTART) for a new world: the picture's file name without its extension.
std::string world_name(const std::string& picture) {
  const std::string name = portable_name(tools::stem(picture));
  return is_world_name(name) ? name : "world";
}

// The name of the world already in the folder (its APPSTART), so that a rerun writes the same maps
// and keeps using the definitions in the same code folder; "" when it has none that can be a name.
std::string existing_world_name(const std::string& settings_path) {
  std::string name;
  svc::read_pairs(settings_path, [&](const std::string& key, const std::string& value) {
    if (key == "APPSTART") name = value;
  });
  return is_world_name(name) ? name : "";
}

// A flat tile of one colour with a little texture: fine grain over a coarser mottle, both small
// enough that the tile still reads as its colour. No pixel is magenta, the engine's transparent colour.
svc::Picture ground_tile(int32_t colour, int size) {
  svc::Picture tile;
  tile.width = tile.height = size;
  tile.rgba.reserve(size_t(size) * size * 4);
  auto hash = [colour](uint32_t x, uint32_t y) {
    uint32_t h = x * 374761393u + y * 668265263u + uint32_t(colour) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
  };
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const int grain = int(hash(uint32_t(x), uint32_t(y)) % 9) - 4;
      const int mottle = int(hash(uint32_t(x / 4) + 7919u, uint32_t(y / 4) + 104729u) % 7) - 3;
      int channel[3] = {svc::red(colour), svc::green(colour), svc::blue(colour)};
      for (int& c : channel) c = std::clamp(c + grain + mottle, 0, 255);
      if (channel[0] == 255 && channel[1] == 0 && channel[2] == 255) channel[1] = 1;
      tile.rgba.insert(tile.rgba.end(), {uint8_t(channel[0]), uint8_t(channel[1]), uint8_t(channel[2]), 255});
    }
  return tile;
}

// The distinct colour codes of a colour-code map: all of them, and those that only its extra column and
// row (the margin around the picture) have.
struct MapCodes {
  std::set<std::string> all, margin_only;
};

MapCodes codes_of_map(const std::string& path) {
  MapCodes codes;
  svc::LineReader reader;
  if (!svc::open_line_reader(reader, path)) return codes;
  const MapHeader header = read_map_header(reader);
  std::set<std::string> picture, margin;
  std::string red, green, blue;
  for (int64_t x = 0; x <= header.width; ++x)
    for (int64_t y = 0; y <= header.height && !svc::line_reader_at_end(reader); ++y) {
      svc::read_line(reader, red);
      svc::read_line(reader, green);
      svc::read_line(reader, blue);
      (x < header.width && y < header.height ? picture : margin).insert(red + green + blue);
    }
  codes.all = picture;
  for (const std::string& code : margin)
    if (codes.all.insert(code).second) codes.margin_only.insert(code);
  return codes;
}

// On Windows the world gets a starter beside its settings: a double-click on it runs simengine (the one
// beside worldmake) in the world's folder. %~dp0 ends in "\", which would escape the closing quote, so
// the folder is given as "%~dp0.". cmd reads the file in the console's code page: a folder with other
// characters than ASCII is read as UTF-8 after chcp 65001.
constexpr const char* kStarter = "start-simengine.cmd";

std::vector<std::string> starter_lines(const std::string& engine) {
  std::vector<std::string> lines;
  for (char c : engine)
    if (static_cast<unsigned char>(c) >= 0x80) {
      lines.push_back("@chcp 65001 >nul");
      break;
    }
  lines.push_back("@start \"\" /D \"%~dp0.\" \"" + svc::shown_path(engine) + "\"");
  return lines;
}

struct Made {
  int definitions_made = 0, definitions_kept = 0, pictures_made = 0, pictures_kept = 0;
  std::vector<std::string> unused;  // Definition files the new map does not use, by name
};

// The summary: what was made and kept, where the definitions are, what the first screen shows.
void print_summary(const Options& o, const std::string& codes_folder, int width, int height, const MapCodes& codes,
                   const Made& made, const FirstScreen& first, const std::string& notes) {
  const size_t margin = codes.margin_only.size(), picture = codes.all.size() - margin;
  const std::string folder = svc::shown_path(o.folder), codes_shown = svc::shown_path(codes_folder);
  std::printf("worldmake: %s: %d x %d cells, %zu colour codes for the picture%s\n", folder.c_str(), width + 1,
              height + 1, picture, margin ? (" and " + std::to_string(margin) + " for the margin around it").c_str() : "");
  std::printf("  definitions in %s: %d new, %d kept, %zu no longer used by the map; ground pictures: %d made, %d kept\n",
              codes_shown.c_str(), made.definitions_made, made.definitions_kept, made.unused.size(),
              made.pictures_made, made.pictures_kept);
  if (!made.unused.empty()) {
    std::string names;
    for (size_t i = 0; i < made.unused.size() && i < 8; ++i) names += (i ? ", " : "") + made.unused[i];
    if (made.unused.size() > 8) names += ", ...";
    std::printf("  no longer used (kept, in %s): %s\n", codes_shown.c_str(), names.c_str());
  }
  const bool whole = first.columns_shown == width + 1 && first.rows_shown == height + 1;
  std::printf("  first screen (%d x %d): %s at %d pixels a cell; a held arrow crosses %d cells in %.1f s at 60 "
              "frames a second\n",
              o.screen_width, o.screen_height, whole ? "the whole world" : "part of the world", first.cell,
              first.columns_shown, first.crossing_s);
  std::fputs(notes.c_str(), stdout);
  if (svc::windows_system())
    std::printf("  start it with %s (a double-click on it in its folder)\n",
                svc::shown_path(o.folder.back() == '/' || o.folder.back() == '\\' ? o.folder + kStarter
                                                                                  : o.folder + "\\" + kStarter)
                    .c_str());
  else
    std::printf("  run simengine in %s\n", folder.c_str());
}

// Draws a picture pixel by pixel at (0, 0) of the cleared screen, each pixel's colour from its RGBA
// bytes, and shows it: what the scans read for a picture that no file holds as it is.
template <typename Colour>
void draw_pixels(const svc::Picture& picture, Colour colour) {
  svc::clear_screen(0);
  svc::start_drawing(svc::screen_output());
  const uint8_t* p = picture.rgba.data();
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x, p += 4) svc::plot(x, y, colour(p));
  svc::stop_drawing();
  svc::flip_buffers();
}

int run(const Options& o) {
  for (const std::string& path : {o.picture, o.alpha, o.folder})
    if (!tools::missing_drive(path).empty()) return fail(path, tools::missing_drive(path));
  // The picture and the opacity picture first: nothing is written for a picture that can't be used.
  for (const std::string& path : {o.picture, o.alpha}) {
    if (path.empty()) continue;
    const int64_t size = svc::file_size(path);
    if (size == -1) return fail(path, "no such file");
    if (size == -2) return fail(path, "is a folder, not a picture");
  }
  const std::string base = o.folder.back() == '/' ? o.folder : o.folder + "/";
  if (tools::exists(o.folder) && !tools::is_folder(o.folder)) return fail(o.folder, "is a file, not a folder");
  const bool rerun = tools::exists(base + "DATA/ini.txt");
  if (rerun && !o.force)
    return fail(o.folder, "already holds a world (DATA/ini.txt); --force makes it again from the picture, keeping "
                          "every definition file and ground picture there");

  svc::start_services();
  svc::headless::record_drawing(false);
  svc::register_image_decoders();
  ConverterState state;
  svc::Picture picture, alpha;
  if (!svc::decode_picture(o.picture, picture)) return fail(o.picture, svc::picture_error());
  const int picture_width = picture.width, picture_height = picture.height;
  int width = 0, height = 0;
  tools::fitted_size(picture_width, picture_height, kLargestMap, width, height);
  const bool scaled = width != picture_width || height != picture_height;
  if (scaled && !o.fit)
    return fail(o.picture, "is " + svc::int_to_string(picture_width) + " x " + svc::int_to_string(picture_height) +
                               " pixels; a world holds at most 512 x 512 (one cell per pixel): --fit scales it "
                               "down to " + svc::int_to_string(width) + " x " + svc::int_to_string(height) +
                               " first");
  if (!o.alpha.empty()) {
    if (!svc::decode_picture(o.alpha, alpha)) return fail(o.alpha, svc::picture_error());
    if (alpha.width != picture_width || alpha.height != picture_height)
      return fail(o.alpha, "is " + svc::int_to_string(alpha.width) + " x " + svc::int_to_string(alpha.height) +
                               " pixels, the picture " + svc::int_to_string(picture_width) + " x " +
                               svc::int_to_string(picture_height));
  }
  // Without a choice, a picture whose alpha channel hides any part of it gives the ground its opacity.
  bool own_alpha = false;
  if (o.alpha.empty() && !o.opaque)
    for (size_t i = 3; i < picture.rgba.size() && !own_alpha; i += 4) own_alpha = picture.rgba[i] != 255;
  if (scaled) {
    picture = tools::area_average(picture, width, height);
    if (!o.alpha.empty()) alpha = tools::area_average(alpha, width, height);
  }
  if (!scaled && !own_alpha) picture = {};
  if (!scaled) alpha = {};

  std::string name = rerun ? existing_world_name(base + "DATA/ini.txt") : "";
  if (name.empty()) name = world_name(o.picture);
  const std::string codes_folder = base + "codes/" + name + "/";
  for (const std::string& folder :
       {base + "DATA", base + "maps", codes_folder, base + "gfx/topo", base + "gfx/objects"})
    if (!os::make_folder(folder)) return fail(folder, "cannot be made: " + os::error_text());

  // The screen mapscan uses: one pixel wider and higher than the picture, so nothing lies beyond it.
  svc::headless::set_desktop(width + 1, height + 1);
  if (!svc::open_window(0, 0, 0, width + 1, height + 1, "worldmake", svc::WINDOW_CENTRED_CAPTION) ||
      !svc::open_windowed_screen(svc::window_handle(0), 0, 0, width + 1, height + 1, 0, 0, 0))
    return fail(o.picture, "no screen of that size");

  // Definition files already there, for the count of those the new map does not use.
  std::set<std::string> existing;
  std::vector<os::Entry> entries;
  os::list_folder(codes_folder, entries);
  for (const os::Entry& entry : entries)
    if (entry.kind == os::Kind::FILE) existing.insert(entry.name);

  // The colour-code map, reduced to at most N colours. The scan makes no empty colour-code files: each
  // definition is written whole below, so a run that fails leaves no file that looks like a
  // definition but names nothing.
  if (scaled) {
    draw_pixels(picture, [](const uint8_t* p) { return svc::rgb(p[0], p[1], p[2]); });
    state.source_path = o.picture;
  } else if (!show_picture(state, o.picture)) {
    return fail(o.picture, "not a picture that can be decoded");
  }
  state.destination_folder = codes_folder;
  state.make_code_files = false;
  state.ai_colours = o.colours;
  const std::string map_stem = base + "maps/" + name;
  const ScanReport ai = scan_ai_map(state, false, width, height, map_stem + ".qz61");
  if (!ai.map_written) return fail(ai.map_path, "cannot be written");

  // The red map: of the opacity picture, of the picture's alpha channel as grey, or of a white picture
  // of the same size.
  ScanReport red;
  if (!o.alpha.empty() && scaled) {
    draw_pixels(alpha, [](const uint8_t* p) { return svc::rgb(p[0], p[0], p[0]); });
    state.source_path = o.alpha;
  } else if (!o.alpha.empty()) {
    if (!show_picture(state, o.alpha)) return fail(o.alpha, "not a picture that can be decoded");
  } else if (own_alpha) {
    draw_pixels(picture, [](const uint8_t* p) { return svc::rgb(p[3], p[3], p[3]); });
    state.source_path = o.picture;
  } else {
    svc::clear_screen(0);
    svc::start_drawing(svc::screen_output());
    svc::draw_box(0, 0, width, height, svc::rgb(255, 255, 255));
    svc::stop_drawing();
    svc::flip_buffers();
  }
  red = scan_colour_map(state, MAP_RED, width, height, map_stem + ".red");
  if (!red.map_written) return fail(red.map_path, "cannot be written");

  // One definition and one ground picture per code; what exists is kept.
  Made made;
  const MapCodes codes = codes_of_map(ai.map_path);
  const int tile = o.cell ? o.cell : kDefaultTile;
  for (const std::string& code : codes.all) {
    const std::string picture_name = code + ".png";
    // A definition with content is the user's and stays. An empty one names no picture (what a
    // converter scan or an older worldmake that failed left): it gets worldmake's definition.
    if (svc::file_size(codes_folder + code) > 0) {
      ++made.definitions_kept;
    } else {
      if (!tools::write_pairs(codes_folder + code, {"GFXNAME", picture_name, "CHILD1", "#", "USECOLLISION", "0"}))
        return fail(codes_folder + code, "cannot be written");
      ++made.definitions_made;
    }
    const std::string picture_path = base + "gfx/topo/" + picture_name;
    if (svc::file_size(picture_path) > 0) {
      ++made.pictures_kept;
      continue;
    }
    const int32_t colour = svc::rgb(std::atoi(code.substr(0, 3).c_str()), std::atoi(code.substr(3, 3).c_str()),
                                    std::atoi(code.substr(6, 3).c_str()));
    if (!svc::write_png(picture_path, ground_tile(colour, tile))) return fail(picture_path, "cannot be written");
    ++made.pictures_made;
  }
  for (const std::string& file : existing)
    if (!codes.all.count(file)) made.unused.push_back(file);

  if (svc::windows_system() &&
      !tools::write_pairs(base + kStarter, starter_lines(svc::program_folder() + "simengine.exe")))
    return fail(base + kStarter, "cannot be written");

  // The settings last: a folder holds a world only once everything it names is there.
  // A cell size the user chose is kept; the speed still suits the part of the world it shows.
  const FirstScreen first = o.cell ? first_screen_at(o.cell, width + 1, height + 1, o.screen_width, o.screen_height)
                                   : choose_first_screen(width + 1, height + 1, o.screen_width, o.screen_height);
  if (!tools::write_pairs(base + "DATA/ini.txt",
                          tools::world_settings("worldmake: " + name, name, first.cell, first.cursor_speed)))
    return fail(base + "DATA/ini.txt", "cannot be written");
  svc::stop_services();

  if (!o.quiet) {
    const std::string opacity = !o.alpha.empty() ? "from the red channel of " + o.alpha
                                : own_alpha      ? "from the picture's alpha channel"
                                                 : "opaque";
    const std::string scaling =
        scaled ? "  the picture was scaled from " + svc::int_to_string(picture_width) + " x " +
                     svc::int_to_string(picture_height) + " to " + svc::int_to_string(width) + " x " +
                     svc::int_to_string(height) + " pixels (--fit, area averaging)\n"
               : "";
    print_summary(o, codes_folder, width, height, codes, made, first, scaling + "  ground opacity: " + opacity + "\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::vector<svc::Argument> args;
  const std::string problem = svc::split_arguments(argc, argv, {"--colours", "--colors", "--cell", "--alpha", "--screen"},
                                                   {"--opaque", "--fit", "--force", "--quiet", "-q"}, args);
  if (!problem.empty()) return usage_error(problem);
  std::vector<std::string> positional;
  for (const svc::Argument& a : args) {
    const std::string& arg = a.name == "--colors" ? std::string("--colours") : a.name;
    const std::string& value = a.value;
    if (arg.empty()) {
      positional.push_back(value);
    } else if (arg == "--colours" || arg == "--cell" || arg == "--alpha" || arg == "--screen") {
      if (arg == "--colours" && !tools::parse_number(value, kFewestReducedColours, kMostReducedColours, o.colours))
        return usage_error("--colours " + value + ": not a number of colours from 2 to 4096");
      if (arg == "--cell" && !tools::parse_number(value, 1, 512, o.cell))
        return usage_error("--cell " + value + ": not a number of pixels from 1 to 512");
      if (arg == "--screen" && !tools::parse_size(value, 64, 32768, o.screen_width, o.screen_height))
        return usage_error("--screen " + value + ": not a desktop size WxH (64 to 32768 each), for example 1920x1080");
      if (arg == "--alpha") {
        if (value.empty()) return usage_error("--alpha needs a picture");
        o.alpha = value;
      }
    } else if (arg == "--opaque") {
      o.opaque = true;
    } else if (arg == "--fit") {
      o.fit = true;
    } else if (arg == "--force") {
      o.force = true;
    } else if (arg == "--quiet" || arg == "-q") {
      o.quiet = true;
    } else {
      return svc::standard_option(arg, "worldmake", kUsage);
    }
  }
  if (o.opaque && !o.alpha.empty()) return usage_error("--opaque and --alpha exclude each other");
  if (positional.size() != 2)
    return usage_error(positional.size() < 2 ? "PICTURE and FOLDER are needed"
                                             : "too many arguments: " + positional[2]);
  o.picture = positional[0];
  o.folder = positional[1];
  if (o.picture.empty()) return usage_error("PICTURE is empty");
  if (o.folder.empty()) return usage_error("FOLDER is empty");
  return run(o);
}
