// first_screen.cpp -- the cell size and cursor speed a made world opens with
#include "first_screen.h"

#include <algorithm>
#include <cmath>

int crossing_speed(int columns) {
  const double frames_per_step = kCrossingGoal_s * 60.0 / std::max(1, columns);
  const int delay = std::clamp(int(std::lround(frames_per_step)) - 1, 0, 255);
  return 255 - delay;
}

FirstScreen first_screen_at(int cell, int columns, int rows, int screen_width, int screen_height) {
  FirstScreen s;
  s.cell = std::max(1, cell);
  s.columns_shown = std::clamp(screen_width / s.cell, 1, std::max(1, columns));
  s.rows_shown = std::clamp(screen_height / s.cell, 1, std::max(1, rows));
  s.cursor_speed = crossing_speed(s.columns_shown);
  s.crossing_s = s.columns_shown * (256.0 - s.cursor_speed) / 60.0;
  return s;
}

FirstScreen choose_first_screen(int columns, int rows, int screen_width, int screen_height) {
  const int fits = std::min(screen_width / std::max(1, columns), screen_height / std::max(1, rows));
  return first_screen_at(std::clamp(fits, kSmallestFirstCell, kLargestFirstCell), columns, rows, screen_width,
                         screen_height);
}
