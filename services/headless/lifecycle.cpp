// lifecycle.cpp -- starting and stopping the headless services, and ending a program run
//
// end_program() inside headless::run_program() unwinds back to run_program() with its exit code,
// so a test can run a program body that ends itself. This is the suite's only use of an exception,
// and it never leaves this file's two functions.
#include <cstdlib>

#include "headless_state.h"
#include "services/files.h"
#include "services/headless.h"
#include "services/lifecycle.h"

namespace svc {

namespace {

// Thrown by end_program() inside run_program(), caught only there.
struct ProgramEnded {
  int exit_code;
};

// How many run_program() calls are active; kept apart from the state so reset() leaves it alone.
int run_depth = 0;

// Leaves run_program() by any road with the depth restored.
struct RunDepthGuard {
  RunDepthGuard() { ++run_depth; }
  ~RunDepthGuard() { --run_depth; }
};

}  // namespace

void start_services() { headless::detail::state.started = true; }

void stop_services() {
  close_all_files();
  headless::detail::release_objects();
  headless::detail::state.started = false;
}

void end_program(int exit_code) {
  stop_services();
  if (run_depth > 0) throw ProgramEnded{exit_code};
  std::exit(exit_code);
}

namespace headless {

int run_program(const std::function<int()>& body) {
  int result = 0;
  {
    RunDepthGuard guard;
    try {
      result = body();
    } catch (const ProgramEnded& ended) {
      result = ended.exit_code;
    }
  }
  // The process would end here: whatever the body left open is released.
  stop_services();
  return result;
}

}  // namespace headless

}  // namespace svc
