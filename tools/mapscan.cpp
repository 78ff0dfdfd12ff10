// mapscan.cpp -- batch map conversion: the converter's scans on a display-less screen
//
//   mapscan KIND PICTURE MAP [--dest FOLDER] [--codec SUFFIX] [--colours N] [--screen WxH] [--yes] [--quiet]
//
// Writes exactly the map the converter's menu command writes after opening PICTURE on a screen
// of W x H (default: one pixel wider and higher than the picture, so nothing lies beyond the
// screen). For ai and ai-basic the colour-code files go to FOLDER with SUFFIX. Exit codes: 0 done,
// 1 a file could not be read or written (one line names it), 2 a usage error.
#include <cstdio>
#include <string>
#include <vector>

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
#include "services/paths.h"
#include "services/pictures.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "services/windows.h"
#include "tool_common.h"

namespace {

const char* const kUsage =
    "usage: mapscan KIND PICTURE MAP [options]\n"
    "       mapscan --help | --version\n"
    "\n"
    "Scans PICTURE (PNG, JPEG, TIFF or BMP) into the map MAP, byte for byte as mapconvert's menu\n"
    "command does, without a window. KIND is red, green, blue, rgb, ai or ai-basic; MAP gets the\n"
    "kind's extension (.red, .green, .blue, .rgb, .qz61) unless it has it.\n"
    "\n"
    "options:\n"
    "  --dest FOLDER   ai and ai-basic: the folder of the colour-code files (required)\n"
    "  --codec SUFFIX  ai and ai-basic: the suffix of every colour-code file name (default none)\n"
    "  --colours N     ai: reduce the picture to at most N colours first (2 to 4096), chosen in\n"
    "                  CIELAB without dithering; the same picture and N always give the same map.\n"
    "                  The black margin around the picture keeps its own code beside the N\n"
    "  --screen WxH    scan on a screen of W x H pixels, as mapconvert on such a desktop\n"
    "                  (default: one pixel wider and higher than the picture)\n"
    "  --yes           ai: create the colour-code files even when there are more than 10,000\n"
    "                  (a photograph has hundreds of thousands: --colours N is usually wanted)\n"
    "  --quiet         no summary line on success\n"
    "  --help          print this text and exit\n"
    "  --version       print the suite's version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read or written, 2 on a usage error.\n";

// More new colour-code files than this need --yes: a photograph has hundreds of thousands of colours.
constexpr long kCodeFileLimit = 10000;

struct Options {
  std::string kind, picture, map, dest, codec;
  bool has_dest = false, yes = false, quiet = false;
  int screen_width = 0, screen_height = 0;  // 0: picture size plus one
  int colours = 0;                          // 0: every colour keeps its code
};

// One line naming the file and the reason, then exit code 1.
int fail(const std::string& file, const std::string& reason) { return tools::fail("mapscan", file, reason); }

int usage_error(const std::string& problem) { return svc::usage_error("mapscan", problem, kUsage); }

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

// A number with thousands separated by commas: 480,844.
std::string grouped(long value) {
  std::string digits = svc::int_to_string(value), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0 && digits[i - 1] != '-') out += ',';
    out += digits[i];
  }
  return out;
}

