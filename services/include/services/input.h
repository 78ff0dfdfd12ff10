// input.h -- keyboard, mouse wheel and joystick, sampled once per frame
#pragma once

namespace svc {

// Scan codes of the keys the programs use.
enum ScanCode {
  KEY_ESCAPE = 0x01,
  KEY_UP = 0xC8,
  KEY_DOWN = 0xD0,
  KEY_LEFT = 0xCB,
  KEY_RIGHT = 0xCD,
  KEY_PAGE_UP = 0xC9,
  KEY_PAGE_DOWN = 0xD1
};

int init_keyboard();  // Prepares keyboard reading
int init_mouse();     // Prepares mouse reading
int init_joystick();  // Non-zero when a joystick is connected

void examine_keyboard();          // Takes a snapshot of all 256 keys
int key_down(int scan_code);      // Non-zero while the key is held
int key_released(int scan_code);  // Non-zero once, in the snapshot in which the key came up
void examine_mouse();             // Takes a snapshot of the mouse
int mouse_wheel();                // Wheel steps since the previous snapshot, positive away from the user
void mouse_locate(int x, int y);  // Moves the mouse position
void examine_joystick();          // Takes a snapshot of the joystick
int joystick_axis_x();            // -1 below -500, +1 above +500, else 0
int joystick_axis_y();

}  // namespace svc
