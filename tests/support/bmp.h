// bmp.h -- small uncompressed 24-bit BMP pictures made in memory for the tests
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace support {

// One pixel's colour, each channel 0..255.
struct Rgb {
  int r, g, b;
};

// The bytes of a bottom-up 24-bit BMP of width x height pixels; pixel(x, y) gives each colour,
// y counted from the top row.
std::string bmp_bytes(int width, int height, const std::function<Rgb(int x, int y)>& pixel);

// The same, with the pixels given row by row from the top.
std::string bmp_bytes(int width, int height, const std::vector<Rgb>& pixels);

// A BMP of one colour.
std::string solid_bmp(int width, int height, int r, int g, int b);

}  // namespace support
