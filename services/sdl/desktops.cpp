// desktops.cpp -- the table of displays from SDL, the primary display at index 0
#include <vector>
#include "sdl_state.h"
#include "services/desktops.h"

namespace svc {

namespace {

struct Desktop {
  int width, height, frequency, depth;
};
std::vector<Desktop> desktops;

const Desktop* desktop_at(int index) {
  if (index < 0 || index >= static_cast<int>(desktops.size())) return nullptr;
  return &desktops[index];
}

}  // namespace

int examine_desktops() {
  desktops.clear();
  int count = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetNumVideoDisplays() : 0;
  for (int i = 0; i < count; i++) {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(i, &mode) != 0) continue;
    desktops.push_back({mode.w, mode.h, mode.refresh_rate, static_cast<int>(SDL_BITSPERPIXEL(mode.format))});
  }
  return static_cast<int>(desktops.size());
}

int desktop_width(int index) {
  const Desktop* d = desktop_at(index);
  return d ? d->width : 0;
}

int desktop_height(int index) {
  const Desktop* d = desktop_at(index);
  return d ? d->height : 0;
}

int desktop_frequency(int index) {
  const Desktop* d = desktop_at(index);
  return d ? d->frequency : 0;
}

int desktop_depth(int index) {
  const Desktop* d = desktop_at(index);
  return d ? d->depth : 0;
}

}  // namespace svc
