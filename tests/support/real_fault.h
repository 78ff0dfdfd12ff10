// real_fault.h -- a real fault for the tests of the fault handler: the signal on Linux, the structured
// exception on Windows (where raise() only calls the C runtime's own handler, not the system's)
#pragma once

namespace support {

enum class FaultKind { DIVISION, MEMORY };

// Raises the fault in this process; returns only when a handler lets it go on.
void raise_fault(FaultKind kind);

}  // namespace support
