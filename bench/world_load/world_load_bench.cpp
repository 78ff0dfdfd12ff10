// world_load_bench.cpp -- how much a world load costs over reading the files it reads
//
// Two worlds. The first: a 512 x 512 map pair whose cells use 16 colour codes (16 definition files
// naming ground pictures and 8 objects). Timed alternately in the same run: the engine's map load
// (with catalogues, definitions, ground sprites, object placement and the progress bar, on the SDL
// platform in a real window as simengine runs it) and a plain line-by-line read of the same two
// files; goal: the load within 2x of the read. The load shows its bar at its first cell, a flip
// the screen needs whatever the load does: that flip is timed beside the load and counted apart.
// Both goals compare the processor time of the thread that loads and reads (see Times).
// The second: a 513 x 513 map whose every cell has its own colour code, 263,169 definition files
// in all; its load is timed beside a plain loop that opens and reads those files (open, read to
// the end, close); goal: the load within 1.3x of the loop. Run it under a display (xvfb-run).
// The first world is also loaded with its settings naming every folder and the map in other letter
// case (as worlds made on Windows do), timed beside the exact-case load; goal: within 1.2x.
// "--repeat load|grid|read|wide|files|case N" runs only that part, for a profiler; "--small" runs only the
// first world's comparison.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/state.h"
#include "base/notices.h"
#include "formats/map_format.h"
#include "os.h"
#include "services/grid.h"
#include "services/desktops.h"
#include "services/lifecycle.h"
#include "services/random.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/windows.h"
#include "support/bmp.h"
#include "world_load/bench_world.h"
#include "world_load/stopwatch.h"
#include "world/cell_definitions.h"
#include "world/map_loading.h"
#include "world/objects.h"
#include "world/progress_bar.h"
#include "world/world.h"

