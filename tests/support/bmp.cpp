// bmp.cpp -- small uncompressed 24-bit BMP pictures made in memory for the tests
#include "support/bmp.h"

#include <cstddef>
#include <cstdint>

namespace support {

std::string bmp_bytes(int width, int height, const std::function<Rgb(int x, int y)>& pixel) {
  const size_t row = (size_t(width) * 3 + 3) / 4 * 4;  // rows are padded to four bytes
  const size_t data = row * size_t(height);
  std::string b(54 + data, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 255);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, uint32_t(b.size()));
  put32(10, 54);  // pixels start after the two headers
  put32(14, 40);  // information header size
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  b[26] = 1;   // planes
  b[28] = 24;  // bits per pixel
  put32(34, uint32_t(data));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Rgb p = pixel(x, y);
      const size_t at = 54 + size_t(height - 1 - y) * row + size_t(x) * 3;
      b[at] = char(p.b);
      b[at + 1] = char(p.g);
      b[at + 2] = char(p.r);
    }
  return b;
}

std::string bmp_bytes(int width, int height, const std::vector<Rgb>& pixels) {
  return bmp_bytes(width, height, [&](int x, int y) { return pixels[size_t(y) * width + x]; });
}

std::string solid_bmp(int width, int height, int r, int g, int b) {
  return bmp_bytes(width, height, [&](int, int) { return Rgb{r, g, b}; });
}

}  // namespace support
