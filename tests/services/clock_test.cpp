// clock_test.cpp -- date masks and local time
#include <gtest/gtest.h>
#include <time.h>

#include <string>

#include "services/clock.h"

namespace {

TEST(Dates, MasksReplaceTokensInAnyCase) {
  int64_t d = svc::make_date(2006, 3, 7, 9, 5, 4);
  EXPECT_EQ(svc::format_date("%yyyy/%mm/%dd", d), "2006/03/07");
  EXPECT_EQ(svc::format_date("%HH:%ii:%SS", d), "09:05:04");
  EXPECT_EQ(svc::format_date("%YY-%Mm %dD", d), "06-03 07");
  EXPECT_EQ(svc::format_date("100% %x %", d), "100% %x %");  // Anything else is copied
  EXPECT_EQ(svc::format_date("%yyyyy", d), "2006y");
  EXPECT_EQ(svc::format_date("%yyyy-%mm-%dd %hh:%ii:%ss", svc::make_date(2000, 2, 29, 23, 59, 59)),
            "2000-02-29 23:59:59");
  EXPECT_EQ(svc::format_date("%yyyy-%mm-%dd", svc::make_date(1969, 12, 31, 0, 0, 0)), "1969-12-31");
}

TEST(Dates, NowShowsTheLocalClock) {
  time_t t = time(nullptr);
  struct tm local;
  localtime_r(&t, &local);
  char expected[32];
  strftime(expected, sizeof expected, "%Y/%m/%d %H:%M", &local);
  std::string shown = svc::format_date("%yyyy/%mm/%dd %hh:%ii", svc::now());
  if (shown != expected) {  // The minute may have turned between the two readings
    t = time(nullptr);
    localtime_r(&t, &local);
    strftime(expected, sizeof expected, "%Y/%m/%d %H:%M", &local);
  }
  EXPECT_EQ(shown, expected);
}

}  // namespace