namespace {

using bench::definition_text;
using bench::write_pictures;
using bench::write_small;
using bench::write_text;
using bench::write_world;

constexpr int kMax = 511;      // 512 x 512 cells
constexpr int kWideMax = 512;  // 513 x 513 cells, each its own code

// The code of a cell of the wide world: its position counted column by column.
std::string wide_code(int x, int y) {
  const int i = x * (kWideMax + 1) + y;
  return colour_code(i & 255, (i >> 8) & 255, i >> 16);
}

// The wide world: a 513 x 513 map pair, every cell its own code and definition file.
void write_wide_world(const std::string& dir) {
  write_pictures(dir);
  std::filesystem::create_directories(dir + "codes/land");
  std::string ai = "AI-FILE:\r\n512\r\n512\r\nSourceImage:\r\nAI-DATA:\r\n";
  std::string red = "RED-FILE:\r\n512\r\n512\r\nSourceImage:\r\nRED-DATA:\r\n";
  for (int x = 0; x <= kWideMax; x++)
    for (int y = 0; y <= kWideMax; y++) {
      const std::string c = wide_code(x, y);
      write_small(dir + "codes/land/" + c, definition_text(x + y));
      ai += c.substr(0, 3) + "\r\n" + c.substr(3, 3) + "\r\n" + c.substr(6, 3) + "\r\n";
      red += std::to_string((x * 7 + y) % 256) + "\r\n";
    }
  write_text(dir + "maps/land.qz61", ai);
  write_text(dir + "maps/land.red", red);
}

using bench::Stopwatch;
using bench::Times;
using bench::median;
using bench::shown;

// One engine load from a fresh state, as start-up does it; without content (useSprite3D 0) the
// cells only get their codes and alphas.
Times time_load(const std::string& dir, bool withContent, int gridMax = kMax, bool otherCase = false) {
  // The previous world's sprites go first, as a rebuild's reset does.
  empty_world();
  reset_engine_state();
  engine.useSprite3D = withContent ? 1 : 0;
  engine.resolution = 32.0f;
  engine.screenWidth = static_cast<float>(svc::desktop_width(0));
  engine.screenHeight = static_cast<float>(svc::desktop_height(0));
  engine.topoGfx = dir + (otherCase ? "TOPO/" : "topo/");
  engine.worldGfx = dir + (otherCase ? "Objects/" : "objects/");
  engine.gfxCodec = ".bmp";
  engine.rgbCodePath = dir + (otherCase ? "CODES/" : "codes/");
  engine.appEntry = dir + (otherCase ? "Maps/" : "maps/");
  engine.appStart = otherCase ? "LAND" : "land";
  svc::random_seed(7);
  // Start-up creates the grid and loads the catalogues before it loads the map.
  svc::dim_array(worldState.world, gridMax + 1, gridMax + 1);
  load_ground_catalogue();
  clear_world_lists();
  load_object_catalogue();
  const Stopwatch watch;
  load_colour_code_map(engine.appEntry + engine.appStart + ".qz61");
  const Times t = watch.elapsed();
  if (withContent && svc::list_size(worldState.instanceList) < 100000)
    std::fprintf(stderr, "world_load_bench: too few objects\n");
  return t;
}

// Only reading the two files, line by line, through the same buffered reader.
Times time_read(const std::string& dir) {
  const Stopwatch watch;
  size_t bytes = 0;
  std::string line;
  for (const char* name : {"maps/land.qz61", "maps/land.red"}) {
    svc::LineReader r;
    svc::open_line_reader(r, dir + name);
    while (!svc::line_reader_at_end(r)) {
      svc::read_line(r, line);
      bytes += line.size();
    }
  }
  const Times t = watch.elapsed();
  if (bytes == 0) std::fprintf(stderr, "world_load_bench: nothing read\n");
  return t;
}

// Only opening and reading the wide world's definition files, in map order: open, read to the end
// (until a read gives nothing), close.
Times time_definition_files(const std::string& dir) {
  const std::string folder = dir + "codes/land/";
  std::string path;
  static char buffer[64 * 1024];
  size_t bytes = 0;
  const Stopwatch watch;
  for (int x = 0; x <= kWideMax; x++)
    for (int y = 0; y <= kWideMax; y++) {
      path.assign(folder).append(wide_code(x, y));
      const os::Handle file = os::open_file(path, os::Open::READ);
      if (file == os::kNoHandle) continue;
      for (int64_t n; (n = os::read_some(file, buffer, sizeof buffer)) > 0;) bytes += static_cast<size_t>(n);
      os::close_file(file);
    }
  const Times t = watch.elapsed();
  if (bytes == 0) std::fprintf(stderr, "world_load_bench: no definition file read\n");
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  set_fatal_box(false);  // a failure is printed, never shown in a box that waits
  set_fatal_exit_code(1);
  const std::string dir = os::make_temp_folder("world_load_");
  if (dir.empty()) return 1;
  const std::string wide = dir + "wide/";
  const std::string part = argc == 4 && std::string(argv[1]) == "--repeat" ? argv[2] : "";
  const bool smallOnly = argc == 2 && std::string(argv[1]) == "--small";
  write_world(dir);
  if ((part.empty() && !smallOnly) || part == "wide" || part == "files") write_wide_world(wide);
  svc::start_services();
  svc::init_sprite();
  svc::init_sprite3d();
  svc::examine_desktops();
  const int w = svc::desktop_width(0), h = svc::desktop_height(0);
  const int window = svc::open_window(-1, 0, 0, w, h, "world_load_bench", svc::WINDOW_BORDERLESS);
  if (!window || !svc::open_windowed_screen(svc::window_handle(window), 0, 0, w, h, 1, 0, 0)) {
    std::fprintf(stderr, "world_load_bench: no window or screen (run under xvfb-run)\n");
    return 1;
  }
  auto finish = [&] {
    clear_world_lists();
    svc::stop_services();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  };
  // "--repeat PART N" only runs that part N times: a steady workload for a profiler.
  if (!part.empty()) {
    for (int i = 0, n = std::atoi(argv[3]); i < n; i++) {
      const Times t = part == "read"    ? time_read(dir)
                      : part == "files" ? time_definition_files(wide)
                      : part == "wide"  ? time_load(wide, true, kWideMax)
                      : part == "case"  ? time_load(dir, true, kMax, true)
                                        : time_load(dir, part == "load");
      std::printf("%s %s\n", part.c_str(), shown(t).c_str());
    }
    finish();
    return 0;
  }
  // Times are processor seconds of the loading thread, medians of the rounds: the machine is shared,
  // and wall time there measures the other programs as much as this one. The process's and the wall
  // medians are printed beside.
  std::vector<Times> loads, bare, reads, flips, otherCase;
  int instances = 0;
  for (int i = 0; i < 7; i++) {
    reads.push_back(time_read(dir));
    bare.push_back(time_load(dir, false));
    // The flip the load's first cell makes, timed on its own just before the load.
    // The same showing the load makes (the bar drawn, then the flip), of a bar of its own.
    ProgressBar bar;
    restart_progress_bar(bar);
    const Stopwatch watch;
    bar.width = engine.screenWidth / 2.0f;
    advance_progress_bar(bar, true);
    flips.push_back(watch.elapsed());
    loads.push_back(time_load(dir, true));
    instances = svc::list_size(worldState.instanceList);
    otherCase.push_back(time_load(dir, true, kMax, true));
    if (svc::list_size(worldState.instanceList) != instances)
      std::fprintf(stderr, "world_load_bench: the other-case world differs\n");
  }
  const Times load = median(loads), grid = median(bare), read = median(reads), flip = median(flips);
  const double ratio = (load.thread - flip.thread) / read.thread;
  std::printf("world load 512x512 (16 definitions, 8 objects, %d instances): %s\n", instances, shown(load).c_str());
  std::printf("  of which the bar's first flip, timed beside it: %s\n", shown(flip).c_str());
  std::printf("grid only (codes and alphas, no definitions, pictures or objects): %s\n", shown(grid).c_str());
  std::printf("reading the same two files line by line: %s (processor time of the loading thread, medians of 7 rounds)\n",
              shown(read).c_str());
  std::printf("ratio grid only / read: %.2f\n", grid.thread / read.thread);
  std::printf("ratio load without the first flip / read: %.2f (goal <= 2.00): %s\n", ratio,
              ratio <= 2.0 ? "met" : "MISSED");
  const Times caseLoad = median(otherCase);
  const double caseRatio = caseLoad.thread / load.thread;
  std::printf("the same load, its settings naming folders and map in other case: %s\n", shown(caseLoad).c_str());
  std::printf("ratio other-case load / exact-case load: %.2f (goal <= 1.20): %s\n", caseRatio,
              caseRatio <= 1.2 ? "met" : "MISSED");
  if (smallOnly) {
    finish();
    return 0;
  }

  std::vector<Times> wideLoads, fileReads;
  for (int i = 0; i < 5; i++) {
    fileReads.push_back(time_definition_files(wide));
    wideLoads.push_back(time_load(wide, true, kWideMax));
    instances = svc::list_size(worldState.instanceList);
  }
  const Times wideLoad = median(wideLoads), files = median(fileReads);
  const int cells = (kWideMax + 1) * (kWideMax + 1);
  std::printf("world load 513x513, %d distinct codes with a definition file each (%d instances): %s\n", cells,
              instances, shown(wideLoad).c_str());
  std::printf("opening and reading those %d files in a plain loop: %s (medians of 5 rounds)\n", cells,
              shown(files).c_str());
  const double wideRatio = wideLoad.thread / files.thread;
  std::printf("ratio load / plain loop: %.2f (goal <= 1.30): %s\n", wideRatio, wideRatio <= 1.3 ? "met" : "MISSED");
  finish();
  return 0;
}
