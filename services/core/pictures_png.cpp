// pictures_png.cpp -- PNG to 8-bit RGBA: the direct decoder for the common files, libpng for the rest
//
// The common files (not interlaced; 8-bit grey, grey + alpha, RGB, RGBA; palettes and grey of 1 to 8
// bits; tRNS) are read by the direct decoder (pictures_png_direct.cpp). Anything else (interlaced,
// 16-bit, a damaged or unusual file) goes to libpng (pictures_png_library.cpp). The direct decoder
// takes a file only when it is sure libpng would decode it, and to the same pixels; a file it is
// unsure of is left to libpng, whose answer (and reason for a refusal) then stands.
//
// A picture keeps the values its file stores: maps are scanned from them. Neither half converts a
// file's gamma or colour space (gAMA, cHRM, iCCP, sRGB). Palette, grey and 16-bit samples are still
// expanded to 8-bit RGBA.
#include <cstring>

#include "pictures_internal.h"
#include "pictures_png_parts.h"

namespace svc::detail {

// The least number of IDAT bytes that can hold a picture: deflate packs at most 1032 bytes into one,
// and every row holds at least a filter byte and one bit per pixel (each pass of an interlaced file has
// fewer rows but adds its own filter bytes).
bool idat_covers(uint64_t idat_bytes, uint32_t width, uint32_t height) {
  const uint64_t least_raw = static_cast<uint64_t>(height) * (1 + (static_cast<uint64_t>(width) + 7) / 8);
  return check_data_covers(idat_bytes, 1032, least_raw, width, height);
}

// Room in the caller's rows for width x height, with a stride libpng can be given.
uint8_t* rows_for(const PictureRows& rows, uint32_t width, uint32_t height, size_t& stride) {
  stride = 0;
  uint8_t* first = rows(static_cast<int>(width), static_cast<int>(height), stride);
  if (!first || stride < size_t{width} * 4 || stride > 0x7FFFFFFF) {
    refuse("has no room to be decoded into");
    return nullptr;
  }
  return first;
}

bool has_png_signature(const uint8_t* data, size_t size) {
  return size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0;
}

bool decode_png(const uint8_t* data, size_t size, const PictureRows& rows) {
  switch (decode_png_direct(data, size, rows)) {
    case PngDirect::decoded:
      return true;
    case PngDirect::refused:
      return false;
    case PngDirect::declined:
      break;
  }
  return decode_png_library(data, size, rows);
}

}  // namespace svc::detail
