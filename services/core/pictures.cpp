// pictures.cpp -- picture files to RGBA: reads the file, recognises the format by its first bytes
#include "services/pictures.h"

#include <cstring>

#include "os.h"
#include "pictures_internal.h"
#include "services/files.h"
#include "services/paths.h"
#include "surface.h"

namespace svc {
namespace {

constexpr int64_t kMaxPictureFileBytes = int64_t{1} << 30;

bool g_decoders_registered = false;
std::string g_error;  // Why the last decode failed
int64_t g_pixel_limit = kMaxPicturePixels;

bool starts_with(const uint8_t* data, size_t size, const char* magic, size_t n) {
  return size >= n && std::memcmp(data, magic, n) == 0;
}

// The file's bytes in scratch memory (not cleared first: every byte is read into).
bool read_whole_file(const std::string& path, detail::Scratch& bytes, size_t& size) {
  // The open never waits, so a pipe without a writer is refused below instead of hanging here.
  const os::Handle file = os::open_file(system_path(path), os::Open::READ);
  if (file == os::kNoHandle) return detail::refuse("cannot be opened: " + os::error_text());
  os::Info info;
  const char* why = nullptr;
  if (!os::file_info(file, info))
    why = "cannot be examined";
  else if (info.kind == os::Kind::FOLDER)
    why = "is a folder, not a picture file";
  else if (info.kind != os::Kind::FILE)
    why = "is not a regular file";  // A device such as /dev/zero would never end
  else if (info.size > kMaxPictureFileBytes)
    why = "is larger than 1 GiB";
  if (why) {
    os::close_file(file);
    return detail::refuse(why);
  }
  const size_t expected = static_cast<size_t>(info.size);
  bytes = detail::make_scratch(expected);
  if (!bytes) {
    os::close_file(file);
    return detail::refuse("is too large for the memory left");
  }
  size_t got = 0;
  while (got < expected) {
    const int64_t n = os::read_some(file, bytes.get() + got, expected - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  os::close_file(file);
  size = got;  // A file that shrank while being read is decoded as far as it goes
  return true;
}

}  // namespace

namespace detail {

bool refuse(const std::string& reason) {
  g_error = reason;
  return false;
}

bool refuse_library(const std::string& message) { return refuse("cannot be decoded (" + message + ")"); }

void set_pixel_limit(int64_t pixels) { g_pixel_limit = pixels < kMaxPicturePixels ? pixels : kMaxPicturePixels; }

bool check_picture_size(int64_t width, int64_t height) {
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (width <= 0 || height <= 0) return refuse("declares an empty size (" + size + ")");
  if (width > g_pixel_limit || height > g_pixel_limit ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > static_cast<uint64_t>(g_pixel_limit))
    return refuse("declares " + size + " pixels, more than the limit of " + std::to_string(g_pixel_limit) + " pixels");
  return true;
}

bool check_data_covers(uint64_t held, uint64_t most_per_byte, uint64_t needed, int64_t width, int64_t height) {
  // Divide rather than multiply: `held * most_per_byte` could overflow for a large file.
  if (held >= needed / most_per_byte + (needed % most_per_byte ? 1 : 0)) return true;
  return refuse("declares " + std::to_string(width) + " x " + std::to_string(height) + " pixels, but its " +
                std::to_string(held) + " bytes of picture data cannot hold them (truncated or a false header)");
}

}  // namespace detail

void register_image_decoders() {
  detail::quiet_tiff_messages();
  g_decoders_registered = true;
}

namespace {

// Decodes into `out`, or, when `rows` is given, PNG and JPEG straight into the caller's rows and the
// other formats into `out` first and then into the rows. The refusal's reason names the format.
int decode_bytes(const uint8_t* data, size_t size, Picture& out, const PictureRows* rows) {
  out = Picture();
  g_error.clear();
  if (!data || size == 0) {
    detail::refuse("file is empty");
    return 0;
  }
  // PNG and JPEG write into rows; without the caller's, into those of `out`.
  const PictureRows into_picture = [&out](int width, int height, size_t& stride) {
    out.width = width;
    out.height = height;
    out.rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    stride = static_cast<size_t>(width) * 4;
    return out.rgba.data();
  };
  const PictureRows& direct = rows ? *rows : into_picture;
  bool ok = false, decoded_direct = false;
  const char* format = nullptr;
  if (starts_with(data, size, "BM", 2)) {
    format = "BMP";
    ok = detail::decode_bmp(data, size, out);
  } else if (!g_decoders_registered) {
    detail::refuse("is not a BMP picture (the PNG, JPEG and TIFF decoders are not registered)");
  } else if (detail::has_png_signature(data, size)) {
    format = "PNG";
    ok = detail::decode_png(data, size, direct);
    decoded_direct = rows != nullptr;
  } else if (starts_with(data, size, "\xFF\xD8\xFF", 3)) {
    format = "JPEG";
    ok = detail::decode_jpeg(data, size, direct);
    decoded_direct = rows != nullptr;
  } else if (starts_with(data, size, "II*\0", 4) || starts_with(data, size, "MM\0*", 4) ||
             starts_with(data, size, "II+\0", 4) || starts_with(data, size, "MM\0+", 4)) {
    format = "TIFF";
    ok = detail::decode_tiff(data, size, out);
  } else {
    detail::refuse("is not a PNG, JPEG, TIFF or BMP picture");
  }
  if (ok && !decoded_direct && out.rgba.size() != static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 4)
    ok = detail::refuse("decoded to the wrong number of bytes");
  if (ok && rows && !decoded_direct) {
    size_t stride = 0;
    uint8_t* first = (*rows)(out.width, out.height, stride);
    const size_t row_bytes = static_cast<size_t>(out.width) * 4;
    if (!first || stride < row_bytes)
      ok = detail::refuse("has no room to be decoded into");
    else
      for (int y = 0; y < out.height; y++)
        std::memcpy(first + static_cast<size_t>(y) * stride, out.rgba.data() + static_cast<size_t>(y) * row_bytes,
                    row_bytes);
    out = Picture();
  }
  if (!ok) {
    out = Picture();
    if (g_error.empty()) g_error = "is damaged or uses a feature that is not supported";
    g_error = (format ? std::string(format) + " picture " : std::string("file ")) + g_error;
    return 0;
  }
  g_error.clear();
  return 1;
}

int decode_file(const std::string& path, Picture& out, const PictureRows* rows) {
  out = Picture();
  detail::Scratch bytes;
  size_t size = 0;
  if (path.empty()) {
    detail::refuse("file name is empty");
    return 0;
  }
  if (!read_whole_file(path, bytes, size)) {
    g_error = "file " + g_error;
    return 0;
  }
  return decode_bytes(bytes.get(), size, out, rows);
}

}  // namespace

int decode_picture_memory(const uint8_t* data, size_t size, Picture& out) {
  return decode_bytes(data, size, out, nullptr);
}

int decode_picture(const std::string& path, Picture& out) { return decode_file(path, out, nullptr); }

int decode_picture_into(const std::string& path, const PictureRows& rows) {
  Picture unused;
  return decode_file(path, unused, &rows);
}

const std::string& picture_error() { return g_error; }

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
