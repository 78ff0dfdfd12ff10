// pictures_png.cpp -- PNG through libpng's simplified reader (all bit depths, palettes, grey, alpha, interlace)
//
// A picture keeps the values its file stores: maps are scanned from them. libpng's simplified reader
// would convert a file with its own gamma or colour space (gAMA, cHRM, iCCP, sRGB) to sRGB, so those
// chunks are left out of the copy that libpng reads; without them it takes the values as they are.
// Palette, grey and 16-bit samples are still converted to 8-bit RGBA.
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "pictures_internal.h"

namespace svc::detail {
namespace {

uint32_t be32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

bool is_colour_space_chunk(const uint8_t* type) {
  for (const char* name : {"gAMA", "cHRM", "iCCP", "sRGB"})
    if (std::memcmp(type, name, 4) == 0) return true;
  return false;
}

// The file without its colour-space chunks, and the number of bytes in its IDAT chunks. Chunks
// that run past the end are copied as they are, for libpng to refuse.
std::vector<uint8_t> without_colour_space(const uint8_t* data, size_t size, uint64_t& idat_bytes) {
  std::vector<uint8_t> kept(data, data + 8);
  kept.reserve(size);
  idat_bytes = 0;
  size_t pos = 8;
  while (pos + 12 <= size) {
    const uint64_t length = be32(data + pos);
    if (length > size - pos - 12) break;
    const size_t whole = static_cast<size_t>(length) + 12;
    if (std::memcmp(data + pos + 4, "IDAT", 4) == 0) idat_bytes += length;
    if (!is_colour_space_chunk(data + pos + 4)) kept.insert(kept.end(), data + pos, data + pos + whole);
    pos += whole;
  }
  kept.insert(kept.end(), data + pos, data + size);
  return kept;
}

}  // namespace

bool decode_png(const uint8_t* data, size_t size, const PictureRows& rows) {
  if (size < 8) return refuse("is too short to be a picture");
  uint64_t idat_bytes = 0;
  const std::vector<uint8_t> file = without_colour_space(data, size, idat_bytes);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return refuse_library(image.message);
  if (!check_picture_size(image.width, image.height)) {
    png_image_free(&image);
    return false;
  }
  // Deflate packs at most 1032 bytes into one, and every row holds at least a filter byte and one bit
  // per pixel (each pass of an interlaced file has fewer rows but adds its own filter bytes).
  const uint64_t least_raw = static_cast<uint64_t>(image.height) * (1 + (static_cast<uint64_t>(image.width) + 7) / 8);
  if (!check_data_covers(idat_bytes, 1032, least_raw, image.width, image.height)) {
    png_image_free(&image);
    return false;
  }
  // 16-bit samples are scaled to 8 bits as they are, not read as linear light.
  image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  image.format = PNG_FORMAT_RGBA;
  size_t stride = 0;
  uint8_t* first = rows(static_cast<int>(image.width), static_cast<int>(image.height), stride);
  if (!first || stride < size_t{image.width} * 4 || stride > 0x7FFFFFFF) {
    png_image_free(&image);
    return refuse("has no room to be decoded into");
  }
  // libpng counts the stride in components, one byte each here.
  if (!png_image_finish_read(&image, nullptr, first, static_cast<png_int_32>(stride), nullptr)) {
    const std::string message = image.message;
    png_image_free(&image);
    return refuse_library(message);
  }
  png_image_free(&image);
  return true;
}

}  // namespace svc::detail
