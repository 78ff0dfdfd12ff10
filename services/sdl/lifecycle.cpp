// lifecycle.cpp -- starts SDL and SDL_ttf, and frees every window, texture, font and device at the end
#include "services/lifecycle.h"

#include <cstdlib>

#include "display_wait.h"
#include "state.h"

namespace svc::sdl {
State state;
}  // namespace svc::sdl

namespace svc {

using sdl::state;

namespace {

// The drivers SDL falls back to without a display: their windows can never be seen or closed.
bool driver_shows_nothing() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return !driver || SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0;
}

// Starts SDL's video. When DISPLAY names an X server that refuses the connection for a moment (a
// busy server, or one resetting as its last client leaves), SDL would settle on a driver that shows
// nothing; it is asked again for up to two seconds (see keep_trying_display) before the program goes
// on without the display.
void start_video() {
  const char* display = SDL_getenv("DISPLAY");
  if (!display || !*display || SDL_getenv("SDL_VIDEODRIVER")) {
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    return;
  }
  detail::keep_trying_display([] {
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    if (!driver_shows_nothing()) return true;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  });
}

}  // namespace

void start_services() {
  if (state.started) return;
  // Each subsystem on its own, so a machine without a display still has events and joysticks.
  sdl::start_events();
  start_video();
  // On a driver that shows nothing the machine counts as having no display, unless someone asked
  // for that driver.
  if (SDL_WasInit(SDL_INIT_VIDEO) && driver_shows_nothing() && !SDL_getenv("SDL_VIDEODRIVER"))
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
