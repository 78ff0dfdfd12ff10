// faults.h -- the run-time fault hook (SIGSEGV, SIGFPE, SIGILL, SIGBUS)
#pragma once
#include <string>

namespace svc {

using FaultProcedure = int (*)();
void set_error_handler(FaultProcedure procedure);  // Runs the procedure on a fault, then ends the program with 0
std::string error_message();  // Inside the procedure: "Attempted division by zero", "Invalid memory access", ...
int error_line();             // Inside the procedure: -1 (no line information)
std::string error_module();   // Inside the procedure: "OnError line support disabled"

}  // namespace svc
