// run_signals_test.cpp -- every window program ends with 0 on SIGTERM while a box waits, and without a display
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <string>

#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/xdo.h"

namespace {

struct Program {
  const char* path;        // below the build folder
  const char* box_title;   // the box each shows when started in an empty folder (a missing file)
  const char* no_display;  // what it says on the error stream without a display
};

const Program kPrograms[] = {
    {"/engine/simengine", "ERROR ", "Could not open "},
    {"/mapconvert/mapconvert", "Error:", "mapconvert: no display could be opened"},
    {"/dnaedit/dnaedit", "ERROR_ QZ61:", "dnaedit: no display could be opened"},
};

size_t count_of(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
  return n;
}

class Signals : public ::testing::Test {
 protected:
  std::string dir;
  pid_t pid = -1;
  void SetUp() override {
    dir = support::make_temp_folder("signals_");
    ASSERT_NE(dir, "");
  }
  void TearDown() override {
    support::end_program(pid);
    support::remove_folder(dir);
  }
  void start(const Program& p) {
    support::ProgramRun run{std::string(SUITE_BINARY_DIR) + p.path, dir, dir + "stderr.txt", true};
    support::prepare_fltk_home(dir);
    pid = support::start_program(run);
    ASSERT_GT(pid, 0);
  }
};

// Started in an empty folder, each program stops at a box (a missing file); a service manager's
// SIGTERM must end it there with status 0, not wait for a click.
TEST_F(Signals, TermEndsEveryWindowProgramWithZeroWhileABoxIsOpen) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
  for (const Program& p : kPrograms) {
    SCOPED_TRACE(p.path);
    start(p);
    ASSERT_NE(support::window_titled(p.box_title, 60000), "")
        << "no box; the program said: " << support::read_file(dir + "stderr.txt");
    ::kill(pid, SIGTERM);
    EXPECT_EQ(support::wait_exit(pid, 30000), 0);
    support::end_program(pid);
  }
}

// Without a display each program says so once on the error stream and ends with 0.
TEST_F(Signals, WithoutADisplayEveryProgramSaysSoOnceAndEndsWithZero) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  ::unsetenv("DISPLAY");
  for (const Program& p : kPrograms) {
    SCOPED_TRACE(p.path);
    start(p);
    EXPECT_EQ(support::wait_exit(pid, 60000), 0);
    support::end_program(pid);
    const std::string err = support::read_file(dir + "stderr.txt");
    EXPECT_EQ(count_of(err, p.no_display), 1u) << err;
  }
  if (!saved.empty()) ::setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
