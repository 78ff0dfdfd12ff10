// real_fault.h -- a real fault for the tests of the fault handler: the signal on Linux, the structured
// exception on Windows (where raise() only calls the C runtime's own handler, not the system's)
#pragma once
#include <string>

namespace support {

enum class FaultKind { DIVISION, MEMORY };

// Raises the fault in this process; returns only when a handler lets it go on.
void raise_fault(FaultKind kind);

// The folder a death test's statement should write to. On Linux the statement runs in a fork that
// shares the test's folder; on Windows it runs in a new run of the test program, whose fixture makes
// a folder of its own, so the parent's folder is handed to it through the environment.
std::string death_test_folder(const std::string& own);

}  // namespace support
