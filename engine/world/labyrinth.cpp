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
#include <vector>

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

// What a base build keeps beside the cells while it runs. Which cells are still walls, a byte each at
// x * (maxY + 1) + y: the walks ask it at every step, and its 66 KB stay in the processor's cache
// where the cells' 6 MB do not. And the cell size its ground sprites are zoomed to as they are made,
// while their cells are at hand, instead of in a pass over every cell at the end.
struct BuildCells {
  std::vector<uint8_t> wall;
  int maxX = -1, maxY = -1;
  int edge = 0;

  void fill_walls(int toX, int toY) {
    maxX = toX;
    maxY = toY;
    wall.assign(static_cast<size_t>(maxX + 1) * static_cast<size_t>(maxY + 1), 1);
  }
  uint8_t& at(int x, int y) { return wall[static_cast<size_t>(x) * static_cast<size_t>(maxY + 1) + y]; }
};

// A cell's ground sprite zoomed to the cell size, as ground_refit does.
void fit_ground(const WorldCell& c, int edge) {
  if (c.groundSprite != 0 && c.groundAlpha > 0) svc::zoom_sprite3d(c.groundSprite, edge, edge);
}

// One pass of the edge marks over the floor list, against the west (dx -1) or north (dy -1) neighbour:
// a floor cell next to a wall, green or water cell takes that tile's mark for the side. Names are
// compared by number; a mark's name is entered in the table when it is first given, as before.
void mark_pass(int dx, int dy, const BuildCells* build) {
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
    if (build) fit_ground(*c, build->edge);
  }
}


// The random walk shared by the floor and tile carvers. It starts at (1, 1) heading west; each
// step may draw a new direction (chance 1 in LABSWITCH + 1), then moves one cell unless the move
// would reach column or row 1 again, or the last two columns or rows. A wall it lands on becomes
// `tile`.
// `build`, when given, is the build's record of this base (just filled, 0..maxX x 0..maxY); without
// it the cells are asked.
void random_walk(int maxX, int maxY, const std::string& tileText, bool floor, BuildCells* build) {
  // The walk visits some hundred thousand cells: names are compared by number.
  const CellName tile = cell_name(tileText), wall = cell_name(kWall), floorName = cell_name(kFloor);
  int px = 1, py = 1, d = 0;
  int64_t steps = static_cast<int64_t>(maxX) * maxY;
  bool cursorPlaced = false;
  // West, north, east, south. The direction is random at nearly every step, so the move is worked
  // out without branches, which the processor would mispredict every other step.
  static constexpr int kStepX[4] = {-1, 0, 1, 0};
  static constexpr int kStepY[4] = {0, -1, 0, 1};
  while (steps > 0) {
    if (svc::random(engine.labSwitch) == 0) d = svc::random(3);
    const int nx = px + kStepX[d], ny = py + kStepY[d];
    // A move may not reach column or row 1 again, nor the last two columns or rows.
    const bool inX = (nx > 1) & (nx < maxX - 1), inY = (ny > 1) & (ny < maxY - 1);
    const bool moves = (d & 1) ? inY : inX;
    px = moves ? nx : px;
    py = moves ? ny : py;
    bool isWall;
    if (build) {
      // A base one or two cells wide keeps the walk on (1, 1), outside it: no wall there.
      uint8_t* mapped = px <= build->maxX && py <= build->maxY ? &build->at(px, py) : nullptr;
      isWall = mapped && *mapped != 0;
      if (isWall) *mapped = tile == wall;  // carving walls into walls leaves them walls
    } else {
      const WorldCell* c = svc::cell(worldState.world, px, py);
      isWall = c && c->code == wall;
    }
    if (isWall) {
      set_tile(px, py, tile);
      if (build) fit_ground(*svc::cell(worldState.world, px, py), build->edge);
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

// Every cell of 0..maxX x 0..maxY becomes a wall. What set_tile makes of an emptied cell before its
// picture and objects is the same for every wall, so it is worked out once and copied into each cell
// that was emptied (reset_world), or into every cell when `rewrite` says that reset_world_for_rewrite
// left them for this fill; such a cell's ground sprite takes the wall picture in place. Any other
// cell goes through set_tile.
void fill_wall_cells(int maxX, int maxY, bool rewrite, const BuildCells* build) {
  restart_progress_bar(worldState.buildBar);  // every build shows its bar at its first chance
  const CellName wall = cell_name(kWall);
  WorldCell wallCell;
  wallCell.code = wall;
  apply_cell_definition(wallCell, find_code_definition(wall));
  for (int x = 0; x <= maxX; x++) {
    for (int y = 0; y <= maxY; y++) {
      WorldCell* c = svc::cell(worldState.world, x, y);
      if (c && (rewrite || (c->code.empty() && c->loaded == 0 && c->groundSprite == 0))) {
        const int32_t sprite = c->groundSprite;
        *c = wallCell;
        c->groundSprite = sprite != 0 && svc::is_sprite3d(sprite) ? sprite : 0;
        // Without a wall picture the cell names no sprite, as an emptied cell would.
        if (!assign_ground_sprite(*c, c->pictureName) && c->groundSprite != 0) {
          svc::free_sprite3d(c->groundSprite);
          c->groundSprite = 0;
        }
        place_cell_objects(*c);
      } else {
        set_tile(x, y, wall);
      }
      if (c) {
        c->groundAlpha = 255;
        c->loaded = 1;
        if (build) fit_ground(*c, build->edge);
      }
      show_build_progress();
    }
  }
  finish_build_progress();
  compute_view_cells();
}

// Walls, floor, green, water and edge marks, each ground sprite fitted to the cell size as it is made.
void build_layout(bool rewrite) {
  // Kept between builds, so that a rebuild does not allocate it again.
  static BuildCells build;
  build.edge = ground_edge();
  fill_wall_cells(engine.mapMaxX, engine.mapMaxY, rewrite, &build);
  build.fill_walls(engine.mapMaxX, engine.mapMaxY);
  random_walk(engine.mapMaxX, engine.mapMaxY, kFloor, true, &build);
  random_walk(engine.mapMaxX, engine.mapMaxY, kGreen, false, &build);
  random_walk(engine.mapMaxX, engine.mapMaxY, kWater, false, &build);
  mark_pass(-1, 0, &build);
  mark_pass(0, -1, &build);
  note_ground_fitted(build.edge);
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

void fill_walls(int maxX, int maxY) { fill_wall_cells(maxX, maxY, false, nullptr); }

void carve_floor(int maxX, int maxY) { random_walk(maxX, maxY, kFloor, true, nullptr); }

void carve_tiles(int maxX, int maxY, const std::string& tile) { random_walk(maxX, maxY, tile, false, nullptr); }

void mark_edges() {
  mark_pass(-1, 0, nullptr);
  mark_pass(0, -1, nullptr);
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
  build_layout(false);
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

  reset_world_for_rewrite();
  load_object_catalogue();
  build_layout(true);
}
