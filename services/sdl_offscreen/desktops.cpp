// desktops.cpp -- the offscreen platform's one desktop, of the size the program chose
#include "services/desktops.h"

#include "desktop_table.h"
#include "services/offscreen.h"

namespace svc {

namespace {
detail::DesktopMode desktop = {1024, 768, 60, 32};
}

void offscreen::set_desktop(int width, int height) {
  if (width > 0 && height > 0) {
    desktop.width = width;
    desktop.height = height;
  }
}

int examine_desktops() {
  detail::store_desktops({desktop});
  return 1;
}

}  // namespace svc
