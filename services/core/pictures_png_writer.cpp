// pictures_png_writer.cpp -- writing a picture as a PNG file through libpng's simplified writer
#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pictures_internal.h"
#include "services/files.h"

namespace svc {
namespace {

bool opaque(const Picture& picture) {
  for (size_t i = 3; i < picture.rgba.size(); i += 4)
    if (picture.rgba[i] != 255) return false;
  return true;
}

// Encodes the picture into an open file: 8-bit RGB when every pixel is opaque, else RGBA.
bool encode_png(const Picture& picture, FILE* file) {
  const bool rgb = opaque(picture);
  std::vector<uint8_t> rgb_rows;
  if (rgb) {
    rgb_rows.resize(size_t(picture.width) * size_t(picture.height) * 3);
    for (size_t i = 0, j = 0; i < picture.rgba.size(); i += 4, j += 3) std::memcpy(&rgb_rows[j], &picture.rgba[i], 3);
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(picture.width);
  image.height = png_uint_32(picture.height);
  image.format = rgb ? PNG_FORMAT_RGB : PNG_FORMAT_RGBA;
  const void* pixels = rgb ? static_cast<const void*>(rgb_rows.data()) : picture.rgba.data();
  const bool written = png_image_write_to_stdio(&image, file, 0, pixels, 0, nullptr) != 0;
  png_image_free(&image);
  return written;
}

}  // namespace

int write_png(const std::string& path, const Picture& picture) {
  if (path.empty() || picture.width <= 0 || picture.height <= 0 ||
      uint64_t(picture.width) * uint64_t(picture.height) > uint64_t(kMaxPicturePixels) ||
      picture.rgba.size() != size_t(picture.width) * size_t(picture.height) * 4)
    return 0;
  // Written beside the target and renamed over it, so a failure never leaves half a file.
  const std::string target = system_path(path);
  const std::string part = target + ".part" + std::to_string(::getpid());
  const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return 0;
  FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    ::close(fd);
    ::unlink(part.c_str());
    return 0;
  }
  const bool encoded = encode_png(picture, file);
  const bool flushed = std::fflush(file) == 0 && ::fsync(fd) == 0;
  if (std::fclose(file) != 0 || !encoded || !flushed || ::rename(part.c_str(), target.c_str()) != 0) {
    ::unlink(part.c_str());
    return 0;
  }
  return 1;
}

}  // namespace svc
