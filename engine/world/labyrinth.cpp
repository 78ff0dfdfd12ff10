// labyrinth.cpp -- builds the self-created base: walls everywhere, then three random walks carve
// floor, green and water, and floor cells next to other tiles get edge marks
//
// The size and layout come from the one engine-wide random generator, seeded with WORLDRANDOM +
// the base variant, so one configuration and variant always give the same base. The first build
// of a run seeds twice and uses another size formula than a rebuild, so it differs from a later
// rebuild of the same variant. The base is clipped to the grid: a size beyond the last index (256)
// becomes 256, so no step touches a cell outside the world.
#include "world/labyrinth.h"

#include <algorithm>
#include <cstdint>

#include "base/state.h"
#include "base/notices.h"
#include "formats/map_format.h"
#include "services/clock.h"
#include "services/line_reader.h"
#include "services/random.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "world/cell_definitions.h"
#include "world/objects.h"
#include "world/progress_bar.h"
#include "world/world.h"

namespace {

const std::string kWall = "LAB_WALL";
const std::string kFloor = "LAB_FLOOR";
const std::string kGreen = "LAB_GREEN";
const std::string kWater = "LAB_WATER";

int largestBase = kBaseGridMax;

// A computed base size as the grid can hold it: negative sizes (from a negative header) give 0,
// sizes beyond the grid (or the bound set) give its last index.
int32_t clip_to_grid(int64_t size) {
  if (size < 0) return 0;
  if (size > largestBase) return largestBase;
  return static_cast<int32_t>(size);
}

// WORLDRANDOM + variant as the generator's 32-bit seed (wrapping, as 32-bit arithmetic does).
uint32_t variant_seed() {
  return static_cast<uint32_t>(engine.worldRandom) + static_cast<uint32_t>(engine.baseVariant);
}

// One pass of the edge marks over the floor list, against the west (dx -1) or north (dy -1) neighbour:
// a floor cell next to a wall, green or water cell takes that tile's mark for the side. Names are
// compared by number; a mark's name is entered in the table when it is first given, as before.
void mark_pass(int dx, int dy) {
  const bool west = dx != 0;
  const CellName tiles[3] = {cell_name(kWall), cell_name(kGreen), cell_name(kWater)};
  const char* const markTexts[3] = {west ? "LAB_WALL_E" : "LAB_WALL_S", west ? "LAB_GREEN_E" : "LAB_GREEN_S",
                                    west ? "LAB_WATER_E" : "LAB_WATER_S"};
  CellName marks[3];
  svc::reset_list(worldState.floorList);
  while (FloorCell* e = svc::next_element(worldState.floorList)) {
    const WorldCell* n = svc::cell(worldState.world, e->x + dx, e->y + dy);
    WorldCell* c = svc::cell(worldState.world, e->x, e->y);
    if (!n || !c || n->code == e->code) continue;
    for (int k = 0; k < 3; k++) {
      if (n->code != tiles[k]) continue;
      if (marks[k].empty()) marks[k] = cell_name(markTexts[k]);
      c->code = marks[k];
      break;
    }
    // Every cell whose neighbour is not plain floor is redefined for its current code.
    set_tile(e->x, e->y, c->code);
  }
}

// The random walk shared by the floor and tile carvers. It starts at (1, 1) heading west; each
// step may draw a new direction (chance 1 in LABSWITCH + 1), then moves one cell unless the move
// would reach column or row 1 again, or the last two columns or rows. A wall it lands on becomes
// `tile`.
void random_walk(int maxX, int maxY, const std::string& tileText, bool floor) {
  // The walk visits some hundred thousand cells: names are compared by number.
  const CellName tile = cell_name(tileText), wall = cell_name(kWall), floorName = cell_name(kFloor);
  int px = 1, py = 1, d = 0;
  int64_t steps = static_cast<int64_t>(maxX) * maxY;
  bool cursorPlaced = false;
  while (steps > 0) {
    int dx = 0, dy = 0;
    if (svc::random(engine.labSwitch) == 0) d = svc::random(3);
    switch (d) {
      case 0:
        if (px - 1 > 1) dx = -1;
        break;
      case 1:
        if (py - 1 > 1) dy = -1;
        break;
      case 2:
        if (px + 1 < maxX - 1) dx = 1;
        break;
      case 3:
        if (py + 1 < maxY - 1) dy = 1;
        break;
    }
    px += dx;
    py += dy;
    WorldCell* c = svc::cell(worldState.world, px, py);
    if (c && c->code == wall) {
      set_tile(px, py, tile);
      if (floor) {
        if (FloorCell* f = svc::append_element(worldState.floorList)) {
          f->x = px;
          f->y = py;
          f->code = floorName;
        }
        if (!cursorPlaced) {
          svc::reset_list(worldState.cursorList);
          while (Cursor* cur = svc::next_element(worldState.cursorList)) {
            cur->x = static_cast<float>(px) * engine.resolution;
            cur->y = static_cast<float>(py) * engine.resolution;
          }
          cursorPlaced = true;
        }
      }
    }
    steps--;
  }
}

// Walls, floor, green, water, edge marks, then the ground sprites fitted to the cell size.
void build_layout() {
  fill_walls(engine.mapMaxX, engine.mapMaxY);
  carve_floor(engine.mapMaxX, engine.mapMaxY);
  carve_tiles(engine.mapMaxX, engine.mapMaxY, kGreen);
  carve_tiles(engine.mapMaxX, engine.mapMaxY, kWater);
  mark_edges();
  ground_refit();
  clear_definition_cache();
}

}  // namespace

