// os_programs.h -- child programs, their processor time and a time limit, for the benchmarks that time
// other programs (the programs of the suite start none)
#pragma once
#include <string>
#include <vector>

namespace os {

// Runs arguments[0] (looked up in the program search path) with the rest as its arguments, its output
// and errors thrown away, and waits for it: its exit code, or -1 when it could not be started, could
// not be waited for or did not end by itself. `cpu_seconds`, when given, gets the processor time (user
// and system) the program took, with the children it waited for where the system counts them; -1
// when it was never waited for.
int run_program(const std::vector<std::string>& arguments, double* cpu_seconds);
// After `seconds`, wherever the process is, writes `message` (kept by the caller) to standard error
// and ends the process with exit code 1. Called once, when the program starts.
void end_after(int seconds, const char* message);
// Processor seconds (user and system) the calling thread has taken; -1 when the system cannot tell.
double thread_processor_seconds();

}  // namespace os
