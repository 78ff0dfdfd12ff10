// first_screen.h -- how a made world opens: the cell size that shows the whole picture at once, and a
// cursor speed that crosses it in a few seconds
#pragma once

// What simengine shows first of a world of columns x rows cells on a screen of the given size.
struct FirstScreen {
  int cell = 0;             // RESOLUTION: the cell edge in pixels
  int cursor_speed = 0;     // CURSORSPEED: 255 - speed frames pass between two steps of a held arrow
  int columns_shown = 0;    // Cells of the world on the first screen, across and down
  int rows_shown = 0;
  double crossing_s = 0.0;  // Seconds a held arrow takes across the shown columns at 60 frames a second
};

constexpr int kSmallestFirstCell = 2;   // Below this a 1920 x 1080 frame takes too long to draw
constexpr int kLargestFirstCell = 64;   // The wheel's upper bound: a tiny picture is not blown up further
constexpr double kCrossingGoal_s = 3.0; // Held arrow across the shown world, where one step per frame allows

// The largest cell from kSmallestFirstCell to kLargestFirstCell at which the whole world fits the
// screen (or kSmallestFirstCell, showing as much as fits), and the speed for that view.
FirstScreen choose_first_screen(int columns, int rows, int screen_width, int screen_height);

// The view of the world at a given cell size, with the speed for it.
FirstScreen first_screen_at(int cell, int columns, int rows, int screen_width, int screen_height);

// The cursor speed at which a held arrow crosses `columns` cells in about kCrossingGoal_s at 60
// frames a second: one step every round(180 / columns) frames, at most one per frame.
int crossing_speed(int columns);
