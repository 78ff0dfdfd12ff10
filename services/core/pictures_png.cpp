// pictures_png.cpp -- PNG through libpng's simplified reader (all bit depths, palettes, grey, alpha, interlace)
#include <png.h>

#include <cstring>

#include "pictures_internal.h"

namespace svc::detail {

bool decode_png(const uint8_t* data, size_t size, Picture& out) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return false;
  // Deflate packs at most 1032 bytes into one, and every row holds at least a filter byte and one bit
  // per pixel: a file too short for its claimed size is refused before a large buffer is made.
  const uint64_t least_raw = static_cast<uint64_t>(image.height) * (1 + (static_cast<uint64_t>(image.width) + 7) / 8);
  if (!picture_size_ok(image.width, image.height) || static_cast<uint64_t>(size) * 1100 < least_raw) {
    png_image_free(&image);
    return false;
  }
  // 16-bit files without gamma information are sRGB like every other file, not linear light.
  image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  image.format = PNG_FORMAT_RGBA;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgba.assign(static_cast<size_t>(image.width) * image.height * 4, 0);
  if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  png_image_free(&image);
  return true;
}

}  // namespace svc::detail
