// stopwatch.h -- wall, process and thread processor time of a timed step, for the engine benchmarks
//
// The engine's goals compare the processor time of the thread that loads or builds: the GL driver
// rasterizes a shown frame on threads of its own, partly after the flip has returned, so that work
// lands in whatever is timed next, and on a shared machine wall time measures the other programs.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "os_programs.h"

namespace bench {

// Wall seconds, processor seconds of the whole process (the driver's threads too) and processor
// seconds of the calling thread.
struct Times {
  double wall = 0, cpu = 0, thread = 0;
};

struct Stopwatch {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  double cpu = processor_seconds();
  double thread = thread_seconds();
  static double processor_seconds() { return double(std::clock()) / CLOCKS_PER_SEC; }
  static double thread_seconds() { return os::thread_processor_seconds(); }
  Times elapsed() const {
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(), processor_seconds() - cpu,
            thread_seconds() - thread};
  }
};

// Medians of the wall, process and thread times, each on its own.
inline Times median(const std::vector<Times>& runs) {
  std::vector<double> wall, cpu, thread;
  for (const Times& t : runs) {
    wall.push_back(t.wall);
    cpu.push_back(t.cpu);
    thread.push_back(t.thread);
  }
  for (std::vector<double>* v : {&wall, &cpu, &thread}) std::sort(v->begin(), v->end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2], thread[thread.size() / 2]};
}

// "12.3 ms (process 14.5 ms, wall 45.6 ms)": the thread's processor time first
inline std::string shown(const Times& t) {
  char text[96];
  std::snprintf(text, sizeof text, "%.1f ms (process %.1f ms, wall %.1f ms)", t.thread * 1000.0, t.cpu * 1000.0,
                t.wall * 1000.0);
  return text;
}

}  // namespace bench
