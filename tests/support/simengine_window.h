// simengine_window.h -- the real-window tests' fixture for the built simengine: a temporary folder,
// the program started there with its window followed by title, numbered screenshots, the cursor box
//
// The tests run under Xvfb (xvfb-run -a -s "-screen 0 1920x1080x24"); without a display they are
// skipped. Every wait is generous: a busy machine draws few frames a second.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "support/process.h"
#include "support/temp_folder.h"
#include "support/xdo.h"

namespace support {

// The pure red cursor box in a screenshot: its size and top-left corner, x and y -1 when none shows.
struct CursorBox {
  int w = 0, h = 0, x = -1, y = -1;
};

inline CursorBox cursor_box(const std::string& png) {
  const std::string g = shell_line("/usr/bin/convert " + png + " -fill black +opaque '#FF0000' -format '%@' info:");
  CursorBox b;
  if (std::sscanf(g.c_str(), "%dx%d+%d+%d", &b.w, &b.h, &b.x, &b.y) != 4) return CursorBox{};
  return b;
}

class SimengineWindow : public ::testing::Test {
 protected:
  // The longest wait for anything to show, in milliseconds.
  static constexpr int kPatience = 60000;

  // `folder_name` starts the name of each test's temporary folder.
  explicit SimengineWindow(std::string folder_name) : folder_name_(std::move(folder_name)) {}

  std::string dir;     // this test's folder, ending in "/"
  std::string window;  // simengine's window once start_simengine found it
  pid_t pid = -1;
  int shots = 0;

  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    dir = make_temp_folder(folder_name_);
    ASSERT_NE(dir, "");
  }

  void TearDown() override {
    end_program(pid, 2000);
    remove_folder(dir);
  }

  // Starts the built simengine in `folder` (its standard error into `stderr_file`, inherited when
  // "") and waits for its window titled `title`. Call it under ASSERT_NO_FATAL_FAILURE.
  void start_simengine(const std::string& folder, const std::string& title, const std::string& stderr_file = "") {
    pid = start_program({std::string(SUITE_BINARY_DIR) + "/engine/simengine", folder, stderr_file});
    ASSERT_GE(pid, 0);
    window = window_titled(title, kPatience);
    ASSERT_FALSE(window.empty()) << "no simengine window";
  }

  // A new screenshot's path in the test's folder (the picture is not taken).
  std::string next_shot() { return dir + "shot" + std::to_string(shots++) + ".png"; }

 private:
  std::string folder_name_;
};

}  // namespace support