// The colour-code files a full AI scan of the shown frame would create: its distinct codes
// (read as the scan reads them, the extra column and row included) whose file is missing. Stops
// counting at limit + 1.
long new_code_files(const ConverterState& state, int width, int height, long limit) {
  std::vector<bool> seen(size_t(1) << 24);
  std::vector<int32_t> codes;
  svc::start_drawing(svc::screen_output());
  for (int x = 0; x <= width; ++x)
    for (int y = 0; y <= height; ++y) {
      const int32_t colour = svc::point(x, y) & 0xFFFFFF;
      if (!seen[size_t(colour)]) {
        seen[size_t(colour)] = true;
        codes.push_back(colour);
      }
    }
  svc::stop_drawing();
  if (long(codes.size()) <= limit) return long(codes.size());  // few enough, whatever exists already
  long missing = 0;
  for (int32_t colour : codes) {
    const std::string code = colour_code(svc::red(colour), svc::green(colour), svc::blue(colour));
    if (svc::file_size(colour_code_file_name(state.destination_folder, code, state.codec)) == -1 && ++missing > limit)
      break;
  }
  return missing;
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
    return usage_error("unknown KIND " + o.kind + " (red, green, blue, rgb, ai or ai-basic)");
  if (ai && (!o.has_dest || o.dest.empty()))
    return usage_error("an AI map needs --dest FOLDER for its colour-code files");
  if (o.colours && o.kind != "ai") return usage_error("--colours reduces the colours of KIND ai only");
  if (o.picture.empty()) return usage_error("PICTURE is empty");
  if (o.map.empty()) return usage_error("MAP is empty");

  // A MAP that names a folder would become a hidden file inside it ("folder/.red").
  const char last = o.map.back();
  if (last == '/' || last == '\\' || svc::file_size(o.map) == -2)
    return fail(o.map, "is a folder; name the map file, for example " + svc::folder_part(o.map + "/") + "land");

  // The map's folder before the work: a scan that runs to 100 % and then has nowhere to go wastes the wait.
  for (const std::string& path : {o.picture, o.map, o.dest})
    if (!tools::missing_drive(path).empty()) return fail(path, tools::missing_drive(path));
  const std::string map_folder = svc::folder_part(o.map);
  if (!map_folder.empty() && svc::file_size(map_folder) != -2)
    return fail(map_file_name(o.map, kind), svc::file_size(map_folder.substr(0, map_folder.size() - 1)) >= 0
                           ? "its folder is a file" : "its folder does not exist");

  ConverterState state;
  state.codec = o.codec;
  state.ai_colours = o.colours;
  if (ai) {
    state.destination_folder = o.dest;
    const char dest_last = o.dest.back();
    if (dest_last != '/' && dest_last != '\\') state.destination_folder += '/';
    if (svc::file_size(state.destination_folder) != -2)
      return fail(o.dest, svc::file_size(o.dest) >= 0 ? "is a file, not a folder" : "no such folder");
  }

  const int64_t size = svc::file_size(o.picture);
  if (size == -1) return fail(o.picture, "no such file");
  if (size == -2) return fail(o.picture, "is a folder, not a picture");

  svc::start_services();
  svc::headless::record_drawing(false);
  svc::register_image_decoders();
  state.source_path = o.picture;

  // The converter's shown frame: the screen cleared to black, the picture at (0, 0). The screen's
  // size follows from the picture's, so it is opened once the decoder knows that size.
  std::string screen_problem;
  bool screen_open = false;
  auto open_screen = [&](int width, int height) {
    state.picture_width = width;
    state.picture_height = height;
    const int sw = o.screen_width ? o.screen_width : width + 1;
    const int sh = o.screen_height ? o.screen_height : height + 1;
    svc::headless::set_desktop(sw, sh);
    if (!svc::open_window(0, 0, 0, sw, sh, "mapscan", svc::WINDOW_CENTRED_CAPTION) ||
        !svc::open_windowed_screen(svc::window_handle(0), 0, 0, sw, sh, 0, 0, 0)) {
      screen_problem =
          "no memory for a screen of " + svc::int_to_string(sw) + " x " + svc::int_to_string(sh) + " pixels";
      return false;
    }
    screen_open = true;
    return true;
  };
  // Usually the picture decodes straight onto the black screen, with no copy of it kept as a sprite;
  // a picture larger than a chosen screen is loaded and drawn clipped, as the converter draws it.
  if (!svc::headless::show_picture_file(o.picture, open_screen)) {
    if (!screen_problem.empty()) return fail(o.picture, screen_problem);
    const int picture = svc::load_sprite(-1, o.picture, svc::SPRITE_TEXTURE);
    if (!picture) return fail(o.picture, svc::picture_error());
    adopt_picture(state, picture, o.picture);
    if (!screen_open && !open_screen(state.picture_width, state.picture_height)) return fail(o.picture, screen_problem);
    draw_shown_frame(state);
  }
  state.picture_loaded = true;
  svc::flip_buffers();

  // The converter asks before a full colour-code map; the batch tool asks for --yes instead. A reduced map
  // has at most 4,096 codes.
  if (o.kind == "ai" && !o.yes && o.colours == 0) {
    const long files = new_code_files(state, state.picture_width, state.picture_height, kCodeFileLimit);
    if (files > kCodeFileLimit) {
      svc::stop_services();
      return fail(o.dest, "the picture has more than " + grouped(kCodeFileLimit) +
                              " colours without a colour-code file there, one file each; give --colours N to reduce "
                              "it to at most N colours first (--colours 16 for a start), or --yes to create them all");
    }
  }

  Bar bar;
  ScanProgress progress;
  progress.column_done = show_progress;
  progress.context = &bar;
  const ScanProgress* shown = os::is_terminal(2) ? &progress : nullptr;

  const ScanReport report =
      ai ? scan_ai_map(state, o.kind == "ai-basic", state.picture_width, state.picture_height, o.map, shown)
         : scan_colour_map(state, kind, state.picture_width, state.picture_height, o.map, shown);
  svc::stop_services();

  if (!report.map_written) {
    const std::string folder = svc::folder_part(report.map_path);
    if (!folder.empty() && svc::file_size(folder) != -2) return fail(report.map_path, "its folder does not exist");
    return fail(report.map_path, "cannot be written (no permission, a folder of that name, or disk full)");
  }
  if (report.codes_failed > 0) {
    // The usual reason is the folder itself; the map is written and kept either way.
    const bool writable = os::may_access(svc::system_path(state.destination_folder), true);
    return fail(state.destination_folder,
                grouped(report.codes_failed) + " colour-code files could not be created (" +
                    (writable ? "disk full, or names the file system refuses" : "no permission to write there") +
                    "; the map is written)");
  }
  if (!o.quiet) {
    const long entries = long(state.picture_width + 1) * (state.picture_height + 1);
    std::string line = "mapscan: " + svc::shown_path(report.map_path) + " written, " + grouped(entries) + " entries";
    if (ai)
      line += "; colour-code files in " + svc::shown_path(state.destination_folder) + ": " + grouped(report.codes_created) +
              " created, " + grouped(report.codes_distinct - report.codes_created) + " kept";
    if (o.colours > 0)
      line += " (" + grouped(report.codes_distinct - report.margin_codes) + " for the picture's colours" +
              (report.margin_codes > 0 ? ", " + grouped(report.margin_codes) + " for the margin around it)" : ")");
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::vector<svc::Argument> args;
  const std::string problem = svc::split_arguments(
      argc, argv, {"--dest", "--codec", "--screen", "--colours", "--colors"}, {"--yes", "-y", "--quiet", "-q"}, args);
  if (!problem.empty()) return usage_error(problem);
  std::vector<std::string> positional;
  for (const svc::Argument& a : args) {
    const std::string& arg = a.name == "--colors" ? std::string("--colours") : a.name;
    const std::string& value = a.value;
    if (arg.empty()) {
      positional.push_back(value);
    } else if (arg == "--dest") {
      o.dest = value;
      o.has_dest = true;
    } else if (arg == "--codec") {
      o.codec = value;
    } else if (arg == "--colours") {
      if (!tools::parse_number(value, kFewestReducedColours, kMostReducedColours, o.colours))
        return usage_error("--colours " + value + ": not a number of colours from 2 to 4096");
    } else if (arg == "--screen") {
      if (!tools::parse_size(value, 1, 32768, o.screen_width, o.screen_height))
        return usage_error("--screen " + value + ": not a screen size WxH (1 to 32768 each)");
    } else if (arg == "--yes" || arg == "-y") {
      o.yes = true;
    } else if (arg == "--quiet" || arg == "-q") {
      o.quiet = true;
    } else {
      return svc::standard_option(arg, "mapscan", kUsage);
    }
  }
  if (positional.size() != 3)
    return usage_error(positional.size() < 3 ? "KIND, PICTURE and MAP are needed"
                                             : "too many arguments: " + positional[3]);
  o.kind = positional[0];
  o.picture = positional[1];
  o.map = positional[2];
  return run(o);
}
