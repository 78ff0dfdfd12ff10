// text_test.cpp -- number conversions, searches, slices, rounding, colours and display encoding
#include <gtest/gtest.h>

#include <clocale>
#include <climits>

#include "../../services/core/display_text.h"
#include "services/text.h"

namespace {

TEST(TextNumbers, StringToIntReadsLeadingDigitsAndWrapsAt32Bits) {
  EXPECT_EQ(svc::string_to_int(" -12abc"), -12);
  EXPECT_EQ(svc::string_to_int("\t+7"), 7);
  EXPECT_EQ(svc::string_to_int("abc"), 0);
  EXPECT_EQ(svc::string_to_int("-"), 0);
  EXPECT_EQ(svc::string_to_int("1 2"), 1);
  EXPECT_EQ(svc::string_to_int("\n5"), 0);  // Only blanks and tabs are skipped
  EXPECT_EQ(svc::string_to_int("2147483647"), INT32_MAX);
  EXPECT_EQ(svc::string_to_int("-2147483648"), INT32_MIN);
  EXPECT_EQ(svc::string_to_int("2147483648"), INT32_MIN);  // Wraps like 32-bit arithmetic
  EXPECT_EQ(svc::string_to_int("4294967297"), 1);
}

TEST(TextNumbers, ParseFloatIsDecimalAndIgnoresTheLocale) {
  EXPECT_FLOAT_EQ(svc::parse_float("1.5"), 1.5f);
  EXPECT_FLOAT_EQ(svc::parse_float("  -2.25e2xyz"), -225.0f);
  EXPECT_FLOAT_EQ(svc::parse_float(".5"), 0.5f);
  EXPECT_FLOAT_EQ(svc::parse_float("3."), 3.0f);
  EXPECT_FLOAT_EQ(svc::parse_float("7e"), 7.0f);  // An exponent without digits is not part of the number
  EXPECT_EQ(svc::parse_float(""), 0.0f);
  EXPECT_EQ(svc::parse_float("abc"), 0.0f);
  EXPECT_EQ(svc::parse_float("0x1A"), 0.0f);  // Decimal only
  EXPECT_EQ(svc::parse_float("inf"), 0.0f);
  // A toolkit may switch to a locale with a decimal comma; files must read the same.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    EXPECT_FLOAT_EQ(svc::parse_float("1.5"), 1.5f);
    EXPECT_EQ(svc::float_to_string(1.5f), "1.500000");
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(TextNumbers, IntAndFloatToString) {
  EXPECT_EQ(svc::int_to_string(0), "0");
  EXPECT_EQ(svc::int_to_string(-45), "-45");
  EXPECT_EQ(svc::int_to_string(INT32_MIN), "-2147483648");
  EXPECT_EQ(svc::float_to_string(12.0f), "12.000000");
  EXPECT_EQ(svc::float_to_string(0.1f), "0.100000");
  EXPECT_EQ(svc::float_to_string(1e10f), "10000000000.000000");
}

TEST(TextSearch, FindStringClampsTheStart) {
  EXPECT_EQ(svc::find_string("abcabc", "c", 4), 6);
  EXPECT_EQ(svc::find_string("abcabc", "c"), 3);
  EXPECT_EQ(svc::find_string("abcabc", "", 1), 0);
  EXPECT_EQ(svc::find_string("", "a", 1), 0);
  EXPECT_EQ(svc::find_string("abcabc", "a", -5), 1);   // Clamped up to 1
  EXPECT_EQ(svc::find_string("abcabc", "c", 100), 0);  // Clamped down to length + 1
  EXPECT_EQ(svc::find_string("abcabc", "C", 1), 0);    // Case-sensitive
  EXPECT_EQ(svc::find_string("abcabc", "abcabcd", 1), 0);
}

TEST(TextSlices, MidAndLeftStayInsideTheText) {
  EXPECT_EQ(svc::mid_string("abc", 5, 2), "");
  EXPECT_EQ(svc::mid_string("abc", 4, 2), "");
  EXPECT_EQ(svc::mid_string("abc", 2, 99), "bc");
  EXPECT_EQ(svc::mid_string("abc", 0, 2), "ab");
  EXPECT_EQ(svc::mid_string("abc", 2, 0), "");
  EXPECT_EQ(svc::left_string("abc", 2), "ab");
  EXPECT_EQ(svc::left_string("abc", 9), "abc");
  EXPECT_EQ(svc::left_string("abc", -1), "");
}

TEST(TextCompare, GreaterUsesUnsignedBytes) {
  EXPECT_TRUE(svc::string_greater("\xE9", "z"));  // 0xE9 sorts after 'z' as an unsigned byte
  EXPECT_TRUE(svc::string_greater("a", ""));
  EXPECT_FALSE(svc::string_greater("", ""));
}

TEST(TextRounding, FloorCeilingAndHalvesToEven) {
  EXPECT_EQ(svc::round_float(2.1f, 1), 3.0f);
  EXPECT_EQ(svc::round_float(-2.1f, 0), -3.0f);
  EXPECT_EQ(svc::round_float(-2.1f, 1), -2.0f);
  EXPECT_EQ(svc::round_nearest(2.5), 2);
  EXPECT_EQ(svc::round_nearest(3.5), 4);
  EXPECT_EQ(svc::round_nearest(-2.5), -2);
  EXPECT_EQ(svc::round_nearest(2.6), 3);
  EXPECT_EQ(svc::round_nearest(1e20), INT32_MAX);
}

TEST(DisplayText, Utf8StaysAnd1252IsConvertedBothWays) {
  EXPECT_TRUE(svc::is_valid_utf8("plain"));
  EXPECT_TRUE(svc::is_valid_utf8("caf\xC3\xA9"));
  EXPECT_FALSE(svc::is_valid_utf8("caf\xE9"));
  EXPECT_FALSE(svc::is_valid_utf8("\xC0\xAF"));      // Overlong
  EXPECT_FALSE(svc::is_valid_utf8("\xED\xA0\x80"));  // Surrogate
  EXPECT_FALSE(svc::is_valid_utf8("\xE2\x82"));      // Cut short
  EXPECT_EQ(svc::to_display_text("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(svc::to_display_text("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(svc::to_display_text("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");  // Euro sign, Y diaeresis
  // Every byte survives the trip through a window and back, the five undefined ones included.
  std::string all;
  for (int b = 1; b < 256; b++) all += static_cast<char>(b);
  EXPECT_EQ(svc::from_display_text(svc::to_display_text(all), false), all);
  EXPECT_EQ(svc::from_display_text("\xE2\x82\xAC", false), "\x80");
  EXPECT_EQ(svc::from_display_text("\xE4\xB8\xAD", false), "?");  // Not in Windows-1252
  EXPECT_EQ(svc::from_display_text("\xE4\xB8\xAD", true), "\xE4\xB8\xAD");
  // Read as Windows-1252 even where the bytes would also read as UTF-8; a character without a byte is refused.
  EXPECT_EQ(svc::decode_1252("\xC3\xA9"), "\xC3\x83\xC2\xA9");
  std::string bytes;
  EXPECT_TRUE(svc::encode_1252("\xE2\x82\xAC \xE9", bytes));
  EXPECT_EQ(bytes, "\x80 \xE9");  // A byte that is not UTF-8 stays as it is
  EXPECT_FALSE(svc::encode_1252("a\xCE\xA9", bytes));
}

// What every platform shows: CR LF, CR and LF each make one break, in UTF-8 or Windows-1252 text.
TEST(DisplayText, LinesBreakAtCrLfCrAndLf) {
  EXPECT_EQ(svc::detail::display_lines("a\r\nb\rc\nd\n\re\r"), "a\nb\nc\nd\n\ne\n");
  EXPECT_EQ(svc::detail::display_lines("caf\xE9\r\r\n"), "caf\xC3\xA9\n\n");
  EXPECT_EQ(svc::detail::display_lines(""), "");
}

}  // namespace
