// world_drawing.cpp -- draws the visible part of the world: ground pictures, then placed objects,
// then the smoothing pass, all as 3D sprites; then a box at each cursor
//
// The view shows the cells from (scrollX, scrollY) on, cellsDown rows of cellsAcross + 1 columns
// (one column more than fits, so a partly visible column is never missing). Positions outside
// `world` are skipped, so a view larger than the map shows black beyond its end.
#include "core/world_drawing.h"

#include <algorithm>
#include <cstdint>

#include "base/state.h"
#include "core/frame_cache.h"
#include "core/view.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "world/world.h"

int rounded(float value) {
  if (!(value > -1.0e9f && value < 1.0e9f)) return 0;
  return svc::round_nearest(value);
}

namespace {

// The grid keeps a column's cells together, and the passes go along rows: each next cell lies a
// column's length further on, where the processor's own prefetching does not look. Asking for
// the cell a few columns ahead hides most of that wait at small cell sizes.
// (GCC drops __builtin_prefetch in these loops, so on x86 the instruction is asked for itself.)
constexpr int kCellsAhead = 6;
inline void prefetch(const void* address) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
  __builtin_prefetch(address);
#endif
}
inline void prefetch_cell(const svc::Grid<WorldCell>& grid, int x, int y) {
  if (const WorldCell* cell = svc::cell(grid, x, y)) {
    prefetch(cell);
    prefetch(&cell->highestChildSlot);  // the record spans two cache lines
  }
}
// The instances of a cell a few columns ahead come from a list index, then a list node: the index
// entries are asked for three columns ahead, the nodes one column ahead, once those are at hand.
inline void prefetch_instances(const svc::Grid<WorldCell>& grid, const svc::List<ObjectInstance>& instances, int x,
                               int y, bool nodes) {
  const WorldCell* cell = svc::cell(grid, x, y);
  if (!cell) return;
  const int lastSlot = std::min(cell->lastChildSlot, 7);
  for (int k = 0; k <= lastSlot; k++) {
    const void* address = nodes ? static_cast<const void*>(svc::peek_element(instances, cell->childInstance[k]))
                                : svc::peek_index_entry(instances, cell->childInstance[k]);
    if (address) prefetch(address);
  }
}

}  // namespace

VisitRange visit_range() {
  const svc::Grid<WorldCell>& grid = worldState.world;
  const int64_t rows = rounded(engine.cellsDown);
  const int64_t columns = static_cast<int64_t>(rounded(engine.cellsAcross)) + 1;
  const int64_t sx = engine.scrollX, sy = engine.scrollY;
  VisitRange v;
  v.r0 = static_cast<int>(std::clamp<int64_t>(-sy, 0, std::max<int64_t>(rows, 0)));
  v.r1 = static_cast<int>(std::clamp<int64_t>(grid.rows - sy, 0, std::max<int64_t>(rows, 0)));
  v.c0 = static_cast<int>(std::clamp<int64_t>(-sx, 0, std::max<int64_t>(columns, 0)));
  v.c1 = static_cast<int>(std::clamp<int64_t>(grid.columns - sx, 0, std::max<int64_t>(columns, 0)));
  return v;
}

void ground_pass(const VisitRange& v, float res, int originX, int originY) {
  svc::Grid<WorldCell>& grid = worldState.world;
  for (int r = v.r0; r < v.r1; r++) {
    const int py = rounded(r * res) - originY;
    for (int c = v.c0; c < v.c1; c++) {
      prefetch_cell(grid, engine.scrollX + c + kCellsAhead, engine.scrollY + r);
      const WorldCell* cell = svc::cell(grid, engine.scrollX + c, engine.scrollY + r);
      if (!cell || cell->groundSprite == 0 || cell->groundAlpha <= 0 || cell->loaded != 1) continue;
      svc::display_sprite3d(cell->groundSprite, rounded(c * res) - originX, py, cell->groundAlpha);
    }
  }
}

void object_pass(const VisitRange& v, float res, int originX, int originY, bool setOccupied) {
  svc::Grid<WorldCell>& grid = worldState.world;
  svc::List<ObjectInstance>& instances = worldState.instanceList;
  for (int r = v.r0; r < v.r1; r++) {
    for (int c = v.c0; c < v.c1; c++) {
      prefetch_cell(grid, engine.scrollX + c + kCellsAhead, engine.scrollY + r);
      prefetch_instances(grid, instances, engine.scrollX + c + 3, engine.scrollY + r, false);
      prefetch_instances(grid, instances, engine.scrollX + c + 1, engine.scrollY + r, true);
      WorldCell* cell = svc::cell(grid, engine.scrollX + c, engine.scrollY + r);
      if (!cell) continue;
      if (setOccupied) cell->occupied = 0;
      if (cell->groundSprite == 0 || cell->loaded != 1) continue;
      const int lastSlot = std::min(cell->lastChildSlot, 7);
      for (int k = 0; k <= lastSlot; k++) {
        const int i = cell->childInstance[k];
        if (i == -1) continue;
        const ObjectInstance* instance = svc::select_element(instances, i);
        if (!instance || instance->sprite3d == 0 || instance->show != 1) continue;
        if (setOccupied && instance->collision != 0) cell->occupied = 1;
        // Each instance sets its blend factors, so a mode chosen by one object does not carry
        // over to the next.
        if (instance->blendSource > 0 || instance->blendTarget > 0)
          svc::sprite3d_blending_mode(instance->blendSource, instance->blendTarget);
        else
          svc::sprite3d_blending_mode(svc::BLEND_SRC_ALPHA, svc::BLEND_INV_SRC_ALPHA);
        svc::display_sprite3d(instance->sprite3d, rounded(c * res + instance->offsetX) - originX,
                              rounded(r * res + instance->offsetY) - originY, instance->transparency);
      }
    }
  }
}

