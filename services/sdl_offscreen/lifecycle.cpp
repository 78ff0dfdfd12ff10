// lifecycle.cpp -- the offscreen platform: SDL's events (for SIGINT and SIGTERM) and fonts, no video device
#include <cstdlib>

#include "state.h"
#include "services/lifecycle.h"

namespace svc::sdl {
State state;
void forget_windows();  // windows.cpp
}  // namespace svc::sdl

namespace svc {

using sdl::state;

void start_services() {
  if (state.started) return;
  // SIGINT and SIGTERM arrive as SDL_QUIT, which wait_window_event reports as a close request.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  SDL_InitSubSystem(SDL_INIT_EVENTS);
  TTF_Init();
  state.started = true;
}

void stop_services() {
  if (!state.started) return;
  sdl::destroy_screen();
  sdl::forget_windows();
  if (state.font) TTF_CloseFont(state.font);
  state.font = nullptr;
  state.font_tried = false;
  if (TTF_WasInit()) TTF_Quit();
  SDL_Quit();
  state = sdl::State{};
}

void end_program(int exit_code) {
  stop_services();
  std::exit(exit_code);
}

}  // namespace svc
