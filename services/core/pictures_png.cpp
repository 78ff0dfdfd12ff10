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
  if (!picture_size_ok(image.width, image.height)) {
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
