// screen_renderer.cpp -- the screen's renderer on a window: OpenGL when the system has it, else SDL's choice;
// the driver named in SDL_RENDER_DRIVER when the user names one
#include <cstring>

#include "screen_window.h"
#include "state.h"

namespace svc::sdl {

namespace {

// The index of the named render driver, or -1.
int render_driver(const char* name) {
  int count = SDL_GetNumRenderDrivers();
  for (int i = 0; i < count; i++) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::strcmp(info.name, name) == 0) return i;
  }
  return -1;
}

// The render driver the user asked for with SDL's own variable (SDL_RENDER_DRIVER=direct3d, say, where
// OpenGL misbehaves), or nullptr: then OpenGL is preferred.
const char* requested_driver() {
  const char* name = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  return name && *name ? name : nullptr;
}

bool opengl_wanted() {
  const char* name = requested_driver();
  return name ? SDL_strcasecmp(name, "opengl") == 0 : render_driver("opengl") >= 0;
}

}  // namespace

Uint32 screen_window_flags() { return opengl_wanted() && render_driver("opengl") >= 0 ? SDL_WINDOW_OPENGL : 0; }

bool open_screen_renderer(WindowHandle window, int width, int height) {
  (void)width;
  (void)height;
  int number = state.windows.find([window](SDL_Window* w) { return reinterpret_cast<WindowHandle>(w) == window; });
  SDL_Window* w = number >= 0 ? *state.windows.get(number) : nullptr;
  if (!w) return false;
  if (state.renderer) destroy_screen();

  // Asking for a driver by index turns batching off, so turn it back on: the engine draws thousands
  // of quads per frame. OpenGL accepts every composed blend mode; any other driver is a fallback,
  // or the user's choice (SDL picks the driver SDL_RENDER_DRIVER names when asked for index -1).
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  int driver = requested_driver() ? -1 : render_driver("opengl");
  SDL_Renderer* r = SDL_CreateRenderer(w, driver, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
  if (!r) r = SDL_CreateRenderer(w, -1, SDL_RENDERER_TARGETTEXTURE);
  if (!r) r = SDL_CreateRenderer(w, -1, 0);
  if (!r) return false;
  state.renderer = r;
  state.screen_window = w;
  return true;
}

bool screens_available() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

void close_screen_renderer() {
  if (state.renderer) SDL_DestroyRenderer(state.renderer);
  state.renderer = nullptr;
  state.screen_window = nullptr;
}

}  // namespace svc::sdl
