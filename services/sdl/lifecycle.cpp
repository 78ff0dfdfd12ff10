// lifecycle.cpp -- starts SDL and SDL_ttf, and frees every window, texture, font and device at the end
#include "services/lifecycle.h"

#include <cstdlib>

#include "state.h"

namespace svc::sdl {
State state;
}  // namespace svc::sdl

namespace svc {

using sdl::state;

void start_services() {
  if (state.started) return;
  // Each subsystem on its own, so a machine without a display still has events and joysticks.
  sdl::start_events();
  SDL_InitSubSystem(SDL_INIT_VIDEO);
  // Without a display SDL falls back to drivers that show nothing; a window there could never be
  // seen or closed, so the machine counts as having no display unless someone asked for that driver.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
      !SDL_getenv("SDL_VIDEODRIVER"))
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_InitSubSystem(SDL_INIT_JOYSTICK);
  TTF_Init();
  state.started = true;
}

void stop_services() {
  if (!state.started) return;
  sdl::destroy_screen();
  state.windows.for_each([](int, SDL_Window* w) { SDL_DestroyWindow(w); });
  state.windows.clear();
  sdl::quit_sdl();
}

void end_program(int exit_code) {
  stop_services();
  std::exit(exit_code);
}

}  // namespace svc
