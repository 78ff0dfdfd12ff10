// fltk_screen.h -- the tools' one screen: back and front CPU buffers and the widget that shows them
#pragma once
#include "surface.h"

class Fl_Widget;
class Fl_Window;

namespace svc::fltk {

struct Screen {
  Fl_Window* window = nullptr;
  Fl_Widget* widget = nullptr;  // nullptr while no screen is open
  detail::Surface back;         // What drawing changes
  detail::Surface front;        // What the widget shows
  bool drawing = false;         // Inside start_drawing / stop_drawing
  bool dirty = false;           // The back buffer changed since the last flip, inside the box below
  int dirty_x0 = 0, dirty_y0 = 0, dirty_x1 = 0, dirty_y1 = 0;
};

Screen& the_screen();
void mark_dirty(int x, int y, int width, int height);  // Clipped to the back buffer

}  // namespace svc::fltk
