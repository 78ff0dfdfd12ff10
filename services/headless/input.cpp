// input.cpp -- headless keyboard, mouse and joystick: each examine takes the next scripted snapshot
#include "services/input.h"

#include "input_state.h"
#include "state.h"

namespace svc {

using headless::detail::state;

int init_keyboard() { return 1; }
int init_mouse() { return 1; }
int init_joystick() { return state.joystick_present ? 1 : 0; }

// An empty queue means no key is held, which is how a test releases a key.
void examine_keyboard() {
  bool down[256] = {};
  if (!state.key_snapshots.empty()) {
    for (int code : state.key_snapshots.front())
      if (code >= 0 && code < 256) down[code] = true;
    state.key_snapshots.pop_front();
  }
  detail::store_key_snapshot(down);
}

void examine_mouse() {
  int steps = 0;
  if (!state.wheel_steps.empty()) {
    steps = state.wheel_steps.front();
    state.wheel_steps.pop_front();
  }
  detail::store_wheel(steps);
}

void mouse_locate(int x, int y) {
  state.mouse_x = x;
  state.mouse_y = y;
}

// Presence only decides init_joystick(); whoever examines gets the scripted axes.
void examine_joystick() {
  int x = 0, y = 0;
  if (!state.joystick_axes.empty()) {
    x = state.joystick_axes.front().first;
    y = state.joystick_axes.front().second;
    state.joystick_axes.pop_front();
  }
  detail::store_joystick(x, y);
}

}  // namespace svc
