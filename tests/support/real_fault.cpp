// real_fault.cpp -- a real fault for the tests of the fault handler
#include "support/real_fault.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <csignal>
#endif

namespace support {

void raise_fault(FaultKind kind) {
#ifdef _WIN32
  RaiseException(kind == FaultKind::DIVISION ? EXCEPTION_INT_DIVIDE_BY_ZERO : EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
#else
  std::raise(kind == FaultKind::DIVISION ? SIGFPE : SIGSEGV);
#endif
}

}  // namespace support
