// notices_test.cpp -- the fatal message routine: its boxes, texts and exit codes
#include "base/notices.h"
#include "services/paths.h"
#include "support/engine_fixture.h"

namespace {

using svc::headless::messages;

class Notices : public EngineFixture {
 protected:
  // Runs fatal_message(code) as a program body; the exit code, or 42 when the routine returned.
  int run_fatal(FatalCode code) {
    return svc::headless::run_program([code] {
      fatal_message(code);
      return 42;
    });
  }
};

TEST_F(Notices, EachCodeShowsItsTextAndEndsWithZero) {
  struct Case {
    FatalCode code;
    std::string text;
  };
  engine.configPath = "/home/u/world/DATA\\ini.txt";
  engine.labyrinthBaseFile = "/home/u/world/bases\\lab.txt";
  std::vector<Case> cases = {
      {FATAL_NO_CONFIGURATION, " Could not open " + svc::shown_path("/home/u/world/DATA/ini.txt")},
      {FATAL_NO_SCREEN, " Could not open screen"},
      {FATAL_NO_WINDOW, " Could not open window"},
      {FATAL_NO_MAP, " Could not open topographic data"},
      {FATAL_NO_BASE, " Could not open:" + svc::shown_path("/home/u/world/bases/lab.txt")},
      {FATAL_BAD_RESOLUTION, " RESOLUTION in /home/u/world/DATA/ini.txt must be a positive number of pixels"},
  };
  for (const auto& c : cases) {
    svc::headless::reset();
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_fatal(c.code), 0) << "code " << c.code;
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(messages().size(), 1u) << "code " << c.code;
    EXPECT_EQ(messages()[0].title, "ERROR ");
    EXPECT_EQ(messages()[0].text, c.text);
    EXPECT_EQ(messages()[0].flags, 0);  // one OK button
    EXPECT_EQ(err, "ERROR " + c.text + "\n");
  }
}

// Benchmarks switch the box off: the text still goes to standard error and the program ends with
// the exit code set for it, without waiting for anyone.
TEST_F(Notices, WithoutTheBoxTheTextOnlyGoesToStandardError) {
  set_fatal_box(false);
  set_fatal_exit_code(1);
  testing::internal::CaptureStderr();
  const int code = run_fatal(FATAL_NO_WINDOW);
  const std::string err = testing::internal::GetCapturedStderr();
  set_fatal_box(true);
  set_fatal_exit_code(0);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(err, "ERROR  Could not open window\n");
  EXPECT_TRUE(messages().empty());
}

// A number that names no failure (the table has a gap at 3) shows nothing and returns.
TEST_F(Notices, CodesOutsideTheTableShowNothingAndReturn) {
  for (int code : {3, 7, -1, 100}) {
    svc::headless::reset();
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_fatal(static_cast<FatalCode>(code)), 42) << "code " << code;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(messages().empty());
  }
}

TEST_F(Notices, ToolsCanEndWithAnotherExitCode) {
  set_fatal_exit_code(1);
  testing::internal::CaptureStderr();
  int code = run_fatal(FATAL_NO_MAP);
  testing::internal::GetCapturedStderr();
  set_fatal_exit_code(0);
  EXPECT_EQ(code, 1);
}

}  // namespace
