// input_state.h -- the input snapshots every platform feeds; the edge and threshold rules live here once
#pragma once
#include <cstdint>

namespace svc::detail {

void store_key_snapshot(const bool down[256]);  // Current snapshot becomes the previous one, then stores this
void clear_input_state();                       // No key held, wheel 0, joystick centred
void store_wheel(int steps);                    // Wheel steps of the snapshot just taken
void store_joystick(int raw_x, int raw_y);      // Raw axes scaled to -1000..1000
int axis_direction(int raw);                    // -1 below -500, +1 above +500, else 0

}  // namespace svc::detail
