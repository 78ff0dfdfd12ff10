// lifecycle.cpp -- the offscreen platform: SDL's events (for SIGINT and SIGTERM) and fonts, no video device
#include <cstdlib>

#include "offscreen_windows.h"
#include "services/lifecycle.h"
#include "state.h"

namespace svc::sdl {
State state;
}  // namespace svc::sdl

namespace svc {

using sdl::state;

void start_services() {
  if (state.started) return;
  sdl::start_events();
  TTF_Init();
  state.started = true;
}

void stop_services() {
  if (!state.started) return;
  sdl::destroy_screen();
  sdl::forget_windows();
  sdl::quit_sdl();
}

void end_program(int exit_code) {
  stop_services();
  std::exit(exit_code);
}

}  // namespace svc
