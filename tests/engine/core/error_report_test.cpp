// error_report_test.cpp -- the six-line error report that a run-time fault writes
#include <csignal>
#include <regex>

#include "core/error_report.h"
#include "support/engine_fixture.h"
#include "services/clock.h"
#include "services/faults.h"
#include "support/real_fault.h"
#include "support/small_disk.h"

namespace {

using ErrorReport = EngineFixture;

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

TEST_F(ErrorReport, ReportHasSixLinesInOrder) {
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

TEST_F(ErrorReport, ReportReplacesALongerOldFileCompletely) {
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

TEST_F(ErrorReport, ReportWithoutAFileNameWritesNothing) {
  engine.logPath = "";
  engine.logFile = "";
  EXPECT_EQ(write_error_report(), 0);
  engine.logPath = dir;  // LOGPATH set but LOGFILE empty: the name is a folder
  EXPECT_EQ(write_error_report(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(ErrorReport, AFullOrReadOnlyDiskKeepsTheOlderReportWhole) {
  support::SmallDisk disk;
  if (!disk.mount(dir + "disk", 64)) GTEST_SKIP() << disk.why();
  engine.logPath = dir + "disk\\";
  engine.logFile = "report.txt";
  write_file("disk/report.txt", "an older report\r\n");
  ASSERT_TRUE(disk.fill());
  write_error_report();
  EXPECT_EQ(read_file("disk/report.txt"), "an older report\r\n");
  disk.empty_filler();
  ASSERT_TRUE(disk.read_only(true));
  write_error_report();
  EXPECT_EQ(read_file("disk/report.txt"), "an older report\r\n");
  EXPECT_EQ(support::names_in(dir + "disk"), std::vector<std::string>{"report.txt"});
}

TEST_F(ErrorReport, ARealFaultWritesTheReportAndEndsWithZero) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child shares this test's folder
  engine.logPath = support::death_test_folder(dir);
  engine.logFile = "fault.txt";
  EXPECT_EXIT(
      {
        svc::set_error_handler(write_error_report);
        support::raise_fault(support::FaultKind::DIVISION);
      },
      testing::ExitedWithCode(0), "");
  auto lines = split_crlf(read_file("fault.txt"));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "Attempted division by zero");
}

}  // namespace
