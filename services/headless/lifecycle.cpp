// lifecycle.cpp -- starting and stopping the headless services, and ending a program run
//
// end_program() inside headless::run_program() unwinds back to run_program() with its exit code,
// so a test can run a program body that ends itself.
#include "services/lifecycle.h"

#include <cstdlib>

#include "services/files.h"
#include "state.h"

namespace svc::headless::detail {

State state;

void release_objects() {
  state.windows.clear();
  state.menus.clear();
  state.current_menu = -1;
  state.fields.clear();
  state.field_window = 0;
  state.default_field_font = 0;
  state.fonts.clear();
  state.sprites3d.clear();
  state.sprites.clear();
  state.screen = Screen{};
  state.in_3d = state.in_drawing = false;
}

}  // namespace svc::headless::detail

namespace svc {

using headless::detail::state;

void start_services() { state.started = true; }

void stop_services() {
  close_all_files();
  headless::detail::release_objects();
  state.started = false;
}

void end_program(int exit_code) {
  stop_services();
  if (state.run_depth > 0) throw headless::detail::ProgramEnded{exit_code};
  std::exit(exit_code);
}

}  // namespace svc
