// faults.cpp -- the run-time fault hook: names the fault and runs the program's procedure
//
// The operating-system layer catches the fault on a stack of its own, so a stack overflow reaches
// the procedure too. After the procedure returns the program ends with exit code 0, as every end of
// the suite's programs does. A fault inside the procedure itself ends the program at once.
#include "services/faults.h"

#include "os.h"

namespace svc {
namespace {

FaultProcedure g_procedure = nullptr;
const char* volatile g_message = "";

const char* describe(os::Fault fault) {
  switch (fault) {
    case os::Fault::DIVISION: return "Attempted division by zero";
    case os::Fault::MEMORY: return "Invalid memory access";
    case os::Fault::INSTRUCTION: return "Invalid instruction";
    default: return "UNKNOWN Error";
  }
}

void on_fault(os::Fault fault) {
  g_message = describe(fault);
  if (g_procedure) g_procedure();
}

}  // namespace

void set_error_handler(FaultProcedure procedure) {
  g_procedure = procedure;
  os::catch_faults(procedure ? on_fault : nullptr);
}

std::string error_message() { return g_message; }

int error_line() { return -1; }

std::string error_module() { return "OnError line support disabled"; }

}  // namespace svc
