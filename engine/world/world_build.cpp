// world_build.cpp -- the start-up build: the record's grid, then the builders in their order
//
// Nothing in engine/world calls this file; the core runs it at start-up and for a rebuild in place.
#include "world/world_build.h"

#include "base/state.h"
#include "formats/map_format.h"
#include "services/grid.h"
#include "world/cell_definitions.h"
#include "world/labyrinth.h"
#include "world/map_loading.h"
#include "world/objects.h"
#include "world/world.h"

namespace {

// The grid's size before the first build; a base build replaces it with 257 x 257.
constexpr int kStartGridMax = 512;

}  // namespace

void build_world() {
  svc::dim_array(worldState.world, kStartGridMax, kStartGridMax);
  load_ground_catalogue();
  clear_world_lists();
  load_object_catalogue();
  reset_cursor_list();
  if (engine.labyrinthMode == 1)
    build_base(engine.labyrinthBaseFile);
  else
    load_colour_code_map(map_path(engine.appEntry + engine.appStart, MAP_AI));
}
