// load_screen.h -- the picture shown for four seconds before the world is built
#pragma once
#include <string>

void show_load_screen();  // Draws random(1) for the picture's digit, then shows it when it loads

// LOADSCREEN with its first "#" replaced by the digit; "" when there is no "#".
std::string load_screen_name(const std::string& pattern, int digit);
