// placement_replay.h -- the engine's random placement of objects on a map world, replayed without
// building the world: which definition each CHILD slot of each cell ends up showing
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tools {

// An object definition as the placement sees it, in the object catalogue's order.
struct ReplayDefinition {
  std::string name;     // DGFXNAME as the engine reads it ("NOPE" is never placed)
  int32_t density = 0;  // DDENSITY: placed when random(density) gives 0; negative never (and draws nothing)
};

// The CHILD slots of one cell definition: slot k names an object, or is "#" or empty for none.
using ReplaySlots = std::vector<std::string>;

// Per cell, for each of the eight slots, the catalogue position of the definition placed last in
// it, or -1.
using ReplayCell = std::array<int, 8>;

// Seeds the engine's generator with `seed` (WORLDRANDOM) and places every cell's objects as a map
// world's load does: column by column, each column from the top, slot by slot, every catalogue
// definition of the slot's name drawing once. `cell_codes` holds each cell's index into `codes`
// (-1: a cell without a definition, which draws nothing), row by row, `columns` x `rows`; the
// result is row by row too.
std::vector<ReplayCell> replay_placement(uint32_t seed, const std::vector<ReplayDefinition>& catalogue,
                                         const std::vector<ReplaySlots>& codes, const std::vector<int>& cell_codes,
                                         int columns, int rows);

}  // namespace tools
