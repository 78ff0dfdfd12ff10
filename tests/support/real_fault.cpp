// real_fault.cpp -- a real fault for the tests of the fault handler
#include "support/real_fault.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

std::string death_test_folder(const std::string& own) {
#ifdef _WIN32
  static const char kName[] = "SUITE_DEATH_TEST_FOLDER";
  if (!GTEST_FLAG_GET(internal_run_death_test).empty()) {
    const char* parent = std::getenv(kName);
    return parent && *parent ? parent : own;
  }
  _putenv_s(kName, own.c_str());
#endif
  return own;
}

}  // namespace support
