// quit_signals.cpp -- SIGTERM and SIGINT end a program with exit code 0, also while a modal box waits
//
// The operating-system layer installs the handling; it also ends the children of the main thread
// (a modal box may run in one), so no box stays on screen after the program.
#include "quit_signals.h"

#include "os.h"

namespace svc::detail {

void end_on_quit_signals() { os::end_on_quit_signals(); }

QuitSignalsEndProgram::QuitSignalsEndProgram() { os::push_quit_ending(); }

QuitSignalsEndProgram::~QuitSignalsEndProgram() { os::pop_quit_ending(); }

}  // namespace svc::detail
