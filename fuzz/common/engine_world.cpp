// engine_world.cpp -- a small complete world folder for the engine targets, and one engine run in it
#include "engine_world.h"

#include <cstdint>

#include "core/engine.h"
#include "base/state.h"
#include "fuzz_folder.h"
#include "services/grid.h"
#include "services/headless.h"
#include "services/input.h"
#include "services/random.h"
#include "services/sprites.h"
#include "services/windows.h"
#include "support/bmp.h"
#include "world/load_screen.h"
#include "world/world.h"

namespace fuzz {
namespace {

const char* const kTiles[] = {"LAB_WALL",    "LAB_FLOOR",   "LAB_GREEN",  "LAB_WATER",   "LAB_WALL_E",
                              "LAB_GREEN_E", "LAB_WATER_E", "LAB_WALL_S", "LAB_GREEN_S", "LAB_WATER_S"};

}  // namespace

std::string engine_config(bool labyrinth) {
  std::string config =
      lines({"RESOLUTION",  "16",    "USESPRITE3D", "1",        "APPENTRY", "maps/", "APPSTART",    "land",
             "TOPOGFX",     "topo/", "WORLDGFX",    "objects/", "GFXCODEC", ".bmp",  "RGBCODEPATH", "codes/",
             "WORLDRANDOM", "7",     "CURSORSPEED", "255",      "MAPSIZE",  "12",    "LOADSCREEN",  "topo/load#.bmp"});
  if (labyrinth) config += lines({"USESELFCREATEBASE", "1", "SELFCREATEBASE", "base.txt", "LABSWITCH", "1"});
  return config;
}

void write_engine_world(bool labyrinth) {
  write_file("DATA/ini.txt", engine_config(labyrinth));
  std::string code = lines({"AI", "4", "3", "SourceImage:", "AI-DATA:"});
  std::string red = lines({"RED", "4", "3", "SourceImage:", "RED-DATA:"});
  for (int x = 0; x <= 4; x++)
    for (int y = 0; y <= 3; y++) {
      code += x == 2 ? lines({"000", "000", "200"}) : lines({"000", "160", "000"});
      red += lines({std::to_string(60 * y + x)});
    }
  write_file("maps/land.qz61", code);
  write_file("maps/land.red", red);
  write_file("topo/grass.bmp", support::solid_bmp(8, 8, 0, 160, 0));
  write_file("topo/water.bmp", support::solid_bmp(8, 8, 0, 0, 200));
  write_file("topo/load0.bmp", support::solid_bmp(16, 12, 200, 0, 0));
  write_file("topo/load1.bmp", support::solid_bmp(16, 12, 0, 0, 200));
  write_file("objects/tree.bmp", support::solid_bmp(4, 4, 120, 60, 0));
  write_file("objects/tree.dll", lines({"DGFXNAME", "tree", "DDENSITY", "0", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255",
                                        "DFITTOMATRIX", "1", "DCOLLISION", "1"}));
  // A picture whose extension differs in letter case from GFXCODEC: the folder scan finds it, and its
  // definition's name is cut at the extension without regard to case.
  write_file("objects/BUSH.BMP", support::solid_bmp(4, 4, 30, 120, 30));
  write_file("objects/BUSH.dll", lines({"DGFXNAME", "bush", "DHOTSPOT", "CENTER"}));
  write_file("codes/land/000160000", lines({"GFXNAME", "grass.bmp", "CHILD1", "tree", "CHILD2", "tree"}));
  write_file("codes/land/000000200", lines({"GFXNAME", "water.bmp", "USECOLLISION", "1"}));
  for (const char* tile : kTiles) {
    write_file(std::string("codes/land/") + tile, lines({"GFXNAME", "grass.bmp", "CHILD1", "tree"}));
    write_file(std::string("topo/") + tile + ".bmp", support::solid_bmp(4, 4, 90, 90, 90));
  }
  write_file("base.txt", lines({"BASE", "12", "9", "", ""}));
}

// The names the started world entered; each input's own are forgotten when it ends.
uint32_t g_world_names = 0;

void start_engine_world(const std::string& target, bool labyrinth) {
  static bool started = false;
  if (started) return;
  enter_work_folder(target);
  write_engine_world(labyrinth);
  svc::headless::reset();
  svc::headless::set_desktop(64, 48);
  svc::headless::record_drawing(false);
  svc::random_forget();
  set_load_screen_wait(0);
  engine_startup(false);
  clear_definition_cache();
  worldState.lastDefinitions = DefinitionCache{};
  g_world_names = cell_name_count();
  started = true;
}

void fresh_grid(int maxX, int maxY) {
  end_input();
  svc::dim_array(worldState.world, maxX, maxY);
  svc::random_seed(static_cast<uint32_t>(engine.worldRandom));  // the same placements on every replay
}

void end_input() {
  clear_world();
  free_ground_sprites();
  forget_input_names();
}

void forget_input_names() {
  // The definitions the input read (kept as the last build's for a live reload) go, so the next
  // input starts from the started world alone; then the names the input entered (its codes and
  // picture and object names) and what is kept by their numbers. Without this the name table
  // grows with every input and a 10-minute run slows down as its memory does.
  clear_definition_cache();
  worldState.definitions = DefinitionCache{};
  worldState.lastDefinitions = DefinitionCache{};
  forget_cell_names_from(g_world_names);
  ObjectNameIndex& objects = worldState.objectNames;
  if (objects.looked.size() > g_world_names) {
    objects.looked.resize(g_world_names);
    objects.byId.resize(g_world_names);
  }
  if (worldState.groundNames.byNameId.size() > g_world_names) worldState.groundNames.byNameId.resize(g_world_names);
}

void run_engine_once() {
  svc::headless::reset();
  svc::headless::set_desktop(64, 48);
  svc::headless::record_drawing(false);
  svc::random_forget();
  set_load_screen_wait(0);
  svc::headless::queue_key_snapshot({svc::KEY_RIGHT});
  svc::headless::queue_key_snapshot({svc::KEY_PAGE_UP});
  svc::headless::queue_wheel(1);
  for (int event : {svc::EVENT_NONE, svc::EVENT_NONE, svc::EVENT_NONE, svc::EVENT_CLOSE})
    svc::headless::queue_event(event);
  svc::headless::run_program(run_simengine);
}

}  // namespace fuzz
