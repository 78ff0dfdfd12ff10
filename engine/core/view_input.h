// view_input.h -- the frame's input steps: keys and joystick move the cursor and scroll, the wheel zooms
#pragma once
#include <cstdint>

void keyboard_control();                     // Page keys step the variant; arrows move through the collision check
void wheel_zoom();                           // Changes RESOLUTION by the wheel steps within 8..64
void joystick_control();                     // Joystick axes through the collision check
void collision_check(int8_t dx, int8_t dy);  // Sets the horizontal and vertical move
void cursor_move(int8_t dx, int8_t dy);      // Moves every cursor, or scrolls the view
