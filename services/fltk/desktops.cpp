// desktops.cpp -- the display table from FLTK's screen list
#include "services/desktops.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include "desktop_table.h"

namespace svc {

// X does not report a refresh rate through FLTK; 60 Hz is what nearly every display runs at.
int examine_desktops() {
  std::vector<detail::DesktopMode> found;
  const int count = Fl::screen_count();  // Opens the display
#ifdef _WIN32
  const int depth = 24;  // Windows desktops show true colour
#else
  const int depth = fl_visual ? fl_visual->depth : 24;
#endif
  for (int n = 0; n < count; ++n) {
    detail::DesktopMode d{0, 0, 60, depth};
    int x, y;
    Fl::screen_xywh(x, y, d.width, d.height, n);
    found.push_back(d);
  }
  detail::store_desktops(found);
  return count;
}

}  // namespace svc
