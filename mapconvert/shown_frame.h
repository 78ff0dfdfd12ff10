// shown_frame.h -- the converter's shown frame: black, with the picture at (0, 0); every scan reads it
#pragma once
#include <string>

#include "state.h"

// Makes `sprite` the converter's picture, freeing the one it had, and remembers the file it came from.
void adopt_picture(ConverterState& state, int sprite, const std::string& path);

// Draws the shown frame on the back buffer: the screen cleared to black and the picture at (0, 0).
// Draws nothing while no picture is loaded.
void draw_shown_frame(const ConverterState& state);

// Loads a picture file as the converter's picture and shows it (drawn and flipped), as opening it
// in the converter does; false, with the old picture kept, when the file does not decode.
bool show_picture(ConverterState& state, const std::string& path);
