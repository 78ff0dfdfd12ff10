// mapscan.cpp -- batch map conversion: the converter's scans on a display-less screen
//
//   mapscan KIND PICTURE MAP [--dest FOLDER] [--codec SUFFIX] [--screen WxH]
//
// Writes exactly the map the converter's menu command writes after opening PICTURE on a screen
// of W x H (default: one pixel wider and higher than the picture, so nothing lies beyond the
// screen). For ai and ai-basic the colour-code files go to FOLDER with SUFFIX.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "converter_state.h"
#include "scan.h"
#include "services/files.h"
#include "services/headless.h"
#include "services/lifecycle.h"
#include "services/pictures.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "services/windows.h"

namespace {

const char* kUsage =
    "usage: mapscan KIND PICTURE MAP [--dest FOLDER] [--codec SUFFIX] [--screen WxH]\n"
    "       KIND: red, green, blue, rgb, ai, ai-basic\n";

struct Options {
  std::string kind, picture, map, dest, codec;
  bool has_dest = false;
  int screen_width = 0, screen_height = 0;  // 0: picture size plus one
};

// One line naming the file and the reason, then exit code 1.
int fail(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "mapscan: %s: %s\n", file.c_str(), reason.c_str());
  return 1;
}

// "WxH" with both sides from 1 to 32768.
bool parse_screen(const std::string& text, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (i != x && (text[i] < '0' || text[i] > '9')) return false;
  if (x > 5 || text.size() - x - 1 > 5) return false;
  width = std::stoi(text.substr(0, x));
  height = std::stoi(text.substr(x + 1));
  return width >= 1 && height >= 1 && width <= 32768 && height <= 32768;
}

// A progress bar on standard error, redrawn when the percentage changes.
struct Bar {
  int last_percent = -1;
};
void show_progress(int done, int total, void* context) {
  Bar& bar = *static_cast<Bar*>(context);
  const int percent = int(int64_t(done) * 100 / total);
  if (percent == bar.last_percent) return;
  bar.last_percent = percent;
  const int filled = percent * 40 / 100;
  std::fprintf(stderr, "\r[%.*s%.*s] %3d%%", filled, "########################################", 40 - filled,
               "                                        ", percent);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

int run(const Options& o) {
  const bool ai = o.kind == "ai" || o.kind == "ai-basic";
  MapKind kind = MAP_AI;
  if (o.kind == "red")
    kind = MAP_RED;
  else if (o.kind == "green")
    kind = MAP_GREEN;
  else if (o.kind == "blue")
    kind = MAP_BLUE;
  else if (o.kind == "rgb")
    kind = MAP_RGB;
  else if (!ai)
    return fail(o.kind, "unknown kind (use red, green, blue, rgb, ai or ai-basic)");

  ConverterState state;
  state.codec = o.codec;
  if (ai) {
    if (!o.has_dest || o.dest.empty()) return fail(o.map, "an AI map needs --dest FOLDER for its colour-code files");
    state.destination_folder = o.dest;
    const char last = o.dest.back();
    if (last != '/' && last != '\\') state.destination_folder += '/';
    if (svc::file_size(state.destination_folder) != -2) return fail(o.dest, "no such folder");
  }

  const int64_t size = svc::file_size(o.picture);
  if (size == -1) return fail(o.picture, "no such file");
  if (size == -2) return fail(o.picture, "is a folder, not a picture");

  svc::start_services();
  svc::headless::record_drawing(false);
  svc::register_image_decoders();
  const int picture = svc::load_sprite(-1, o.picture, svc::SPRITE_TEXTURE);
  if (!picture) return fail(o.picture, "not a picture that can be decoded (PNG, JPEG, TIFF or BMP)");
  state.source_path = o.picture;
  state.picture = picture;
  state.picture_width = svc::sprite_width(picture);
  state.picture_height = svc::sprite_height(picture);
  state.picture_loaded = true;

  // The converter's shown frame: the screen cleared to black, the picture at (0, 0).
  const int sw = o.screen_width ? o.screen_width : state.picture_width + 1;
  const int sh = o.screen_height ? o.screen_height : state.picture_height + 1;
  if (int64_t(sw) * sh > (int64_t(1) << 28)) return fail(o.picture, "screen too large for memory");
  svc::headless::set_desktop(sw, sh);
  if (!svc::open_window(0, 0, 0, sw, sh, "mapscan", svc::WINDOW_CENTRED_CAPTION) ||
      !svc::open_windowed_screen(svc::window_handle(0), 0, 0, sw, sh, 0, 0, 0))
    return fail(o.picture, "no screen of that size");
  svc::clear_screen(0);
  svc::display_sprite(picture, 0, 0);
  svc::flip_buffers();

  Bar bar;
  ScanProgress progress;
  progress.column_done = show_progress;
  progress.context = &bar;
  const ScanProgress* shown = isatty(2) ? &progress : nullptr;

  const ScanReport report =
      ai ? scan_ai_map(state, o.kind == "ai-basic", state.picture_width, state.picture_height, o.map, shown)
         : scan_colour_map(state, kind, state.picture_width, state.picture_height, o.map, shown);
  svc::stop_services();

  if (!report.map_written) {
    const std::string folder = svc::folder_part(report.map_path);
    if (!folder.empty() && svc::file_size(folder) != -2) return fail(report.map_path, "its folder does not exist");
    return fail(report.map_path, "cannot be written (no permission, a folder of that name, or disk full)");
  }
  if (report.codes_failed > 0)
    return fail(state.destination_folder,
                svc::int_to_string(report.codes_failed) + " colour-code files could not be created");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--dest" || arg == "--codec" || arg == "--screen") {
      if (!has_value) return fail(arg, "needs a value");
      const std::string value = argv[++i];
      if (arg == "--dest") {
        o.dest = value;
        o.has_dest = true;
      } else if (arg == "--codec")
        o.codec = value;
      else if (!parse_screen(value, o.screen_width, o.screen_height))
        return fail(value, "not a screen size WxH (1 to 32768 each)");
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (positional == 0) {
      o.kind = arg;
      ++positional;
    } else if (positional == 1) {
      o.picture = arg;
      ++positional;
    } else if (positional == 2) {
      o.map = arg;
      ++positional;
    } else
      return fail(arg, "unexpected argument");
  }
  if (positional < 3) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  return run(o);
}
