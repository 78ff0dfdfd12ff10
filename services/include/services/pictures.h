// pictures.h -- decoding picture files (BMP always; PNG, JPEG and TIFF once registered) to 8-bit RGBA
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace svc {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4 bytes, rows top to bottom
};

// The largest picture decoded, in pixels (2^28: 1 GiB as RGBA). A file declaring more is refused, as is
// one whose data is too short for the size it declares, before the picture's memory is taken.
constexpr int64_t kMaxPicturePixels = int64_t{1} << 28;

void register_image_decoders();                             // Makes PNG, JPEG and TIFF decodable
int decode_picture(const std::string& path, Picture& out);  // 0 when missing, unknown, corrupt or too large
int decode_picture_memory(const uint8_t* data, size_t size, Picture& out);
// Why the last decode failed, as a phrase that reads after "the": "JPEG picture declares 16000 x
// 16000 pixels, but its 2901 bytes ...", "file is a folder, not a picture file"; "" after a success.
const std::string& picture_error();

// Decoding into memory the caller owns (a screen's back buffer), without a second copy of the picture.
// `rows` gets the picture's size and returns the first of `height` rows of width * 4 bytes (RGBA), each
// `stride` bytes after the one before (stride >= width * 4), or null to refuse. Every byte of the rows is
// written, so they need not be cleared; on failure they may hold part of the picture.
using PictureRows = std::function<uint8_t*(int width, int height, size_t& stride)>;
int decode_picture_into(const std::string& path, const PictureRows& rows);  // 0 as decode_picture, or refused

void apply_transparent_colour(Picture& picture, int32_t colour);  // Pixels of that colour get alpha 0
int write_png(const std::string& path, const Picture& picture);   // Whole or not at all (replaces); 0 on failure

}  // namespace svc
