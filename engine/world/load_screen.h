// load_screen.h -- the picture shown for four seconds before the world is built
#pragma once
#include <string>

void show_load_screen();  // Draws random(1) for the picture's digit, then shows it when it loads
// The draw alone: random(1) when LOADSCREEN has a "#" (the picture's name then), else no draw and "".
// A rebuild in place makes it so that its later draws follow start-up's.
std::string draw_load_screen_name();

// The picture's name start-up drew last ("" for none): the file a rebuild in place follows.
const std::string& load_screen_picture();
// Loads that picture again without showing it (a rebuild in place, when the file changed or the name
// did). False when the file is there but does not decode: the picture loaded before stays. A file that
// is gone takes the picture away, as start-up would load none. Without a window nothing is loaded.
bool reload_load_screen_picture(const std::string& name);

// How long the picture stays, in milliseconds (4000; tests set 0). Kept across runs.
void set_load_screen_wait(int milliseconds);

// LOADSCREEN with its first "#" replaced by the digit; "" when there is no "#".
std::string load_screen_name(const std::string& pattern, int digit);
