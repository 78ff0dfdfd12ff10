// world_load_bench.cpp -- how much a world load costs over reading its two map files
//
// Builds a 512 x 512 map pair whose cells use 16 colour codes (16 definition files naming ground
// pictures and 8 objects), then times, alternately in the same run, the engine's map load (with
// catalogues, definitions, ground sprites, object placement and the progress bar, on the SDL
// platform in a real window as simengine runs it) and a plain line-by-line read of the same two
// files. Prints the ratio (goal <= 2), and the time of one screen flip for comparison (each load
// shows its progress bar once at its first cell). Run it under a display (xvfb-run).
// "--repeat load|grid|read N" runs only that part, for a profiler.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/fatal.h"
#include "formats/map_format.h"
#include "services/grid.h"
#include "services/desktops.h"
#include "services/lifecycle.h"
#include "services/random.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/windows.h"
#include "support/bmp.h"
#include "world/cell_definitions.h"
#include "world/map_loading.h"
#include "world/objects.h"
#include "world/world.h"

namespace {

constexpr int kMax = 511;  // 512 x 512 cells

void write_text(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

void write_bmp(const std::string& path, int r, int g, int b) { write_text(path, support::solid_bmp(8, 8, r, g, b)); }

// The test world: 16 codes, each a ground picture and two object names; 8 objects of density 3.
void write_world(const std::string& dir) {
  for (int k = 0; k < 16; k++) write_bmp(dir + "topo/g" + std::to_string(k) + ".bmp", k * 16, 100, 50);
  for (int k = 0; k < 8; k++) {
    write_bmp(dir + "objects/o" + std::to_string(k) + ".bmp", 200, k * 30, 0);
    write_text(dir + "objects/o" + std::to_string(k) + ".dll",
               "DGFXNAME\r\nobj" + std::to_string(k) +
                   "\r\nDDENSITY\r\n3\r\nDGFXSHOW\r\n1\r\nDFITTOMATRIX\r\n1\r\n"
                   "DHOTSPOT\r\nCENTER\r\nDGFXTRANSPARENCY\r\n255\r\n");
  }
  std::vector<std::string> codes;
  for (int k = 0; k < 16; k++) {
    std::string code = colour_code(k * 16, 100, 50);
    codes.push_back(code);
    write_text(dir + "codes/land/" + code, "GFXNAME\r\ng" + std::to_string(k) + ".bmp\r\nCHILD1\r\nobj" +
                                               std::to_string(k % 8) + "\r\nCHILD2\r\n#\r\nCHILD3\r\nobj" +
                                               std::to_string((k + 3) % 8) + "\r\nRANDOMSEED\r\n5\r\n");
  }
  std::string ai = "AI-FILE:\r\n511\r\n511\r\nSourceImage:\r\nAI-DATA:\r\n";
  std::string red = "RED-FILE:\r\n511\r\n511\r\nSourceImage:\r\nRED-DATA:\r\n";
  for (int x = 0; x <= kMax; x++)
    for (int y = 0; y <= kMax; y++) {
      const std::string& c = codes[static_cast<size_t>((x / 16 + y / 16) % 16)];
      ai += c.substr(0, 3) + "\r\n" + c.substr(3, 3) + "\r\n" + c.substr(6, 3) + "\r\n";
      red += std::to_string((x * 7 + y) % 256) + "\r\n";
    }
  write_text(dir + "maps/land.qz61", ai);
  write_text(dir + "maps/land.red", red);
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One engine load from a fresh state, as start-up does it; without content (useSprite3D 0) the
// cells only get their codes and alphas.
double time_load(const std::string& dir, bool withContent) {
  // The previous world's sprites go first, as a rebuild's reset does.
  for (const WorldCell& c : worldState.world.cells)
    if (c.groundSprite) svc::free_sprite3d(c.groundSprite);
  for (auto* n = worldState.groundCatalogue.head; n; n = n->next) svc::free_sprite(n->value.sprite);
  clear_world_lists();
  reset_engine_state();
  engine.useSprite3D = withContent ? 1 : 0;
  engine.resolution = 32.0f;
  engine.screenWidth = static_cast<float>(svc::desktop_width(0));
  engine.screenHeight = static_cast<float>(svc::desktop_height(0));
  engine.topoGfx = dir + "topo/";
  engine.worldGfx = dir + "objects/";
  engine.gfxCodec = ".bmp";
  engine.rgbCodePath = dir + "codes/";
  engine.appEntry = dir + "maps/";
  engine.appStart = "land";
  svc::random_seed(7);
  // Start-up creates the grid and loads the catalogues before it loads the map.
  svc::dim_array(worldState.world, 512, 512);
  load_ground_catalogue();
  clear_world_lists();
  load_object_catalogue();
  auto t0 = std::chrono::steady_clock::now();
  load_topographic_map(engine.appEntry + engine.appStart + ".qz61");
  double t = seconds_since(t0);
  if (withContent && svc::list_size(worldState.instanceList) < 100000)
    std::fprintf(stderr, "world_load_bench: too few objects\n");
  return t;
}

// Only reading the two files, line by line, through the same buffered reader.
double time_read(const std::string& dir) {
  auto t0 = std::chrono::steady_clock::now();
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
  double t = seconds_since(t0);
  if (bytes == 0) std::fprintf(stderr, "world_load_bench: nothing read\n");
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  set_fatal_box(false);  // a failure is printed, never shown in a box that waits
  set_fatal_exit_code(1);
  std::string pattern = (std::filesystem::temp_directory_path() / "world_load_XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) return 1;
  std::string dir = std::string(buf.data()) + "/";
  write_world(dir);
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
  // "--repeat load|grid|read N" only runs that part N times: a steady workload for a profiler.
  if (argc == 4 && std::string(argv[1]) == "--repeat") {
    const std::string part = argv[2];
    for (int i = 0, n = std::atoi(argv[3]); i < n; i++) {
      double t = part == "read" ? time_read(dir) : time_load(dir, part == "load");
      std::printf("%s %.1f ms\n", part.c_str(), t * 1000.0);
    }
    clear_world_lists();
    svc::stop_services();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
  }
  std::vector<double> loads, bare, reads, flips;
  int instances = 0;
  for (int i = 0; i < 7; i++) {
    reads.push_back(time_read(dir));
    bare.push_back(time_load(dir, false));
    loads.push_back(time_load(dir, true));
    instances = svc::list_size(worldState.instanceList);
    auto t0 = std::chrono::steady_clock::now();
    svc::flip_buffers();
    flips.push_back(seconds_since(t0));
  }
  auto median = [](std::vector<double>& v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  double load = median(loads), grid = median(bare), read = median(reads), flip = median(flips);
  std::printf("world load 512x512 (16 definitions, 8 objects, %d instances): %.1f ms\n", instances, load * 1000.0);
  std::printf("grid only (codes and alphas, no definitions, pictures or objects): %.1f ms\n", grid * 1000.0);
  std::printf("reading the same two files line by line: %.1f ms\n", read * 1000.0);
  // Both loads show the bar on their first cell: one flip of the screen is part of each.
  std::printf("one flip of the screen, as the load's first cell shows the bar: %.1f ms\n", flip * 1000.0);
  std::printf("ratio grid only / read: %.2f\n", grid / read);
  std::printf("ratio load / read: %.2f (goal <= 2.00): %s\n", load / read, load / read <= 2.0 ? "met" : "MISSED");
  clear_world_lists();
  svc::stop_services();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
