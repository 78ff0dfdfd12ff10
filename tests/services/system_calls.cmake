# system_calls.cmake -- only services/os talks to the operating system (run by ctest: os_calls_only_in_os_layer)
#
#   cmake -DSOURCE_DIR=<project> -P system_calls.cmake
#
# Outside services/os no source includes an operating-system header or calls the system itself:
# the environment (getenv) and the system's clocks (clock_gettime, gettimeofday, the tick counters).
# The programs' code also leaves the standard library's roads to the system to that layer:
# std::filesystem, the std::chrono clocks, time() and clock(). Tests are excepted: their fixtures are
# the system itself. Benchmarks and fuzz targets may use those portable standard-library roads to lay
# out and time their runs, but no operating-system header or call either.
cmake_minimum_required(VERSION 3.22)

# Each pattern is one regular expression (CMake's take few groups); a line that matches none of the
# words in `words` is not looked at further.
set(words "include|getenv|clock|time|filesystem|GetTickCount|QueryPerformance|GetEnvironment")
# Everywhere outside services/os and the tests.
set(system_patterns
    "#[ \t]*include[ \t]*<(windows|winbase|winsock|winsock2|shellapi|shlobj|io|direct|process)\\.h>"
    "#[ \t]*include[ \t]*<(unistd|fcntl|dirent|signal|pwd|grp|poll|termios|dlfcn|pthread|spawn|time)\\.h>"
    "#[ \t]*include[ \t]*<(sys|linux|mach)/"
    "#[ \t]*include[ \t]*<csignal>"
    "(^|[^A-Za-z0-9_.>])(std::)?(secure_|_w)?getenv[ \t]*\\("
    "clock_gettime|gettimeofday|QueryPerformanceCounter|GetTickCount|timeGetTime|GetEnvironmentVariable")
# In the programs' code (not benchmarks or fuzz targets) also the standard library's roads.
set(standard_patterns
    "#[ \t]*include[ \t]*<filesystem>"
    "std::filesystem"
    "(steady|system|high_resolution|utc|file)_clock"
    "(^|[^A-Za-z0-9_.>:])(time|clock)[ \t]*\\([ \t]*(nullptr|NULL|0|&[A-Za-z_]+)?[ \t]*\\)"
    "std::(time|clock)[ \t]*\\(")

file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/services/* ${SOURCE_DIR}/engine/* ${SOURCE_DIR}/formats/* ${SOURCE_DIR}/mapconvert/*
     ${SOURCE_DIR}/dnaedit/* ${SOURCE_DIR}/tools/* ${SOURCE_DIR}/bench/* ${SOURCE_DIR}/fuzz/* ${SOURCE_DIR}/scripts/*)
list(FILTER sources INCLUDE REGEX "\\.(c|cc|cpp|h|hpp)$")
list(FILTER sources EXCLUDE REGEX "^services/os/")
if(NOT sources MATCHES "engine/core/engine\\.cpp")
  message(FATAL_ERROR "no sources found under ${SOURCE_DIR}: is SOURCE_DIR right?")
endif()

set(failures "")
foreach(source ${sources})
  set(patterns ${system_patterns})
  if(NOT source MATCHES "^(bench|fuzz)/")
    list(APPEND patterns ${standard_patterns})
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} hits REGEX "${words}")
  foreach(line ${hits})
    # What a comment or a string says is no call.
    string(REGEX REPLACE "\"([^\"\\\\]|\\\\.)*\"" "\"\"" code "${line}")
    string(REGEX REPLACE "//.*$" "" code "${code}")
    foreach(pattern ${patterns})
      if(code MATCHES "${pattern}")
        string(STRIP "${line}" line)
        list(APPEND failures "${source}: ${line}")
        break()
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  string(REPLACE ";" "\n  " failures "${failures}")
  message(FATAL_ERROR "Only services/os talks to the operating system; these lines do it elsewhere:\n  ${failures}\n"
          "Give services/os (os.h) what they need. Tests are excepted; benchmarks and fuzz targets may use "
          "std::filesystem and the std::chrono clocks, but no operating-system header or call.")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources outside services/os and the tests leave the operating system to it")
