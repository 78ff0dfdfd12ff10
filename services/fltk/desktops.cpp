// desktops.cpp -- the display table from FLTK's screen list
#include "services/desktops.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <vector>

namespace svc {
namespace {

struct Desktop {
  int width = 0;
  int height = 0;
  int depth = 24;
};

std::vector<Desktop> desktops;

const Desktop* desktop(int index) {
  if (index < 0 || index >= static_cast<int>(desktops.size())) return nullptr;
  return &desktops[static_cast<size_t>(index)];
}

}  // namespace

int examine_desktops() {
  desktops.clear();
  const int count = Fl::screen_count();  // Opens the display
  const int depth = fl_visual ? fl_visual->depth : 24;
  for (int n = 0; n < count; ++n) {
    Desktop d;
    int x, y;
    Fl::screen_xywh(x, y, d.width, d.height, n);
    d.depth = depth;
    desktops.push_back(d);
  }
  return static_cast<int>(desktops.size());
}

int desktop_width(int index) { return desktop(index) ? desktop(index)->width : 0; }

int desktop_height(int index) { return desktop(index) ? desktop(index)->height : 0; }

// X does not report a refresh rate through FLTK; 60 Hz is what nearly every display runs at.
int desktop_frequency(int index) { return desktop(index) ? 60 : 0; }

int desktop_depth(int index) { return desktop(index) ? desktop(index)->depth : 0; }

}  // namespace svc
