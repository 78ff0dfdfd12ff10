// frame.h -- one frame of the main loop: input, world, relative timer, debug overlay, flip
#pragma once
#include <string>

void run_frame();      // The whole frame, in its fixed order
void timer_tick();     // Advances InGameRelativeTimer once every refresh period + 1 frames
void debug_overlay();  // The five debug lines at the top left of the screen

// The text of overlay line n (0 to 4) as it would be drawn now.
std::string debug_overlay_line(int line);
