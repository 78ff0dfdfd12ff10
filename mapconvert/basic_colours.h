// basic_colours.h -- the basic AI reduction: five colours, decided from a position's red, green and blue
#pragma once
#include <cstdint>

// The basic colour of a red, green, blue triple: red, green, blue, yellow or black.
int32_t basic_colour(int red, int green, int blue);

// Replaces the screen pixel at (x, y) by its basic colour (inside a drawing pass) and returns that
// colour. Off the screen, where nothing can be drawn, the position still reduces (white to black).
int32_t classify_pixel(int x, int y);
