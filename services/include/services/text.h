// text.h -- text conversions, searches, colour packing and display encoding
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace svc {

int32_t string_to_int(std::string_view text);  // Blanks/tabs, optional sign, digits; 0 when none; 32-bit wrap
float parse_float(const std::string& text);    // Leading decimal number, rest ignored; 0.0 when none
std::string int_to_string(int64_t value);      // Shortest decimal, "-" for negatives
std::string float_to_string(float value);      // Fixed notation with six decimals
int find_string(const std::string& text, const std::string& needle, int start = 1);  // 1-based; 0 when absent
std::string mid_string(const std::string& text, int start, int length);  // From 1-based start; "" beyond the end
std::string left_string(const std::string& text, int n);                 // The first n characters
int string_length(const std::string& text);                              // Length in bytes
bool string_equal(const std::string& a, const std::string& b);           // Exact byte comparison
bool string_greater(const std::string& a, const std::string& b);         // a sorts after b in unsigned byte order
float round_float(float value, int mode);                                // Mode 1 rounds up, any other mode down
int32_t round_nearest(double value);  // Nearest integer, halves to even (as drawing positions)

// Colour packing, inline: scans call these millions of times.
inline int32_t rgb(int32_t r, int32_t g, int32_t b) {  // r + g*256 + b*65536, not clamped
  return static_cast<int32_t>(static_cast<uint32_t>(r) + static_cast<uint32_t>(g) * 256u +
                              static_cast<uint32_t>(b) * 65536u);
}
inline int red(int32_t colour) { return static_cast<int>(static_cast<uint32_t>(colour) & 0xFFu); }           // Bits 0-7
inline int green(int32_t colour) { return static_cast<int>((static_cast<uint32_t>(colour) >> 8) & 0xFFu); }  // 8-15
inline int blue(int32_t colour) { return static_cast<int>((static_cast<uint32_t>(colour) >> 16) & 0xFFu); }  // 16-23

// What a window shows is UTF-8: bytes that are valid UTF-8 are shown as they are, others are read as Windows-1252.
bool is_valid_utf8(const std::string& bytes);
std::string to_display_text(const std::string& bytes);  // Bytes of a file or program text -> UTF-8 for a window
std::string from_display_text(const std::string& utf8, bool as_utf8);  // Back to the file's encoding
std::string decode_1252(const std::string& bytes);  // Windows-1252 bytes -> UTF-8, even when they also read as UTF-8
// UTF-8 -> Windows-1252; false when a character has no Windows-1252 byte. Bytes that are not UTF-8 stay as they are.
bool encode_1252(const std::string& utf8, std::string& bytes);

}  // namespace svc
