// png_chunks.cpp -- rewriting the chunks of a PNG file for the tests, with valid checksums
#include "support/png_chunks.h"

#include <algorithm>

namespace support {
namespace {

uint32_t crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; i++) {
    c ^= p[i];
    for (int k = 0; k < 8; k++) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

void put_be32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

}  // namespace

std::vector<uint8_t> png_chunk(const std::string& type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> c(12 + data.size());
  put_be32(&c[0], uint32_t(data.size()));
  std::copy(type.begin(), type.begin() + 4, c.begin() + 4);
  std::copy(data.begin(), data.end(), c.begin() + 8);
  put_be32(&c[8 + data.size()], crc32(&c[4], 4 + data.size()));
  return c;
}

std::vector<uint8_t> png_rechunk(const std::vector<uint8_t>& png, const std::vector<std::string>& drop,
                                 const std::vector<uint8_t>& insert) {
  std::vector<uint8_t> out(png.begin(), png.begin() + 8);
  for (size_t pos = 8; pos + 12 <= png.size();) {
    const size_t whole = 12 + be32(&png[pos]);
    const std::string type(png.begin() + pos + 4, png.begin() + pos + 8);
    if (std::find(drop.begin(), drop.end(), type) == drop.end())
      out.insert(out.end(), png.begin() + pos, png.begin() + pos + whole);
    if (type == "IHDR") out.insert(out.end(), insert.begin(), insert.end());
    pos += whole;
  }
  return out;
}

std::vector<uint8_t> png_resized(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
  put_be32(&png[16], width);
  put_be32(&png[20], height);
  put_be32(&png[29], crc32(&png[12], 17));
  return png;
}

}  // namespace support
