// desktops.cpp -- the table of displays from SDL, the primary display at index 0
#include "services/desktops.h"

#include "desktop_table.h"
#include "state.h"

namespace svc {

int examine_desktops() {
  std::vector<detail::DesktopMode> found;
  int count = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetNumVideoDisplays() : 0;
  for (int i = 0; i < count; i++) {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(i, &mode) != 0) continue;
    found.push_back({mode.w, mode.h, mode.refresh_rate, static_cast<int>(SDL_BITSPERPIXEL(mode.format))});
  }
  detail::store_desktops(found);
  return static_cast<int>(found.size());
}

}  // namespace svc
