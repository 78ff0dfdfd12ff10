// faults.cpp -- the run-time fault hook: a signal handler that names the fault and runs the procedure
//
// The handler runs on its own stack, so a stack overflow reaches it too. After the procedure
// returns the program ends with exit code 0, as every end of the suite's programs does. A fault
// inside the procedure itself ends the program at once.
#include "services/faults.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

namespace svc {
namespace {

constexpr size_t kAltStackSize = 1 << 20;  // The procedure may write a report: give it room

FaultProcedure g_procedure = nullptr;
const char* volatile g_message = "";
volatile sig_atomic_t g_in_handler = 0;
void* g_alt_stack = nullptr;  // The handler's stack, kept for the life of the process

const char* describe(int sig) {
  switch (sig) {
    case SIGFPE: return "Attempted division by zero";  // Integer division is the only FPE left unmasked
    case SIGSEGV:
    case SIGBUS: return "Invalid memory access";
    case SIGILL: return "Invalid instruction";
    default: return "UNKNOWN Error";
  }
}

void on_fault(int sig, siginfo_t*, void*) {
  if (g_in_handler) _exit(0);
  g_in_handler = 1;
  g_message = describe(sig);
  if (g_procedure) g_procedure();
  _exit(0);
}

void install_alternate_stack() {
  static bool done = false;
  if (done) return;
  stack_t ss{};
  ss.ss_sp = malloc(kAltStackSize);
  if (!ss.ss_sp) return;
  ss.ss_size = kAltStackSize;
  ss.ss_flags = 0;
  if (sigaltstack(&ss, nullptr) == 0) {
    done = true;
    g_alt_stack = ss.ss_sp;
  } else {
    free(ss.ss_sp);
  }
}

}  // namespace

void set_error_handler(FaultProcedure procedure) {
  const int signals[] = {SIGSEGV, SIGFPE, SIGILL, SIGBUS};
  g_procedure = procedure;
  if (!procedure) {  // No procedure: faults behave as the system's defaults again
    for (int sig : signals) signal(sig, SIG_DFL);
    return;
  }
  install_alternate_stack();
  struct sigaction sa {};
  sa.sa_sigaction = on_fault;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&sa.sa_mask);
  for (int sig : signals) sigaction(sig, &sa, nullptr);
}

std::string error_message() { return g_message; }

int error_line() { return -1; }

std::string error_module() { return "OnError line support disabled"; }

}  // namespace svc
