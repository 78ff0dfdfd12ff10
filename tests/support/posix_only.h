// posix_only.h -- cases about behaviour only POSIX systems have (device files, named pipes, symbolic
// links, permission bits, signals, resource limits) skip on Windows, saying which
#pragma once
#include <gtest/gtest.h>

#ifdef _WIN32
#define SKIP_ON_WINDOWS(reason) GTEST_SKIP() << "POSIX only: " << reason
#else
#define SKIP_ON_WINDOWS(reason) static_cast<void>(0)
#endif
