// exported_placement.h -- a map worldexport wrote: the world's definitions it carries, and whether
// its objects are exactly what the engine's random placement gives with them
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "formats/tmx.h"
#include "placement_replay.h"

namespace tools {

// An object definition as the map carries it, with the tile object that shows it.
struct CarriedDefinition {
  ReplayDefinition placement;
  bool drawn = false;  // DGFXSHOW 1 with a picture and an opacity: the map shows its instances
  int fit = 0, center = 0, collision = 0;
  std::string hot_spot;       // "", "CENTER", "RIGHT", "BOTTOMLEFT" or "BOTTOMRIGHT"
  uint32_t gid = 0;           // The tile its instances show in the map (flips included); 0: none shown
  int width = 0, height = 0;  // Their size in the map's pixels
};

// A cell definition as the map carries it on its code's tile.
struct CarriedCode {
  ReplaySlots slots;  // CHILD1 ... as the definition names them ("#" for none)
  int collision = 0;  // USECOLLISION
};

struct CarriedPlacement {
  bool used = false;        // The map's objects are the world's own placement: codes and definitions kept
  std::string why_not;      // When a map that carries its placement does not match it: why
  int32_t seed = 1;         // WORLDRANDOM
  std::vector<CarriedDefinition> definitions;  // In catalogue order
  std::map<std::string, CarriedCode> codes;
  int object_layer = -1;    // The layer of the objects the placement draws again, or -1
  bool objects_at_scale = false;  // Some object is not a cell-filling one: the world keeps the tile size as its cell
};

// Checks a map whose hidden code layer gave every cell its code (`cell_codes`, row by row, "" for
// none): when the map carries worldexport's definitions and seed, replays the engine's placement
// with them and compares it, object for object, with the map's visible layers. `used` only when
// the ground layer shows one tile per code and the objects are exactly the placement's, in the
// engine's drawing order, at its positions and sizes.
CarriedPlacement check_carried_placement(const tmx::ReadMap& map, const std::vector<std::string>& cell_codes);

}  // namespace tools
