// view_input.cpp -- the frame's input steps: arrow keys and joystick move the cursor or scroll the
// view (refused into colliding cells), Page keys step the base variant, the wheel zooms
//
// Scrolling wraps at both ends of the map (core/view.h).
#include "core/view_input.h"

#include <algorithm>
#include <cstdint>

#include "base/state.h"
#include "core/view.h"
#include "services/input.h"
#include "world/world.h"

namespace {

// Moves a scroll value by one without overflowing.
int step_scroll(int value, int delta) {
  if (delta > 0 && value == INT32_MAX) return value;
  if (delta < 0 && value == INT32_MIN) return value;
  return value + delta;
}

// One step of a cursor along one axis (d is -1, 0 or 1): the cursor moves by a cell while it stays
// before the middle of the screen going forward, or past its first pixel going back; otherwise the
// view scrolls by a cell instead.
void step_axis(int8_t d, float& position, float screenSize, int32_t& scroll) {
  const float res = engine.resolution;
  if (d == 1) {
    if (screenSize / 2.0f > position + res)
      position += res;
    else
      scroll = step_scroll(scroll, 1);
  } else if (d == -1) {
    if (position > 1.0f)
      position -= res;
    else
      scroll = step_scroll(scroll, -1);
  }
}

}  // namespace

void keyboard_control() {
  engine.horizontalMove = 0;
  engine.verticalMove = 0;
  svc::examine_keyboard();
  if (svc::key_released(svc::KEY_PAGE_DOWN)) engine.baseVariant--;
  if (svc::key_released(svc::KEY_PAGE_UP)) engine.baseVariant++;
  if (svc::key_down(svc::KEY_LEFT)) engine.horizontalMove = -1;
  if (svc::key_down(svc::KEY_RIGHT)) engine.horizontalMove = 1;
  if (svc::key_down(svc::KEY_DOWN)) engine.verticalMove = 1;
  if (svc::key_down(svc::KEY_UP)) engine.verticalMove = -1;
  collision_check(engine.horizontalMove, engine.verticalMove);
  cursor_move(engine.horizontalMove, engine.verticalMove);
}

namespace {

// Applies one wheel reading to the cell size and recounts the cells on screen. A fast turn of
// several notches may pass the 8 or 64 bound, but never makes the cell size smaller than one
// pixel: a zero or negative size would divide every view step by nothing.
void zoom_by(int wheel) {
  engine.resolution = std::max(1.0f, engine.resolution + static_cast<float>(wheel));
  compute_view_cells();
}

}  // namespace

void wheel_zoom() {
  svc::examine_mouse();
  const int wheel = svc::mouse_wheel();
  if (engine.resolution > 8.0f && wheel < 0) zoom_by(wheel);
  if (engine.resolution < 64.0f && wheel > 0) zoom_by(wheel);
}

void joystick_control() {
  svc::examine_joystick();
  collision_check(static_cast<int8_t>(svc::joystick_axis_x()), static_cast<int8_t>(svc::joystick_axis_y()));
  cursor_move(engine.horizontalMove, engine.verticalMove);
}

void collision_check(int8_t dx, int8_t dy) {
  engine.horizontalMove = dx;
  engine.verticalMove = dy;
  Cursor* cursor = svc::first_element(worldState.cursorList);
  if (!cursor) return;
  int64_t tx = view_column(cursor->x) + dx;
  int64_t ty = view_row(cursor->y) + dy;
  // One step before the first column or row is the last one, as the view wraps there.
  if (tx == -1) tx = engine.mapMaxX;
  if (ty == -1) ty = engine.mapMaxY;
  const WorldCell* target = grid_cell(tx, ty);  // nullptr outside the grid: nothing there blocks the move
  if (target && target->useCollision != 0) {
    engine.horizontalMove = 0;
    engine.verticalMove = 0;
  }
}

void cursor_move(int8_t dx, int8_t dy) {
  for (auto* n = worldState.cursorList.head; n; n = n->next) {
    Cursor& cursor = n->value;
    cursor.moveCounter++;
    if (cursor.moveCounter <= engine.cursorDelay) continue;
    step_axis(dx, cursor.x, engine.screenWidth, engine.scrollX);
    step_axis(dy, cursor.y, engine.screenHeight, engine.scrollY);
    // Scroll limit: wrap at both ends of the map, then the far-end test on the last row/column
    // (a cell whose `loaded` is -1 there ends the map early).
    engine.scrollX = wrap_scroll(engine.scrollX, engine.mapMaxX);
    engine.scrollY = wrap_scroll(engine.scrollY, engine.mapMaxY);
    const WorldCell* lastRow = svc::cell(worldState.world, engine.scrollX, engine.mapMaxY);
    if (lastRow && lastRow->loaded == -1) engine.scrollX = 0;
    const WorldCell* lastColumn = svc::cell(worldState.world, engine.mapMaxX, engine.scrollY);
    if (lastColumn && lastColumn->loaded == -1) engine.scrollY = 0;
    if (dx != 0 || dy != 0) cursor.moveCounter = 0;
  }
}
