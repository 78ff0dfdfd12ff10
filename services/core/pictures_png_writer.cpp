// pictures_png_writer.cpp -- writing a picture as a PNG file through libpng's simplified writer
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "os.h"
#include "pictures_internal.h"
#include "services/paths.h"

namespace svc {
namespace {

bool opaque(const Picture& picture) {
  for (size_t i = 3; i < picture.rgba.size(); i += 4)
    if (picture.rgba[i] != 255) return false;
  return true;
}

struct FreeBlock {
  void operator()(void* block) const { std::free(block); }
};

// Encodes the picture into memory: 8-bit RGB when every pixel is opaque, else RGBA. The buffer is
// taken at the largest size the encoder may need; only the pages it writes are ever touched.
bool encode_png(const Picture& picture, std::unique_ptr<void, FreeBlock>& encoded, size_t& size) {
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
  png_alloc_size_t room = PNG_IMAGE_PNG_SIZE_MAX(image);
  encoded.reset(std::malloc(room));
  const bool written = encoded && png_image_write_to_memory(&image, encoded.get(), &room, 0, pixels, 0, nullptr) != 0;
  png_image_free(&image);
  size = room;
  return written;
}

}  // namespace

int write_png(const std::string& path, const Picture& picture) {
  if (path.empty() || picture.width <= 0 || picture.height <= 0 ||
      uint64_t(picture.width) * uint64_t(picture.height) > uint64_t(kMaxPicturePixels) ||
      picture.rgba.size() != size_t(picture.width) * size_t(picture.height) * 4)
    return 0;
  std::unique_ptr<void, FreeBlock> encoded;
  size_t size = 0;
  if (!encode_png(picture, encoded, size)) return 0;
  // Written beside the target and renamed over it, so a failure never leaves half a file.
  const std::string_view bytes(static_cast<const char*>(encoded.get()), size);
  return os::replace_file(system_path(path), {bytes}, false) == os::Replaced::DONE ? 1 : 0;
}

}  // namespace svc
