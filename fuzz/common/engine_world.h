// engine_world.h -- a small complete world folder for the engine targets, and one engine run in it
#pragma once
#include <string>

namespace fuzz {

// The configuration of the world below: the 4 x 3 map "maps/land", or (labyrinth) the base file
// "base.txt" with the labyrinth tiles.
std::string engine_config(bool labyrinth);

// Writes DATA/ini.txt, the map pair, ground and object pictures, the object definition
// "objects/tree.dll", the cell definitions of the map's codes and of the labyrinth tiles, and the
// base file "base.txt" (a 12 x 9 header).
void write_engine_world(bool labyrinth);

// simengine's whole body on the headless platform (64 x 48 desktop): start-up, three frames with a
// cursor move, a wheel step and a labyrinth variant switch, then the close event.
void run_engine_once();

}  // namespace fuzz
