// pictures.cpp -- picture files to RGBA: reads the file, recognises the format by its first bytes
#include "services/pictures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "pictures_internal.h"
#include "services/files.h"

namespace svc {
namespace {

constexpr int64_t kMaxPictureFileBytes = int64_t{1} << 30;

bool g_decoders_registered = false;

bool starts_with(const uint8_t* data, size_t size, const char* magic, size_t n) {
  return size >= n && std::memcmp(data, magic, n) == 0;
}

bool read_whole_file(const std::string& path, std::vector<uint8_t>& bytes) {
  int fd = ::open(system_path(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxPictureFileBytes) {
    ::close(fd);
    return false;
  }
  bytes.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);  // A file that shrank while being read is decoded as far as it goes
  return true;
}

}  // namespace

namespace detail {

bool picture_size_ok(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) return false;
  if (width > (int64_t{1} << 30) || height > (int64_t{1} << 30)) return false;
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kMaxPicturePixels;
}

}  // namespace detail

void register_image_decoders() {
  detail::quiet_tiff_messages();
  g_decoders_registered = true;
}

int decode_picture_memory(const uint8_t* data, size_t size, Picture& out) {
  out = Picture();
  if (!data || size == 0) return 0;
  bool ok = false;
  if (starts_with(data, size, "BM", 2)) {
    ok = detail::decode_bmp(data, size, out);
  } else if (!g_decoders_registered) {
    ok = false;
  } else if (starts_with(data, size, "\x89PNG\r\n\x1a\n", 8)) {
    ok = detail::decode_png(data, size, out);
  } else if (starts_with(data, size, "\xFF\xD8\xFF", 3)) {
    ok = detail::decode_jpeg(data, size, out);
  } else if (starts_with(data, size, "II*\0", 4) || starts_with(data, size, "MM\0*", 4) ||
             starts_with(data, size, "II+\0", 4) || starts_with(data, size, "MM\0+", 4)) {
    ok = detail::decode_tiff(data, size, out);
  }
  if (!ok || out.rgba.size() != static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 4) {
    out = Picture();
    return 0;
  }
  return 1;
}

int decode_picture(const std::string& path, Picture& out) {
  out = Picture();
  std::vector<uint8_t> bytes;
  if (path.empty() || !read_whole_file(path, bytes)) return 0;
  return decode_picture_memory(bytes.data(), bytes.size(), out);
}

void apply_transparent_colour(Picture& picture, int32_t colour) {
  const uint8_t r = static_cast<uint8_t>(colour & 0xFF);
  const uint8_t g = static_cast<uint8_t>((colour >> 8) & 0xFF);
  const uint8_t b = static_cast<uint8_t>((colour >> 16) & 0xFF);
  for (size_t i = 0; i + 3 < picture.rgba.size(); i += 4) {
    uint8_t* p = &picture.rgba[i];
    if (p[0] == r && p[1] == g && p[2] == b) p[3] = 0;
  }
}

}  // namespace svc
