// view_input.cpp -- the frame's input steps: arrow keys and joystick move the cursor or scroll the
// view (refused into colliding cells), Page keys step the base variant, the wheel zooms
//
// Scrolling wraps: a scroll position past mapMaxX becomes 0 and one below 0 becomes mapMaxX (the
// same for y), so the view never starts outside the map and no cell outside `world` is read. The
// drawing step applies the same -1 -> mapMaxX rule.
#include "core/view_input.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/engine_state.h"
#include "services/input.h"
#include "services/text.h"

namespace {

// The cell column or row under a pixel position; a huge or undefined quotient (no usable cell
// size) gives a value that lies outside every grid.
int cell_under(float pixel, float resolution) {
  float q = std::floor(pixel / resolution);
  if (!(q > -1.0e9f && q < 1.0e9f)) return -1000000000;
  return static_cast<int>(q);
}

// A scroll position wrapped into 0..max as described at the top of the file.
int wrap_scroll(int value, int max) {
  if (max < 0) return 0;
  if (value < 0) return max;
  if (value > max) return 0;
  return value;
}

// Moves a scroll value by one without overflowing.
int step_scroll(int value, int delta) {
  if (delta > 0 && value == INT32_MAX) return value;
  if (delta < 0 && value == INT32_MIN) return value;
  return value + delta;
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
  engine.cellsAcross = svc::round_float(engine.screenWidth / engine.resolution, 1);
  engine.cellsDown = svc::round_float(engine.screenHeight / engine.resolution, 1);
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
  int64_t tx = static_cast<int64_t>(cell_under(cursor->x, engine.resolution)) + engine.scrollX + dx;
  int64_t ty = static_cast<int64_t>(cell_under(cursor->y, engine.resolution)) + engine.scrollY + dy;
  // One step before the first column or row is the last one, as the view wraps there.
  if (tx == -1) tx = engine.mapMaxX;
  if (ty == -1) ty = engine.mapMaxY;
  const bool inRange = tx >= INT32_MIN && tx <= INT32_MAX && ty >= INT32_MIN && ty <= INT32_MAX;
  const WorldCell* target =  // nullptr outside the grid: nothing there blocks the move
      inRange ? svc::cell(worldState.world, static_cast<int>(tx), static_cast<int>(ty)) : nullptr;
  if (target && target->useCollision != 0) {
    engine.horizontalMove = 0;
    engine.verticalMove = 0;
  }
}

void cursor_move(int8_t dx, int8_t dy) {
  const float res = engine.resolution;
  for (auto* n = worldState.cursorList.head; n; n = n->next) {
    Cursor& cursor = n->value;
    cursor.moveCounter++;
    if (cursor.moveCounter <= engine.cursorDelay) continue;
    if (dx == 1) {
      if (engine.screenWidth / 2.0f > cursor.x + res)
        cursor.x += res;
      else
        engine.scrollX = step_scroll(engine.scrollX, 1);
    } else if (dx == -1) {
      if (cursor.x > 1.0f)
        cursor.x -= res;
      else
        engine.scrollX = step_scroll(engine.scrollX, -1);
    }
    if (dy == 1) {
      if (engine.screenHeight / 2.0f > cursor.y + res)
        cursor.y += res;
      else
        engine.scrollY = step_scroll(engine.scrollY, 1);
    } else if (dy == -1) {
      if (cursor.y > 1.0f)
        cursor.y -= res;
      else
        engine.scrollY = step_scroll(engine.scrollY, -1);
    }
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
