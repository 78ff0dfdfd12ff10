// quit_signals.h -- SIGTERM and SIGINT end a program with exit code 0, also while a modal box waits
#pragma once

namespace svc::detail {

// From now on SIGTERM and SIGINT end the program at once with exit code 0 (the tools' windows,
// whose own loops would otherwise be killed with the signal's status, or wait inside a box).
void end_on_quit_signals();

// While it lives, SIGTERM and SIGINT end the program at once with exit code 0; then the handling
// from before comes back. Wraps a modal box that runs its own event loop, which would not see them.
struct QuitSignalsEndProgram {
  QuitSignalsEndProgram();
  ~QuitSignalsEndProgram();
  QuitSignalsEndProgram(const QuitSignalsEndProgram&) = delete;
  QuitSignalsEndProgram& operator=(const QuitSignalsEndProgram&) = delete;
};

}  // namespace svc::detail
