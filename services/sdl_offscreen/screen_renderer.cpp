// screen_renderer.cpp -- the offscreen screen: SDL's software renderer on a surface in memory, read back whole
#include "offscreen_windows.h"
#include "services/offscreen.h"
#include "state.h"

namespace svc::sdl {

namespace {
SDL_Surface* surface = nullptr;  // What flip_buffers presents to: the "window" of the screen
}

bool open_screen_renderer(WindowHandle window, int width, int height) {
  if (!window_known(window)) return false;
  if (state.renderer) destroy_screen();
  surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32);
  if (!surface) return false;
  state.renderer = SDL_CreateSoftwareRenderer(surface);
  if (!state.renderer) {
    SDL_FreeSurface(surface);
    surface = nullptr;
    return false;
  }
  state.screen_window = nullptr;
  return true;
}

bool screens_available() { return true; }

void close_screen_renderer() {
  if (state.renderer) SDL_DestroyRenderer(state.renderer);
  state.renderer = nullptr;
  if (surface) SDL_FreeSurface(surface);
  surface = nullptr;
}

}  // namespace svc::sdl

namespace svc::offscreen {

int read_screen(Picture& out) {
  using sdl::state;
  if (!state.renderer || !state.back_buffer) return 0;
  out.width = state.screen_width;
  out.height = state.screen_height;
  out.rgba.resize(size_t(out.width) * size_t(out.height) * 4);
  // Reads the current target, which is the back buffer between flips.
  if (SDL_RenderReadPixels(state.renderer, nullptr, SDL_PIXELFORMAT_RGBA32, out.rgba.data(), out.width * 4) != 0)
    return 0;
  for (size_t i = 3; i < out.rgba.size(); i += 4) out.rgba[i] = 255;
  return 1;
}

}  // namespace svc::offscreen
