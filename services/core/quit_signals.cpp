// quit_signals.cpp -- SIGTERM and SIGINT end a program with exit code 0, also while a modal box waits
#include "quit_signals.h"

#include <unistd.h>

namespace svc::detail {
namespace {

void end_now(int) { _exit(0); }

struct sigaction ending_action() {
  struct sigaction sa {};
  sa.sa_handler = end_now;
  sigemptyset(&sa.sa_mask);
  return sa;
}

}  // namespace

void end_on_quit_signals() {
  struct sigaction sa = ending_action();
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

QuitSignalsEndProgram::QuitSignalsEndProgram() {
  struct sigaction sa = ending_action();
  sigaction(SIGTERM, &sa, &previous_term);
  sigaction(SIGINT, &sa, &previous_int);
}

QuitSignalsEndProgram::~QuitSignalsEndProgram() {
  sigaction(SIGTERM, &previous_term, nullptr);
  sigaction(SIGINT, &previous_int, nullptr);
}

}  // namespace svc::detail
