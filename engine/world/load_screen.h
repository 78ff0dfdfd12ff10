// load_screen.h -- the picture shown for four seconds before the world is built
#pragma once
#include <string>

void show_load_screen();  // Draws random(1) for the picture's digit, then shows it when it loads
// The draw alone: random(1) when LOADSCREEN has a "#" (the picture's name then), else no draw and "".
// A rebuild in place makes it so that its later draws follow start-up's.
std::string draw_load_screen_name();

// How long the picture stays, in milliseconds (4000; tests set 0). Kept across runs.
void set_load_screen_wait(int milliseconds);

// LOADSCREEN with its first "#" replaced by the digit; "" when there is no "#".
std::string load_screen_name(const std::string& pattern, int digit);
