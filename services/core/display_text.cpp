// display_text.cpp -- UTF-8 for windows: file bytes in UTF-8 or Windows-1252, the way back, and line breaks
//
// The suite's files come from a system whose 8-bit code page is Windows-1252. Windows show UTF-8,
// so bytes that are not valid UTF-8 are read as Windows-1252, and a field's text goes back to its
// file in the encoding it came in. The five bytes 1252 leaves undefined map to the C1 controls of
// the same value, so every byte survives the round trip.
#include "services/text.h"

#include "display_text.h"

namespace svc {
namespace {

// Code points of the bytes 0x80-0x9F in Windows-1252.
const uint16_t kHigh1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void append_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at i; returns its length, 0 when the bytes there are not valid UTF-8.
size_t decode_utf8(const std::string& s, size_t i, uint32_t& cp) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(i);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t len;
  uint32_t min;
  if (c >= 0xC2 && c <= 0xDF)
    len = 2, cp = c & 0x1F, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF)
    len = 3, cp = c & 0x0F, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4)
    len = 4, cp = c & 0x07, min = 0x10000;
  else
    return 0;
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; k++) {
    unsigned char t = byte(i + k);
    if ((t & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (t & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;  // Overlong, too big, surrogate
  return len;
}

// The Windows-1252 byte of a code point; -1 when the code page has none.
int to_1252(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int k = 0; k < 32; k++)
    if (kHigh1252[k] == cp) return 0x80 + k;
  return -1;
}

}  // namespace

bool is_valid_utf8(const std::string& bytes) {
  uint32_t cp;
  for (size_t i = 0; i < bytes.size();) {
    size_t n = decode_utf8(bytes, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string to_display_text(const std::string& bytes) { return is_valid_utf8(bytes) ? bytes : decode_1252(bytes); }

std::string decode_1252(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80)
      out += ch;
    else if (c < 0xA0)
      append_utf8(out, kHigh1252[c - 0x80]);
    else
      append_utf8(out, c);
  }
  return out;
}

std::string from_display_text(const std::string& utf8, bool as_utf8) {
  if (as_utf8) return utf8;
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    uint32_t cp;
    size_t n = decode_utf8(utf8, i, cp);
    if (n == 0) {  // Not UTF-8 after all: one unreadable byte
      out += '?';
      i++;
      continue;
    }
    int b = to_1252(cp);
    out += b < 0 ? '?' : static_cast<char>(b);
    i += n;
  }
  return out;
}

std::string detail::display_lines(const std::string& bytes) {
  std::string utf8 = to_display_text(bytes);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); i++) {
    if (utf8[i] == '\r') {
      out += '\n';
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') i++;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

bool encode_1252(const std::string& utf8, std::string& bytes) {
  bytes.clear();
  bytes.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    uint32_t cp;
    size_t n = decode_utf8(utf8, i, cp);
    if (n == 0) {  // Not UTF-8: a byte that came in as a byte goes out unchanged
      bytes += utf8[i++];
      continue;
    }
    int b = to_1252(cp);
    if (b < 0) return false;
    bytes += static_cast<char>(b);
    i += n;
  }
  return true;
}

std::string detail::held_title(std::string text) {
  if (text.size() <= kMaxTitleBytes) return text;
  size_t end = kMaxTitleBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) end--;  // a continuation byte
  text.resize(end);
  return text;
}

}  // namespace svc
