// clock.cpp -- dates as seconds of local time, date masks, sleeping and the millisecond tick
//
// A date counts seconds of local time from 1 January 1970 00:00 local, so its fields come out
// by plain calendar arithmetic without asking for a time zone again.
#include "services/clock.h"

#include <cctype>

#include "os.h"

namespace svc {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Fields {
  int64_t year;
  int month, day, hour, minute, second;
};

Fields fields_of(int64_t date) {
  int64_t days = date >= 0 ? date / 86400 : -((-date + 86399) / 86400);
  int64_t secs = date - days * 86400;
  int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  Fields f;
  f.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  f.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  f.year = yoe + era * 400 + (f.month <= 2);
  f.hour = static_cast<int>(secs / 3600);
  f.minute = static_cast<int>(secs / 60 % 60);
  f.second = static_cast<int>(secs % 60);
  return f;
}

std::string two_digits(int64_t v) {
  v %= 100;
  if (v < 0) v = -v;
  return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

bool token_at(const std::string& mask, size_t i, const char* token) {
  for (size_t k = 0; token[k]; k++) {
    if (i + k >= mask.size()) return false;
    if (std::tolower(static_cast<unsigned char>(mask[i + k])) != token[k]) return false;
  }
  return true;
}

}  // namespace

int64_t now() { return os::local_seconds(); }

int64_t make_date(int year, int month, int day, int hour, int minute, int second) {
  return days_from_civil(year, month, day) * 86400 + int64_t{hour} * 3600 + int64_t{minute} * 60 + second;
}

std::string format_date(const std::string& mask, int64_t date) {
  Fields f = fields_of(date);
  std::string out;
  out.reserve(mask.size() + 8);
  for (size_t i = 0; i < mask.size();) {
    if (mask[i] == '%') {
      if (token_at(mask, i + 1, "yyyy")) {
        std::string y = std::to_string(f.year < 0 ? -f.year : f.year);
        while (y.size() < 4) y.insert(y.begin(), '0');
        out += (f.year < 0 ? "-" : "") + y;
        i += 5;
        continue;
      }
      struct {
        const char* token;
        int64_t value;
      } two[] = {{"yy", f.year}, {"mm", f.month}, {"dd", f.day}, {"hh", f.hour}, {"ii", f.minute}, {"ss", f.second}};
      bool done = false;
      for (const auto& t : two) {
        if (token_at(mask, i + 1, t.token)) {
          out += two_digits(t.value);
          i += 3;
          done = true;
          break;
        }
      }
      if (done) continue;
    }
    out += mask[i++];
  }
  return out;
}

void delay(int milliseconds) { os::sleep_milliseconds(milliseconds); }

uint32_t tick_count() {
  return static_cast<uint32_t>(os::monotonic_milliseconds());  // Wraps after 49.7 days, as a 32-bit tick count does
}

}  // namespace svc
