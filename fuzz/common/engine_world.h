// engine_world.h -- a small complete world folder for the engine targets, the engine started in it
// once, and one whole engine run in it
#pragma once
#include <string>

namespace fuzz {

// The configuration of the world below: the 4 x 3 map "maps/land", or (labyrinth) the base file
// "base.txt" with the labyrinth tiles.
std::string engine_config(bool labyrinth);

// Writes DATA/ini.txt, the map pair, ground and object pictures, the object definitions
// "objects/tree.dll" and "objects/BUSH.dll" (of the picture "BUSH.BMP"), the cell definitions of the
// map's codes and of the labyrinth tiles, and the base file "base.txt" (a 12 x 9 header).
void write_engine_world(bool labyrinth);

// The targets that feed one reader: enters the target's folder, writes the world and starts the
// engine in it without a window, once per process (later calls do nothing). The readers then run
// against this started engine, as they do below simengine's start-up.
void start_engine_world(const std::string& target, bool labyrinth);

// A fresh grid of (maxX + 1) x (maxY + 1) cells for one input. What the last input left (placed
// objects, ground sprites, parsed definitions) is freed first, so every input starts from the same
// world and a finding replays alone. A small grid stands in for the 513 x 513 one: cropping is the
// same code at a smaller bound, and each input pays for its own cells only.
void fresh_grid(int maxX, int maxY);

// Frees what the input made (placed objects, ground sprites, parsed definitions) before it returns.
// libFuzzer looks for leaks after each input whose allocations and frees differ in number, and that
// scan of the whole heap costs far more than the readers: an input that frees its own world is not
// scanned. The grid's cells stay allocated (fresh_grid reuses them).
void end_input();
// The part of end_input that forgets the names the input entered (for a target that frees its
// world another way).
void forget_input_names();

// simengine's whole body on the headless platform (64 x 48 desktop): start-up, three frames with a
// cursor move, a wheel step and a labyrinth variant switch, then the close event. The end-to-end
// target runs it per input, for what only a whole start-up reaches.
void run_engine_once();

}  // namespace fuzz
