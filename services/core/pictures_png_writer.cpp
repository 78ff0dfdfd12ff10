// pictures_png_writer.cpp -- writing a picture as a PNG file through libpng's simplified writer
#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "pictures_internal.h"
#include "services/files.h"

namespace svc {
namespace {

bool write_all(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
  }
  return true;
}

bool opaque(const Picture& picture) {
  for (size_t i = 3; i < picture.rgba.size(); i += 4)
    if (picture.rgba[i] != 255) return false;
  return true;
}

// The PNG bytes of the picture: 8-bit RGB when every pixel is opaque, else RGBA.
bool encode_png(const Picture& picture, std::vector<uint8_t>& out) {
  if (picture.width <= 0 || picture.height <= 0 ||
      uint64_t(picture.width) * uint64_t(picture.height) > uint64_t(kMaxPicturePixels) ||
      picture.rgba.size() != size_t(picture.width) * size_t(picture.height) * 4)
    return false;
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
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr) || size == 0) return false;
  out.resize(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, nullptr)) return false;
  out.resize(size);
  return true;
}

}  // namespace

int write_png(const std::string& path, const Picture& picture) {
  std::vector<uint8_t> bytes;
  if (path.empty() || !encode_png(picture, bytes)) return 0;
  // Written beside the target and renamed over it, so a failure never leaves half a file.
  const std::string target = system_path(path);
  const std::string part = target + ".part" + std::to_string(::getpid());
  const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return 0;
  const bool written = write_all(fd, bytes.data(), bytes.size());
  if (::close(fd) != 0 || !written || ::rename(part.c_str(), target.c_str()) != 0) {
    ::unlink(part.c_str());
    return 0;
  }
  return 1;
}

}  // namespace svc
