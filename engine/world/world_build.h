// world_build.h -- building the whole world at start-up, above the steps that build it
#pragma once

// The start-up grid (512 x 512), both catalogues, one cursor, then the colour-code map pair or the
// labyrinth; the builders leave the grid, the extent and the view's cell counts set. Expects an empty
// world: at start-up, or after empty_world (world/world.h).
void build_world();
