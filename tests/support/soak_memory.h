// soak_memory.h -- resident memory over a long run: a sample at each tenth, and the check that the
// run stops growing after its first tenth
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/process.h"

// Samples the process's resident memory at the end of each tenth of `steps` steps. From the first
// tenth on, every sample must lie within `tolerance` of the last one: what a long session allocates
// it gives back, so memory settles once the first caches and pages are in place.
class ResidentTrace {
 public:
  ResidentTrace(std::string name, long steps, double tolerance = 0.05)
      : name_(std::move(name)), steps_(steps), tolerance_(tolerance) {}

  // Call after each step `done` (1-based).
  void after(long done) {
    if (done % (steps_ / 10) == 0) samples_.push_back(support::resident_kib());
  }

  // Prints the samples (the figures docs/robustness.md quotes) and checks the growth.
  void check() const {
    ASSERT_EQ(samples_.size(), 10u);
    const long last = samples_.back();
    ASSERT_GT(last, 0);
    std::string line = name_ + ": resident KiB at each tenth:";
    double worst = 0;
    for (long kib : samples_) {
      line += " " + std::to_string(kib);
      worst = std::max(worst, std::abs(double(kib - last)) / double(last));
    }
    std::printf("%s; largest distance from the end %.2f %%\n", line.c_str(), 100.0 * worst);
    EXPECT_LE(worst, tolerance_) << line;
  }

 private:
  std::string name_;
  long steps_;
  double tolerance_;
  std::vector<long> samples_;
};
