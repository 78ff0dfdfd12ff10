// input.cpp -- direct input on the tools' platform: the tools read none, so every snapshot is empty
#include "services/input.h"

#include "input_state.h"

namespace svc {

int init_keyboard() { return 1; }

int init_mouse() { return 1; }

int init_joystick() { return 0; }

void examine_keyboard() {
  const bool none[256] = {};
  detail::store_key_snapshot(none);
}

void examine_mouse() { detail::store_wheel(0); }

void mouse_locate(int, int) {}

void examine_joystick() { detail::store_joystick(0, 0); }

}  // namespace svc
