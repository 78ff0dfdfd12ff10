// input_state.cpp -- the snapshots every platform stores, and the key-edge and axis rules read from them
#include "input_state.h"

#include <algorithm>
#include <cstring>

#include "services/input.h"

namespace svc {

namespace {

bool keys_now[256];
bool keys_before[256];
int wheel_steps;
int axis_x, axis_y;

bool valid_key(int scan_code) { return scan_code >= 0 && scan_code < 256; }

}  // namespace

namespace detail {

void store_key_snapshot(const bool down[256]) {
  std::memcpy(keys_before, keys_now, sizeof keys_now);
  std::memcpy(keys_now, down, sizeof keys_now);
}

void clear_input_state() {
  std::memset(keys_now, 0, sizeof keys_now);
  std::memset(keys_before, 0, sizeof keys_before);
  wheel_steps = 0;
  axis_x = axis_y = 0;
}

void store_wheel(int steps) { wheel_steps = steps; }

void store_joystick(int raw_x, int raw_y) {
  axis_x = std::clamp(raw_x, -1000, 1000);
  axis_y = std::clamp(raw_y, -1000, 1000);
}

int axis_direction(int raw) {
  if (raw < -500) return -1;
  if (raw > 500) return 1;
  return 0;
}

}  // namespace detail

int key_down(int scan_code) { return valid_key(scan_code) && keys_now[scan_code] ? 1 : 0; }

// Up in this snapshot and down in the one before: true in exactly one snapshot per release.
int key_released(int scan_code) {
  return valid_key(scan_code) && !keys_now[scan_code] && keys_before[scan_code] ? 1 : 0;
}

int mouse_wheel() { return wheel_steps; }

int joystick_axis_x() { return detail::axis_direction(axis_x); }

int joystick_axis_y() { return detail::axis_direction(axis_y); }

}  // namespace svc
