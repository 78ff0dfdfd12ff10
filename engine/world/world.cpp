// world.cpp -- owns the loaded world record and empties it, every way it is emptied
//
// The steps that fill it (map loading, the labyrinth, definitions and objects) call down into this
// file; it calls none of them. build_world (world_build.cpp) runs them at start-up.
#include "world/world.h"

#include <algorithm>
#include <utility>

#include "base/state.h"
#include "services/sprites.h"

World worldState;

namespace {

// Frees the 3D sprite of a cell's ground picture (0 is never one), so that the cell names none: a
// later free cannot take a number that a new sprite has been given since.
void free_ground_sprite(WorldCell& c) {
  if (c.groundSprite != 0 && svc::is_sprite3d(c.groundSprite)) svc::free_sprite3d(c.groundSprite);
  c.groundSprite = 0;
}

// The part of the grid the last base build wrote, and the grid it wrote it in. Builds write only
// inside their base, so a rebuild in the same grid resets that part alone: the cells beyond it are
// still as dim_array left them, and a small base rebuilds without walking all 66,049 cells.
struct BuiltArea {
  const WorldCell* cells = nullptr;
  int maxX = -1, maxY = -1;
};
BuiltArea built;

}  // namespace

void free_ground_sprites() {
  for (WorldCell& c : worldState.world.cells) free_ground_sprite(c);
}

void reset_cursor_list() {
  svc::clear_list(worldState.cursorList);
  svc::add_element(worldState.cursorList);  // zero-filled: (0, 0), move counter 0
}

uint64_t world_detail::drawingGeneration = 1;

namespace {
uint64_t forgetCount = 0;
}

uint64_t drawing_generation() { return world_detail::drawingGeneration; }
uint64_t world_forget_count() { return forgetCount; }

void clear_world() {
  note_drawing_changed();
  svc::clear_list(worldState.floorList);
  for (auto* n = worldState.instanceList.head; n; n = n->next)
    if (svc::is_sprite3d(n->value.sprite3d)) svc::free_sprite3d(n->value.sprite3d);
  svc::clear_list(worldState.instanceList);
  clear_definition_cache();
}

void clear_definition_cache() {
  DefinitionCache& cache = worldState.definitions;
  // An empty cache (a build's start, right after the last one's end) keeps the last build's.
  if (engine.liveReload != 0 && !cache.byCode.empty()) worldState.lastDefinitions = std::move(cache);
  cache = DefinitionCache{};
}

void clear_object_catalogue() {
  for (auto* n = worldState.objectCatalogue.head; n; n = n->next)
    if (svc::is_sprite(n->value.sprite)) svc::free_sprite(n->value.sprite);
  svc::clear_list(worldState.objectCatalogue);
  worldState.objectNames = ObjectNameIndex{};
}

void clear_ground_catalogue() {
  for (auto* n = worldState.groundCatalogue.head; n; n = n->next)
    if (svc::is_sprite(n->value.sprite)) svc::free_sprite(n->value.sprite);
  svc::clear_list(worldState.groundCatalogue);
  worldState.groundNames = GroundIndex{};
}

void keep_object_catalogue() {
  release_kept_objects();
  for (auto* n = worldState.objectCatalogue.head; n; n = n->next) worldState.keptObjects.push_back(n->value);
  svc::clear_list(worldState.objectCatalogue);
  worldState.objectNames = ObjectNameIndex{};
}

void release_kept_objects() {
  for (const ObjectDefinition& d : worldState.keptObjects)
    if (d.sprite != 0 && svc::is_sprite(d.sprite)) svc::free_sprite(d.sprite);
  worldState.keptObjects.clear();
}

void clear_world_lists() {
  clear_world();
  clear_object_catalogue();
}

namespace {

// reset_world, keeping the cells of 0..keepMaxX x 0..keepMaxY (none for -1) as they are.
void reset_world_keeping(int keepMaxX, int keepMaxY) {
  engine.scrollX = 0;
  engine.scrollY = 0;
  clear_world();
  svc::Grid<WorldCell>& grid = worldState.world;
  const bool sameGrid = built.cells && built.cells == grid.cells.data() && grid.columns == kBaseGridMax + 1 &&
                        grid.rows == kBaseGridMax + 1;
  if (sameGrid) {
    for (int x = 0; x <= built.maxX; x++)
      for (int y = x <= keepMaxX ? std::max(keepMaxY + 1, 0) : 0; y <= built.maxY; y++) {
        WorldCell* c = svc::cell(grid, x, y);
        free_ground_sprite(*c);
        *c = WorldCell{};
      }
  } else {
    free_ground_sprites();
    svc::dim_array(grid, kBaseGridMax, kBaseGridMax);
  }
  // The build that follows stays inside the base size its caller has just set.
  built = BuiltArea{grid.cells.data(), engine.mapMaxX, engine.mapMaxY};
}

}  // namespace

void reset_world() { reset_world_keeping(-1, -1); }

void reset_world_for_rewrite() { reset_world_keeping(engine.mapMaxX, engine.mapMaxY); }

void empty_world() {
  clear_world_lists();
  release_kept_objects();
  free_ground_sprites();
  clear_ground_catalogue();
  forget_world();
}

void forget_world() {
  note_drawing_changed();
  forgetCount++;
  World& w = worldState;
  w.world = svc::Grid<WorldCell>{};
  svc::clear_list(w.floorList);
  svc::clear_list(w.cursorList);
  svc::clear_list(w.instanceList);
  svc::clear_list(w.objectCatalogue);
  svc::clear_list(w.groundCatalogue);
  svc::clear_list(w.spareList);
  w.objectNames = ObjectNameIndex{};
  w.groundNames = GroundIndex{};
  w.definitions = DefinitionCache{};
  w.lastDefinitions = DefinitionCache{};
  w.keptObjects.clear();
  w.unreadableFiles.clear();
  w.loadBar = ProgressBar{};
  w.buildBar = ProgressBar{};
}
