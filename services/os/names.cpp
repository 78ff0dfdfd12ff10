// names.cpp -- names compared as Windows compares them: letter case folded, the same on every system
//
// A name is read as UTF-8 when its bytes are valid UTF-8 and as Windows-1252 otherwise (the rule the
// suite applies to names everywhere), so a Windows-1252 name in a settings file meets the UTF-8 name
// an unpacked archive left on disk. Folding covers the letters a Windows folder matches without
// regard to case in the names the suite meets: ASCII, Latin-1 and Latin Extended-A (every letter of
// Windows-1252), Greek and Cyrillic.
#include <string>

#include "os.h"

namespace os {
namespace {

// Windows-1252's bytes 0x80-0x9F as code points; the five it leaves undefined stand for themselves.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The code points of valid UTF-8; false (and `out` unfinished) for anything else.
bool decode_utf8(const std::string& s, std::u32string& out) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    size_t length;
    char32_t c;
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = 2, c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3, c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4, c = b & 0x07;
    } else {
      return false;
    }
    if (i + length > s.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
      return false;
    out.push_back(c);
    i += length;
  }
  return true;
}

char32_t lower(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x178) return 0xFF;  // Y with diaeresis pairs with Latin-1's last letter
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
    return c | 1;  // Upper case on the even code point, lower case on the next
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x410 && c <= 0x42F) return c + 32;  // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

void encode_utf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

bool may_differ_in_case(const std::string& name) {
  for (char ch : name) {
    const unsigned char b = static_cast<unsigned char>(ch);
    if (b >= 0x80 || ((b | 0x20) >= 'a' && (b | 0x20) <= 'z')) return true;
  }
  return false;
}

std::string folded_name(const std::string& name) {
  std::string out;
  if (!may_differ_in_case(name)) return name;
  std::u32string points;
  points.reserve(name.size());
  if (!decode_utf8(name, points)) {
    points.clear();
    for (char ch : name) {
      const unsigned char b = static_cast<unsigned char>(ch);
      points.push_back(b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char32_t{b});
    }
  }
  out.reserve(name.size());
  for (char32_t c : points) encode_utf8(lower(c), out);
  return out;
}

}  // namespace os
