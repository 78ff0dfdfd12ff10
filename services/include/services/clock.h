// clock.h -- local dates, formatted dates, sleeping and the millisecond tick
#pragma once
#include <cstdint>
#include <string>

namespace svc {

int64_t now();                                                                      // Seconds of local time (a date)
int64_t make_date(int year, int month, int day, int hour, int minute, int second);  // A date from its fields
std::string format_date(const std::string& mask, int64_t date);  // %yyyy %yy %mm %dd %hh %ii %ss, any letter case
void delay(int milliseconds);                                    // Sleeps
uint32_t tick_count();                                           // Milliseconds since an arbitrary start

}  // namespace svc