void set_tile(int x, int y, const std::string& tile) { set_tile(x, y, cell_name(tile)); }

void set_tile(int x, int y, CellName tile) {
  WorldCell* c = svc::cell(worldState.world, x, y);
  if (!c) return;
  c->code = tile;
  // The tile's definition file is cell_definition_path(tile), found by the tile's name number as a
  // map's codes are: a build sets hundreds of thousands of cells from a few tiles.
  apply_cell_definition(*c, find_code_definition(c->code));
  assign_ground_sprite(*c, c->pictureName);
  place_cell_objects(*c);
}

void show_build_progress() {
  ProgressBar& bar = worldState.buildBar;
  if (engine.builtVariant != engine.baseVariant) {
    bar.width = 1.0f;
    engine.builtVariant = engine.baseVariant;
  }
  bar.width += progress_step(engine.mapMaxX, engine.mapMaxY);
  // The bar is due with every 2 * mapMaxX + 1st call (and shown at most ten times a second).
  bar.dueCounter++;
  const bool due = bar.dueCounter > 2 * engine.mapMaxX;
  if (due) bar.dueCounter = 0;
  advance_progress_bar(bar, due);
}

void finish_build_progress() { finish_progress_bar(worldState.buildBar); }

void fill_walls(int maxX, int maxY) {
  restart_progress_bar(worldState.buildBar);  // every build shows its bar at its first chance
  const CellName wall = cell_name(kWall);
  for (int x = 0; x <= maxX; x++) {
    for (int y = 0; y <= maxY; y++) {
      set_tile(x, y, wall);
      if (WorldCell* c = svc::cell(worldState.world, x, y)) {
        c->groundAlpha = 255;
        c->loaded = 1;
      }
      show_build_progress();
    }
  }
  finish_build_progress();
  compute_view_cells();
}

void carve_floor(int maxX, int maxY) { random_walk(maxX, maxY, kFloor, true); }

void carve_tiles(int maxX, int maxY, const std::string& tile) { random_walk(maxX, maxY, tile, false); }

void mark_edges() {
  mark_pass(-1, 0);
  mark_pass(0, -1);
}

void set_largest_base(int largest) { largestBase = std::clamp(largest, 0, kBaseGridMax); }

void build_base(const std::string& basePath) {
  // The base file is a map header without entries: its lines 2 and 3 give the extent.
  svc::LineReader file;
  if (!svc::open_line_reader(file, basePath)) {
    fatal_message(FATAL_NO_BASE);
    return;
  }
  MapHeader header = read_map_header(file);
  svc::close_line_reader(file);
  engine.baseMaxX = header.width;
  engine.baseMaxY = header.height;
  clear_definition_cache();

  // Seeded twice: the first build follows another sequence than a rebuild of the same variant.
  svc::random_seed(svc::random_seed(variant_seed()));

  // Four draws, in this order; a negative half draws nothing useful and gives size 0.
  int64_t x = int64_t{svc::random(engine.baseMaxX / 2)} + svc::random(engine.baseMaxX / 2);
  int64_t y = int64_t{svc::random(engine.baseMaxY / 2)} + svc::random(engine.baseMaxY / 2);
  engine.mapMaxX = clip_to_grid(x);
  engine.mapMaxY = clip_to_grid(y);

  reset_world();
  build_layout();
}

void rebuild_base() {
  if (engine.baseVariant < 1) engine.baseVariant = 0;
  clear_definition_cache();
  svc::random_seed(variant_seed());

  int64_t x = int64_t{svc::random(engine.baseMaxX / 2)} + engine.baseMaxX / 2 + engine.baseVariant;
  int64_t y = int64_t{svc::random(engine.baseMaxY / 2)} + engine.baseMaxY / 2 + engine.baseVariant;
  // Outside 1..MAPSIZE the size falls back to MAPSIZE.
  if (x > engine.mapSizeX || x < 1) x = engine.mapSizeX;
  if (y > engine.mapSizeY || y < 1) y = engine.mapSizeY;
  engine.mapMaxX = clip_to_grid(x);
  engine.mapMaxY = clip_to_grid(y);

  reset_world();
  load_object_catalogue();
  build_layout();
}
