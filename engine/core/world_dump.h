// world_dump.h -- the loaded world as text: extent, cursor, and one line per cell
#pragma once
#include <string>

// Line 1 "mapMaxX mapMaxY"; line 2 "cursor X Y" (pixels, rounded); then for x from 0 to mapMaxX
// and within it y from 0 to mapMaxY, the tab-separated fields x, y, code, loaded, groundAlpha,
// pictureName, lastChildSlot and the placed child names joined by ",". Lines end in "\n".
std::string world_dump_text();

// Runs the engine's start-up without a window, optionally switches to a base variant and
// rebuilds as the main loop would, and writes the dump to standard output. Exit code 0, or 1
// when start-up failed (its message goes to standard error).
int run_world_dump(bool setVariant, int variant);
