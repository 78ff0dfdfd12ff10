// frame_cache.cpp -- keeps the world drawing in blocks of cells between frames (see frame_cache.h)
//
// A block is drawn exactly as the frame draws those pixels: cleared to black, the ground pass, then
// the object pass, each restricted to the cells whose draws reach the block, in the passes' order
// and with the positions the passes compute, less the block's corner. Draws that do not reach a
// pixel do not change it, so the block holds the frame's pixels. Positions are whole cells apart,
// so a block drawn at one scroll serves every other, with one exception: an offset ending in .5 is
// rounded to even, so at an odd cell size it depends on the parity of the block's screen cell; such
// worlds keep a block per parity.
#include "core/frame_cache.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "base/state.h"
#include "services/grid.h"
#include "services/list.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "world/world.h"

namespace {

int64_t floor_div(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t ceil_div(int64_t a, int64_t b) { return -floor_div(-a, b); }

// How far the draws of one cell reach, in pixels from its top-left corner: [left, right) x [up, down).
struct Reach {
  int64_t left = 0, right = 1, up = 0, down = 1;
  bool halfOffsets = false;  // an offset ends in .5, so its rounding depends on the cell's pixel parity
  bool usable = true;        // false: an offset beyond what the cache places (the passes draw the frame)
};

struct Target {
  int sprite = 0, sprite3d = 0;
  int width = 0, height = 0;
  uint64_t lastUse = 0;
};

// The grid cells whose `occupied` the cache set in this drawing generation, [x0, x1) x [y0, y1):
// it depends only on the cell and its instances, which change only with the generation.
struct OccupiedArea {
  uint64_t generation = 0;
  int columns = -1, rows = -1;
  int64_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};

struct Cache {
  uint64_t generation = 0, forgotten = 0;
  int res = 0, gridColumns = -1, gridRows = -1;
  int blockCells = 0, blockPixels = 0;
  uint64_t changes = 0;   // Counts the changes that leave no block valid (zoom, rebuild, lost targets)
  bool prepared = false;  // The reach is measured and the spare targets fit the block size
  Reach reach;
  std::unordered_map<int, Reach> reaches;  // Measured at each cell size in this generation
  OccupiedArea occupied;
  std::unordered_map<uint64_t, Target> blocks;
  std::vector<Target> spare;  // Block targets of the current size holding nothing valid
  Target strips[4];           // Top, bottom, left, right
  uint64_t frame = 0;
  int drawnBlocks = 0;
  uint64_t passesDrew = 0;  // The change whose first frame the passes drew (0: none)
};

Cache cache;

void free_target(Target& t) {
  if (t.sprite3d && svc::is_sprite3d(t.sprite3d)) svc::free_sprite3d(t.sprite3d);
  if (t.sprite && svc::is_sprite(t.sprite)) svc::free_sprite(t.sprite);
  t = Target{};
}

int64_t block_bytes() { return int64_t{cache.blockPixels} * cache.blockPixels * 4; }

// The blocks' pixels, spare targets included (after a zoom step some are of the size before).
int64_t held_bytes() {
  int64_t bytes = int64_t(cache.blocks.size()) * block_bytes();
  for (const Target& t : cache.spare) bytes += int64_t{t.width} * t.height * 4;
  return bytes;
}

// Every block's picture is out of date: their targets wait in the spare list for new content.
void invalidate_blocks() {
  for (auto& entry : cache.blocks) cache.spare.push_back(entry.second);
  cache.blocks.clear();
}

void free_all() {
  invalidate_blocks();
  for (Target& t : cache.spare) free_target(t);
  cache.spare.clear();
  for (Target& t : cache.strips) free_target(t);
}

// The reach of every cell's draws, over the whole grid (once per change of the world or cell size).
Reach measure_reach(int res) {
  Reach r;
  r.right = r.down = res;
  svc::Grid<WorldCell>& grid = worldState.world;
  svc::List<ObjectInstance>& instances = worldState.instanceList;
  for (int y = 0; y < grid.rows; y++)
    for (int x = 0; x < grid.columns; x++) {
      const WorldCell* cell = svc::cell(grid, x, y);
      if (!cell || cell->groundSprite == 0 || cell->loaded != 1) continue;
      if (cell->groundAlpha > 0) {
        r.right = std::max<int64_t>(r.right, svc::sprite3d_width(cell->groundSprite));
        r.down = std::max<int64_t>(r.down, svc::sprite3d_height(cell->groundSprite));
      }
      const int lastSlot = std::min(cell->lastChildSlot, 7);
      for (int k = 0; k <= lastSlot; k++) {
        const int i = cell->childInstance[k];
        if (i == -1) continue;
        const ObjectInstance* o = svc::select_element(instances, i);
        if (!o || o->sprite3d == 0 || o->show != 1) continue;
        if (!(std::fabs(o->offsetX) < 1.0e6f && std::fabs(o->offsetY) < 1.0e6f)) {
          r.usable = false;
          continue;
        }
        const float fx = std::floor(o->offsetX), fy = std::floor(o->offsetY);
        if (o->offsetX - fx == 0.5f || o->offsetY - fy == 0.5f) r.halfOffsets = true;
        r.left = std::min<int64_t>(r.left, static_cast<int64_t>(fx));
        r.up = std::min<int64_t>(r.up, static_cast<int64_t>(fy));
        r.right = std::max<int64_t>(r.right, static_cast<int64_t>(std::ceil(o->offsetX)) + svc::sprite3d_width(o->sprite3d));
        r.down = std::max<int64_t>(r.down, static_cast<int64_t>(std::ceil(o->offsetY)) + svc::sprite3d_height(o->sprite3d));
      }
    }
  return r;
}

// Draws into the target the passes of the cells of `clip` (view rows and columns) whose draws reach
// its pixels, which lie at (x0, y0) on the screen.
void draw_region(const Target& t, int64_t x0, int64_t y0, const VisitRange& clip, float res) {
  const int64_t cell = cache.res;
  const Reach& reach = cache.reach;
  VisitRange r;
  r.c0 = static_cast<int>(std::max<int64_t>(clip.c0, floor_div(x0 - reach.right, cell) + 1));
  r.c1 = static_cast<int>(std::min<int64_t>(clip.c1, ceil_div(x0 + t.width - reach.left, cell)));
  r.r0 = static_cast<int>(std::max<int64_t>(clip.r0, floor_div(y0 - reach.down, cell) + 1));
  r.r1 = static_cast<int>(std::min<int64_t>(clip.r1, ceil_div(y0 + t.height - reach.up, cell)));
  svc::draw_into_sprite(t.sprite);
  svc::clear_screen(svc::rgb(0, 0, 0));
  svc::sprite3d_blending_mode(svc::BLEND_SRC_ALPHA, svc::BLEND_INV_SRC_ALPHA);
  if (r.c0 < r.c1 && r.r0 < r.r1) {
    const bool onCpu = svc::start_cpu_drawing(svc::rgb(0, 0, 0)) != 0;
    ground_pass(r, res, static_cast<int>(x0), static_cast<int>(y0));
    object_pass(r, res, static_cast<int>(x0), static_cast<int>(y0), false);
    if (onCpu) svc::finish_cpu_drawing();
  }
  svc::draw_into_sprite(0);
}

bool make_target(Target& t, int width, int height) {
  t.sprite = svc::create_target_sprite(-1, width, height);
  t.sprite3d = t.sprite ? svc::create_sprite3d(-1, t.sprite) : 0;
  if (!t.sprite3d) {
    free_target(t);
    return false;
  }
  t.width = width;
  t.height = height;
  return true;
}

void copy_to_screen(const Target& t, int64_t x, int64_t y) {
  svc::sprite3d_blending_mode(svc::BLEND_ONE, svc::BLEND_ZERO);
  svc::display_sprite3d(t.sprite3d, static_cast<int>(x), static_cast<int>(y), 255);
}

// Starts over when the world, the cell size or the grid changed since the last frame.
void follow_changes(int res) {
  const svc::Grid<WorldCell>& grid = worldState.world;
  if (world_forget_count() != cache.forgotten) {
    // The services started again: the numbers held name nothing of ours any more.
    cache = Cache{};
    cache.forgotten = world_forget_count();
  }
  const bool world = drawing_generation() != cache.generation || grid.columns != cache.gridColumns ||
                     grid.rows != cache.gridRows;
  const bool changed = world || res != cache.res;
  if (svc::target_sprites_lost() || changed) {
    invalidate_blocks();
    cache.changes++;
  }
  if (!changed) return;
  if (world) cache.reaches.clear();
  const int blockCells = std::max(1, kFrameCacheBlockPixels / res);
  cache.generation = drawing_generation();
  cache.res = res;
  cache.gridColumns = grid.columns;
  cache.gridRows = grid.rows;
  cache.blockCells = blockCells;
  cache.blockPixels = blockCells * res;
  cache.prepared = false;
}

// What drawing blocks needs after a change, left out of the change's first frame (which the
// passes draw): the cells' reach at this size, measured over the whole grid once per size and
// generation, and spare targets of this block size only.
void prepare_blocks() {
  if (cache.prepared) return;
  auto known = cache.reaches.find(cache.res);
  if (known == cache.reaches.end()) {
    if (cache.reaches.size() >= 64) cache.reaches.clear();  // a long zoom: keep the map small
    known = cache.reaches.emplace(cache.res, measure_reach(cache.res)).first;
  }
  cache.reach = known->second;
  auto wrongSize = [](Target& t) {
    if (t.width == cache.blockPixels && t.height == cache.blockPixels) return false;
    free_target(t);
    return true;
  };
  cache.spare.erase(std::remove_if(cache.spare.begin(), cache.spare.end(), wrongSize), cache.spare.end());
  cache.prepared = true;
}

// Sets `occupied` on the visited cells the cache has not set in this generation: in a still
// frame none, in a scroll the uncovered rows and columns.
void set_new_occupied(const VisitRange& v) {
  const int64_t x0 = engine.scrollX + int64_t{v.c0}, x1 = engine.scrollX + int64_t{v.c1};
  const int64_t y0 = engine.scrollY + int64_t{v.r0}, y1 = engine.scrollY + int64_t{v.r1};
  if (x0 >= x1 || y0 >= y1) return;
  OccupiedArea& a = cache.occupied;
  auto set = [&](int64_t gx0, int64_t gx1, int64_t gy0, int64_t gy1) {
    if (gx0 >= gx1 || gy0 >= gy1) return;
    set_occupied(VisitRange{static_cast<int>(gy0 - engine.scrollY), static_cast<int>(gy1 - engine.scrollY),
                            static_cast<int>(gx0 - engine.scrollX), static_cast<int>(gx1 - engine.scrollX)});
  };
  const bool known = a.generation == drawing_generation() && a.columns == cache.gridColumns &&
                     a.rows == cache.gridRows && a.x0 < x1 && x0 < a.x1 && a.y0 < y1 && y0 < a.y1;
  if (!known) {
    set(x0, x1, y0, y1);
  } else {
    const int64_t oy0 = std::max(y0, a.y0), oy1 = std::min(y1, a.y1);  // the rows both share
    set(x0, x1, y0, oy0);
    set(x0, x1, oy1, y1);
    set(x0, std::min(x1, a.x0), oy0, oy1);
    set(std::max(x0, a.x1), x1, oy0, oy1);
  }
  a = OccupiedArea{drawing_generation(), cache.gridColumns, cache.gridRows, x0, x1, y0, y1};
}

// Frees the least recently used blocks not shown in this frame until the blocks fit the bound.
void keep_within_bound() {
  int64_t bytes = held_bytes();
  while (!cache.spare.empty() && bytes > kFrameCacheBytes) {
    bytes -= int64_t{cache.spare.back().width} * cache.spare.back().height * 4;
    free_target(cache.spare.back());
    cache.spare.pop_back();
  }
  while (int64_t(cache.blocks.size()) * block_bytes() > kFrameCacheBytes) {
    auto oldest = cache.blocks.end();
    for (auto it = cache.blocks.begin(); it != cache.blocks.end(); ++it)
      if (it->second.lastUse < cache.frame && (oldest == cache.blocks.end() || it->second.lastUse < oldest->second.lastUse))
        oldest = it;
    if (oldest == cache.blocks.end()) return;
    free_target(oldest->second);
    cache.blocks.erase(oldest);
  }
}

// Draws a strip of the screen from the visited cells alone, over the blocks; false when its target
// cannot be made.
bool draw_strip(Target& t, int64_t x, int64_t y, int64_t width, int64_t height, const VisitRange& v, float res) {
  if (width <= 0 || height <= 0) return true;
  if (t.width != width || t.height != height) {
    free_target(t);
    if (!make_target(t, static_cast<int>(width), static_cast<int>(height))) return false;
  }
  draw_region(t, x, y, v, res);
  copy_to_screen(t, x, y);
  return true;
}

}  // namespace

FromCache draw_from_frame_cache(const VisitRange& v, float resolution) {
  const int res = rounded(resolution);
  if (res < 1 || static_cast<float>(res) != resolution || res > 4096) return FromCache::LeftToPasses;
  follow_changes(res);
  // The first frame after a change that leaves no block valid is the passes' (drawing blocks
  // costs more than the passes, for the block parts beyond the screen and the switches of target).
  if (cache.blocks.empty() && cache.passesDrew != cache.changes) {
    cache.passesDrew = cache.changes;
    return FromCache::LeftToPasses;
  }
  prepare_blocks();
  if (!cache.reach.usable) return FromCache::LeftToPasses;
  cache.frame++;
  cache.drawnBlocks = 0;
  const int64_t width = rounded(engine.screenWidth), height = rounded(engine.screenHeight);
  const int64_t sx = engine.scrollX, sy = engine.scrollY, cell = res, B = cache.blockCells, P = cache.blockPixels;

  // The blocks over the screen, in world pixels from the grid's corner, and within the cells' reach.
  const int64_t left = sx * cell, top = sy * cell;
  int64_t bx0 = floor_div(left, P), bx1 = ceil_div(left + width, P);
  int64_t by0 = floor_div(top, P), by1 = ceil_div(top + height, P);
  // Blocks whose reaching cells all lie beyond the grid stay black.
  bx0 = std::max(bx0, floor_div(cache.reach.left, P) - 1);
  by0 = std::max(by0, floor_div(cache.reach.up, P) - 1);
  bx1 = std::min(bx1, ceil_div(int64_t{cache.gridColumns} * cell + cache.reach.right, P) + 1);
  by1 = std::min(by1, ceil_div(int64_t{cache.gridRows} * cell + cache.reach.down, P) + 1);
  if (bx1 > bx0 && by1 > by0 && (bx1 - bx0) * (by1 - by0) * block_bytes() > kFrameCacheBytes)
    return FromCache::LeftToPasses;

  const bool parity = cache.reach.halfOffsets && (res & 1);
  auto key_of = [&](int64_t bx, int64_t by) {
    const int64_t column = bx * B - sx, row = by * B - sy;
    const uint64_t phase = parity ? uint64_t((column & 1) | ((row & 1) << 1)) : 0;
    return (uint64_t(bx + (1 << 20)) << 34) | (uint64_t(by + (1 << 20)) << 2) | phase;
  };
  // So is a frame after a change that leaves most blocks to draw, a jump far away for one.
  int64_t missing = 0;
  for (int64_t by = by0; by < by1; by++)
    for (int64_t bx = bx0; bx < bx1; bx++) missing += cache.blocks.count(key_of(bx, by)) ? 0 : 1;
  if (missing * 2 > (bx1 - bx0) * (by1 - by0) && cache.passesDrew != cache.changes) {
    cache.passesDrew = cache.changes;
    return FromCache::LeftToPasses;
  }
  const VisitRange grid = {static_cast<int>(-sy), static_cast<int>(cache.gridRows - sy), static_cast<int>(-sx),
                           static_cast<int>(cache.gridColumns - sx)};
  for (int64_t by = by0; by < by1; by++)
    for (int64_t bx = bx0; bx < bx1; bx++) {
      const int64_t column = bx * B - sx, row = by * B - sy;  // The block's first cell in view cells
      const uint64_t key = key_of(bx, by);
      auto found = cache.blocks.find(key);
      if (found == cache.blocks.end()) {
        Target t;
        if (!cache.spare.empty()) {
          t = cache.spare.back();
          cache.spare.pop_back();
        } else if (!make_target(t, static_cast<int>(P), static_cast<int>(P))) {
          return FromCache::Abandoned;  // whole blocks are on the screen: the passes draw it again
        }
        draw_region(t, column * cell, row * cell, grid, resolution);
        cache.drawnBlocks++;
        found = cache.blocks.emplace(key, t).first;
      }
      found->second.lastUse = cache.frame;
      copy_to_screen(found->second, column * cell, row * cell);
    }

  // Where cells the view does not visit would reach the screen, the visited cells alone are drawn.
  const Reach& reach = cache.reach;
  const int64_t below = std::max<int64_t>(0, int64_t{v.r1} * cell + std::min<int64_t>(0, reach.up));
  const int64_t beyond = std::max<int64_t>(0, int64_t{v.c1} * cell + std::min<int64_t>(0, reach.left));
  const bool ok = (sy + v.r0 <= 0 || draw_strip(cache.strips[0], 0, 0, width, std::min(height, reach.down - cell), v, resolution)) &&
                  (sy + v.r1 >= cache.gridRows || draw_strip(cache.strips[1], 0, below, width, height - below, v, resolution)) &&
                  (sx + v.c0 <= 0 || draw_strip(cache.strips[2], 0, 0, std::min(width, reach.right - cell), height, v, resolution)) &&
                  (sx + v.c1 >= cache.gridColumns || draw_strip(cache.strips[3], beyond, 0, width - beyond, height, v, resolution));
  if (!ok) return FromCache::Abandoned;
  // A renderer that reset while this frame was drawn (Direct3D resets at a switch of target) emptied
  // the blocks and the screen drawn so far: the passes draw the frame, the blocks follow next frame.
  if (svc::target_sprites_lost()) {
    invalidate_blocks();
    return FromCache::Abandoned;
  }
  keep_within_bound();
  set_new_occupied(v);
  return FromCache::Drawn;
}

void forget_frame_cache() {
  free_all();
  cache = Cache{};
}

FrameCacheFigures frame_cache_figures() {
  FrameCacheFigures f;
  f.blocks = static_cast<int>(cache.blocks.size());
  f.drawnBlocks = cache.drawnBlocks;
  f.bytes = held_bytes();
  return f;
}
