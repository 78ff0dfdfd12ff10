// text.cpp -- number conversions, searches and slices, rounding and colour packing
//
// Conversions never depend on the process locale: a toolkit may switch LC_NUMERIC to a locale
// with a decimal comma, and the numbers in the suite's files must still read and write the same.
#include "services/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace svc {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t string_to_int(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) i++;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint32_t value = 0;  // Unsigned, so overflow wraps exactly as 32-bit arithmetic does
  while (i < text.size() && is_digit(text[i])) value = value * 10u + static_cast<uint32_t>(text[i++] - '0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

float parse_float(const std::string& text) {
  // Find the extent of a decimal number: blanks, sign, digits, point, digits, exponent.
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                             text[i] == '\v' || text[i] == '\f'))
    i++;
  size_t begin = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) i++;
  size_t digits = 0;
  while (i < text.size() && is_digit(text[i])) i++, digits++;
  if (i < text.size() && text[i] == '.') {
    i++;
    while (i < text.size() && is_digit(text[i])) i++, digits++;
  }
  if (digits == 0) return 0.0f;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) j++;
    if (j < text.size() && is_digit(text[j])) {
      while (j < text.size() && is_digit(text[j])) j++;
      i = j;
    }
  }
  // from_chars reads the number as the C locale would, whatever locale the process is in, and rounds
  // it as strtof does; it takes no "+".
  const char* first = text.data() + begin;
  const char* last = text.data() + i;
  if (*first == '+') first++;
  float value = 0.0f;
  if (std::from_chars(first, last, value).ec == std::errc()) return value;
  // Beyond a float's range: what strtof gives, infinity for a number too large and zero for one too
  // small (a double holds most such numbers, and its conversion rounds them so).
  double wide = 0.0;
  if (std::from_chars(first, last, wide).ec == std::errc()) return static_cast<float>(wide);
  const bool negative = *first == '-';
  const std::string_view number(first, static_cast<size_t>(last - first));
  const size_t point = std::min(number.find('.'), number.find_first_of("eE"));
  const bool large = number.find_first_of("123456789") < point && number.find("e-") == std::string_view::npos &&
                     number.find("E-") == std::string_view::npos;
  const float magnitude = large ? HUGE_VALF : 0.0f;
  return negative ? -magnitude : magnitude;
}

std::string int_to_string(int64_t value) {
  char buf[32];
  auto result = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, result.ptr);
}

std::string float_to_string(float value) {
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
  if (result.ec != std::errc()) return "0.000000";
  return std::string(buf, result.ptr);
}

int find_string(const std::string& text, const std::string& needle, int start) {
  if (text.empty() || needle.empty()) return 0;
  int64_t from = start;
  if (from < 1) from = 1;
  if (from > static_cast<int64_t>(text.size()) + 1) from = static_cast<int64_t>(text.size()) + 1;
  size_t at = text.find(needle, static_cast<size_t>(from - 1));
  return at == std::string::npos ? 0 : static_cast<int>(at + 1);
}

std::string mid_string(const std::string& text, int start, int length) {
  if (start < 1) start = 1;
  size_t from = static_cast<size_t>(start - 1);
  if (from >= text.size()) return std::string();
  if (length < 0) return text.substr(from);  // A negative length takes the rest of the text
  return text.substr(from, static_cast<size_t>(length));
}

std::string left_string(const std::string& text, int n) {
  if (n <= 0) return std::string();
  return text.substr(0, static_cast<size_t>(n));
}

int string_length(const std::string& text) { return static_cast<int>(text.size()); }

bool string_equal(const std::string& a, const std::string& b) { return a == b; }

bool string_greater(const std::string& a, const std::string& b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;  // memcmp compares as unsigned bytes
  if (c != 0) return c > 0;
  return a.size() > b.size();
}

float round_float(float value, int mode) { return mode == 1 ? std::ceil(value) : std::floor(value); }

int32_t round_nearest(double value) {
  if (std::isnan(value)) return 0;
  double r = std::nearbyint(value);  // The default rounding mode takes halves to the even neighbour
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(r);
}

}  // namespace svc