void set_occupied(const VisitRange& v) {
  svc::Grid<WorldCell>& grid = worldState.world;
  svc::List<ObjectInstance>& instances = worldState.instanceList;
  for (int r = v.r0; r < v.r1; r++) {
    for (int c = v.c0; c < v.c1; c++) {
      prefetch_cell(grid, engine.scrollX + c + kCellsAhead, engine.scrollY + r);
      WorldCell* cell = svc::cell(grid, engine.scrollX + c, engine.scrollY + r);
      if (!cell) continue;
      cell->occupied = 0;
      if (cell->groundSprite == 0 || cell->loaded != 1) continue;
      const int lastSlot = std::min(cell->lastChildSlot, 7);
      for (int k = 0; k <= lastSlot && cell->occupied == 0; k++) {
        const int i = cell->childInstance[k];
        if (i == -1) continue;
        const ObjectInstance* instance = svc::select_element(instances, i);
        if (instance && instance->sprite3d != 0 && instance->show == 1 && instance->collision != 0) cell->occupied = 1;
      }
    }
  }
}

namespace {

// Copies the finished picture shifted by one pixel up and left and draws it back over the whole
// screen with filtered scaling, which softens the frame.
void smoothing_pass() {
  if (svc::is_sprite3d(engine.grabSprite3D)) svc::free_sprite3d(engine.grabSprite3D);
  if (svc::is_sprite(engine.grabSprite)) svc::free_sprite(engine.grabSprite);
  const int w = rounded(engine.screenWidth), h = rounded(engine.screenHeight);
  engine.grabSprite = svc::grab_sprite(-1, 1, 1, w, h, 1);
  engine.grabSprite3D = svc::create_sprite3d(-1, engine.grabSprite);
  svc::zoom_sprite3d(engine.grabSprite3D, w, h);
  svc::sprite3d_quality(1);
  // Drawn opaque: the last object's blend mode would otherwise still be in force (an additive
  // object would add the whole frame to itself).
  svc::sprite3d_blending_mode(svc::BLEND_ONE, svc::BLEND_ZERO);
  svc::display_sprite3d(engine.grabSprite3D, 0, 0, 255);
  svc::sprite3d_quality(0);
}

}  // namespace

void draw_world() {
  const float res = engine.resolution;
  if (engine.zoomedCellSize != rounded(res)) ground_refit();
  engine.scrollX = wrap_scroll(engine.scrollX, engine.mapMaxX);
  engine.scrollY = wrap_scroll(engine.scrollY, engine.mapMaxY);
  svc::clear_screen(svc::rgb(0, 0, 0));
  svc::start_3d();
  const VisitRange v = visit_range();
  // With FRAMECACHE 1 the passes' pictures are kept in blocks and copied; the passes run here
  // when the cache cannot hold this frame, and always with FRAMECACHE 0. Both give the same pixels:
  // the platforms sample a scaled picture the same way wherever it lies.
  const FromCache cached = engine.frameCache == 1 ? draw_from_frame_cache(v, res) : FromCache::LeftToPasses;
  if (cached != FromCache::Drawn) {
    if (cached == FromCache::Abandoned) {  // the cache gave up part way: start the frame again
      svc::clear_screen(svc::rgb(0, 0, 0));
      svc::sprite3d_blending_mode(svc::BLEND_SRC_ALPHA, svc::BLEND_INV_SRC_ALPHA);
    }
    // With the cache the platform may copy the many small pictures on the CPU (same pixels).
    const bool onCpu = engine.frameCache == 1 && svc::start_cpu_drawing(svc::rgb(0, 0, 0)) != 0;
    ground_pass(v, res, 0, 0);
    object_pass(v, res, 0, 0, true);
    if (onCpu) svc::finish_cpu_drawing();
  }
  if (engine.smoothingPass == 1)
    smoothing_pass();
  else
    svc::sprite3d_quality(0);
  svc::stop_3d();
  engine.zoomedCellSize = rounded(res);
}

void draw_position_boxes() {
  engine.boxRed = 0;
  engine.boxGreen = 0;
  engine.boxBlue = 0;
  const float res = engine.resolution;
  svc::start_drawing(svc::screen_output());
  for (auto* n = worldState.cursorList.head; n; n = n->next) {
    const Cursor& cursor = n->value;
    const WorldCell* cell = grid_cell(view_column(cursor.x), view_row(cursor.y));
    const int occupied = cell ? cell->occupied : 0;  // no cell under the cursor reads as 0 (red box)
    if (occupied == -1)
      engine.boxGreen = 255;
    else
      engine.boxRed = 255;
    const int size = rounded(res);
    svc::draw_box(rounded(cursor.x), rounded(cursor.y), size, size,
                  svc::rgb(engine.boxRed, engine.boxGreen, engine.boxBlue));
    if (occupied == 1)
      svc::draw_text(rounded(cursor.x), rounded(cursor.y), "CHILD1NAME:" + cell->childName[0], svc::rgb(255, 255, 200),
                     svc::rgb(0, 0, 0));
  }
  svc::stop_drawing();
}
