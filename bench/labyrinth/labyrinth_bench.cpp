// labyrinth_bench.cpp -- a 256 x 256 labyrinth rebuild against loading a 256 x 256 map pair that
// uses the same cell definition, ground picture and object files, side by side in one run
//
// Prints the median time of each and their ratio (rebuild / map load; the goal is at most 1.5). Both
// are timed by the processor time of the thread that builds, with the process's and the wall time
// beside them, in rounds that alternate the two worlds (each round starts the engine afresh for each).
// Runs on the engine's SDL platform with its window, as simengine does (xvfb-run -a ...).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "base/state.h"
#include "base/notices.h"
#include "core/engine.h"
#include "os.h"
#include "services/sprites.h"
#include "support/bmp.h"
#include "world/labyrinth.h"
#include "world/map_loading.h"
#include "world/objects.h"
#include "world/world.h"
#include "world_load/stopwatch.h"

namespace {

constexpr int kRounds = 3;  // each round: kRuns rebuilds, then kRuns map loads
constexpr int kRuns = 5;     // a run is some tens of milliseconds
const char* const kTiles[] = {"LAB_WALL",    "LAB_FLOOR",   "LAB_GREEN",  "LAB_WATER",   "LAB_WALL_E",
                              "LAB_GREEN_E", "LAB_WATER_E", "LAB_WALL_S", "LAB_GREEN_S", "LAB_WATER_S"};

void write(const std::string& path, const std::string& bytes) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::ofstream(path, std::ios::binary) << bytes;
}

// An 8 x 8 grey picture.
std::string bmp() { return support::solid_bmp(8, 8, 0x40, 0x40, 0x40); }

// The shared files: one definition per tile with a ground picture, and one object that grows on
// floor cells. The map's colour codes are the tile names, so both worlds read the same files.
void write_world_files(const std::string& dir) {
  for (const char* tile : kTiles) {
    std::string def = std::string("GFXNAME\r\n") + tile + ".bmp\r\n";
    if (std::string(tile) == "LAB_FLOOR") def += "CHILD1\r\nstone\r\n";
    write(dir + "codes/lab/" + tile, def);
    write(dir + "ground/" + tile + ".bmp", bmp());
  }
  write(dir + "objects/stone.bmp", bmp());
  write(dir + "objects/stone.dll", "DGFXNAME\r\nstone\r\nDDENSITY\r\n3\r\nDGFXSHOW\r\n1\r\n");
  write(dir + "base.txt", "BASE\r\n512\r\n512\r\n\r\n\r\n");
  // A 256 x 256 map whose cells are walls with floor, green and water stripes.
  std::string code = "QZ61\r\n255\r\n255\r\n\r\n\r\n", red = "RED\r\n255\r\n255\r\n\r\n\r\n";
  const char* parts[][3] = {{"LAB", "_WA", "LL"}, {"LAB", "_FL", "OOR"}, {"LAB", "_GR", "EEN"}, {"LAB", "_WA", "TER"}};
  for (int x = 0; x < 256; x++)
    for (int y = 0; y < 256; y++) {
      const auto& p = parts[(x * 7 + y * 3) % 4];
      code += std::string(p[0]) + "\r\n" + p[1] + "\r\n" + p[2] + "\r\n";
      red += "255\r\n";
    }
  write(dir + "lab.qz61", code);
  write(dir + "lab.red", red);
}

void write_config(const std::string& dir, bool labyrinth) {
  std::string c =
      "RESOLUTION\r\n32\r\nWINDOWMODE\r\n1\r\nRGBCODEPATH\r\ncodes/\r\nAPPSTART\r\nlab\r\nTOPOGFX\r\nground/\r\n"
      "WORLDGFX\r\nobjects/"
      "\r\nGFXCODEC\r\n.bmp\r\nWORLDRANDOM\r\n5\r\nMAPSIZE\r\n256\r\nSELFCREATEBASE\r\nbase.txt\r\n";
  c += labyrinth ? "USESELFCREATEBASE\r\n1\r\n" : "USESELFCREATEBASE\r\n0\r\n";
  write(dir + "DATA/ini.txt", c);
}

}  // namespace

int main(int argc, char** argv) {
  set_fatal_box(false);  // a start-up failure is printed, never shown in a box that waits
  set_fatal_exit_code(1);
  // "rebuild" or "load": only that side runs, for some seconds, for a profiler.
  const std::string only = argc > 1 ? argv[1] : "";
  if (!only.empty() && only != "rebuild" && only != "load") {
    std::fprintf(stderr, "usage: labyrinth_bench [rebuild|load]\n");
    return 2;
  }
  const std::string dir = os::make_temp_folder("labyrinth_bench_");
  if (dir.empty() || !os::change_folder(dir)) return 1;
  write_world_files(dir);
  if (!only.empty()) {
    write_config(dir, only == "rebuild");
    engine_startup(true);
    const bench::Stopwatch watch;
    int runs = 0;
    for (; runs < 400; runs++) {
      if (only == "rebuild") {
        engine.baseVariant = runs + 1;
        rebuild_if_variant_changed();
      } else {
        for (WorldCell& c : worldState.world.cells)
          if (svc::is_sprite3d(c.groundSprite)) svc::free_sprite3d(c.groundSprite);
        svc::dim_array(worldState.world, 512, 512);
        clear_world_lists();
        load_object_catalogue();
        load_colour_code_map(engine.appEntry + engine.appStart + ".qz61");
      }
    }
    std::printf("%s: %d runs, %s in all\n", only.c_str(), runs, bench::shown(watch.elapsed()).c_str());
    engine_shutdown();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
  }

  std::vector<bench::Times> rebuild, load;
  int rebuiltX = 0, rebuiltY = 0, loadedX = 0, loadedY = 0;
  for (int round = 0; round < kRounds; round++) {
    // Labyrinth: each variant change rebuilds the whole 256 x 256 base.
    write_config(dir, true);
    engine_startup(true);
    for (int i = 0; i < kRuns; i++) {
      engine.baseVariant = round * kRuns + i + 1;
      const bench::Stopwatch watch;
      rebuild_if_variant_changed();
      rebuild.push_back(watch.elapsed());
    }
    rebuiltX = engine.mapMaxX;
    rebuiltY = engine.mapMaxY;
    engine_shutdown();

    // Map pair: a fresh start-up world (513 x 513 grid, empty instance list) before each load.
    write_config(dir, false);
    engine_startup(true);
    for (int i = 0; i < kRuns; i++) {
      for (WorldCell& c : worldState.world.cells)
        if (svc::is_sprite3d(c.groundSprite)) svc::free_sprite3d(c.groundSprite);
      svc::dim_array(worldState.world, 512, 512);
      clear_world_lists();
      load_object_catalogue();
      const bench::Stopwatch watch;
      load_colour_code_map(engine.appEntry + engine.appStart + ".qz61");
      load.push_back(watch.elapsed());
    }
    loadedX = engine.mapMaxX;
    loadedY = engine.mapMaxY;
    engine_shutdown();
  }

  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  const bench::Times r = bench::median(rebuild), l = bench::median(load);
  const double ratio = l.thread > 0 ? r.thread / l.thread : 0.0;
  std::printf("labyrinth rebuild %dx%d: %s\nmap pair load %dx%d: %s\n", rebuiltX + 1, rebuiltY + 1,
              bench::shown(r).c_str(), loadedX + 1, loadedY + 1, bench::shown(l).c_str());
  std::printf("labyrinth rebuild over the map load (thread processor time): %.2f (goal <= 1.5): %s\n", ratio,
              ratio <= 1.5 ? "met" : "MISSED");
  return 0;
}
