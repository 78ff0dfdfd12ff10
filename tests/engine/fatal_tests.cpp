// fatal_tests.cpp -- the fatal message routine's boxes, and the six-line error report
#include <csignal>
#include <regex>
#include "core/fatal.h"
#include "engine_fixture.h"
#include "services/clock.h"
#include "services/faults.h"

namespace {

using svc::headless::messages;

class FatalTest : public EngineFixture {
 protected:
  // Runs fatal_message(code) as a program body; the exit code, or 42 when the routine returned.
  int run_fatal(int code) {
    return svc::headless::run_program([code] {
      fatal_message(code);
      return 42;
    });
  }
};

TEST_F(FatalTest, EachCodeShowsItsTextAndEndsWithZero) {
  struct Case {
    int code;
    std::string text;
  };
  engine.configPath = "/home/u/world/DATA\\ini.txt";
  engine.labyrinthBaseFile = "/home/u/world/bases\\lab.txt";
  std::vector<Case> cases = {
      {0, " Could not open /home/u/world/DATA/ini.txt"},
      {1, " Could not open screen"},
      {2, " Could not open window"},
      {4, " Could not open topographic data"},
      {5, " Could not open:/home/u/world/bases/lab.txt"},
      {6, " RESOLUTION in /home/u/world/DATA/ini.txt must be a positive number of pixels"},
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
TEST_F(FatalTest, WithoutTheBoxTheTextOnlyGoesToStandardError) {
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

TEST_F(FatalTest, CodesOutsideTheTableShowNothingAndReturn) {
  for (int code : {3, 7, -1, 100}) {
    svc::headless::reset();
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_fatal(code), 42) << "code " << code;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(messages().empty());
  }
}

TEST_F(FatalTest, ToolsCanEndWithAnotherExitCode) {
  set_fatal_exit_code(1);
  testing::internal::CaptureStderr();
  int code = run_fatal(4);
  testing::internal::GetCapturedStderr();
  set_fatal_exit_code(0);
  EXPECT_EQ(code, 1);
}

// The error report's six lines, as they are written outside a real fault.
std::vector<std::string> split_crlf(const std::string& s) {
  std::vector<std::string> lines;
  size_t start = 0, at;
  while ((at = s.find("\r\n", start)) != std::string::npos) {
    lines.push_back(s.substr(start, at - start));
    start = at + 2;
  }
  if (start < s.size()) lines.push_back(s.substr(start) + "<unterminated>");
  return lines;
}

TEST_F(FatalTest, ReportHasSixLinesInOrder) {
  engine.logPath = dir + "logs\\";
  engine.logFile = "report.txt";
  std::filesystem::create_directories(dir + "logs");
  write_error_report();
  auto lines = split_crlf(read_file("logs/report.txt"));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "ENGINE REPORT: ERROR:");
  EXPECT_EQ(lines[2], "LINE:-1");
  EXPECT_EQ(lines[3], "MODULE:OnError line support disabled");
  EXPECT_EQ(lines[4], " ");
  EXPECT_TRUE(std::regex_match(lines[5], std::regex("DATESTAMP:[0-9]{4}-,[0-9]{2}-,[0-9]{2}"))) << lines[5];
  EXPECT_EQ(lines[5], "DATESTAMP:" + svc::format_date("%yyyy-,%mm-,%dd", svc::now()));
}

TEST_F(FatalTest, ReportReplacesALongerOldFileCompletely) {
  engine.logPath = dir;
  engine.logFile = "report.txt";
  write_file("report.txt", std::string(5000, 'x'));
  write_error_report();
  std::string first = read_file("report.txt");
  EXPECT_EQ(first.find('x'), std::string::npos);
  EXPECT_EQ(split_crlf(first).size(), 6u);
  // A second fault writes its report again from the start, not after the first.
  write_error_report();
  EXPECT_EQ(read_file("report.txt"), first);
}

TEST_F(FatalTest, ReportWithoutAFileNameWritesNothing) {
  engine.logPath = "";
  engine.logFile = "";
  EXPECT_EQ(write_error_report(), 0);
  engine.logPath = dir;  // LOGPATH set but LOGFILE empty: the name is a folder
  EXPECT_EQ(write_error_report(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(FatalTest, ARealFaultWritesTheReportAndEndsWithZero) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child shares this test's folder
  engine.logPath = dir;
  engine.logFile = "fault.txt";
  EXPECT_EXIT(
      {
        svc::set_error_handler(write_error_report);
        std::raise(SIGFPE);
      },
      testing::ExitedWithCode(0), "");
  auto lines = split_crlf(read_file("fault.txt"));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "Attempted division by zero");
}

}  // namespace
