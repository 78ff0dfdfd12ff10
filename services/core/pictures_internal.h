// pictures_internal.h -- the per-format decoders behind decode_picture_memory, and their shared limits
#pragma once
#include <cstddef>
#include <cstdint>

#include "services/pictures.h"

namespace svc::detail {

// A picture may hold at most this many pixels (1 GiB of RGBA): a corrupt header asking for more is refused.
constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 28;

bool picture_size_ok(int64_t width, int64_t height);  // Both positive and within the pixel limit

bool decode_bmp(const uint8_t* data, size_t size, Picture& out);
bool decode_png(const uint8_t* data, size_t size, Picture& out);
bool decode_jpeg(const uint8_t* data, size_t size, Picture& out);
bool decode_tiff(const uint8_t* data, size_t size, Picture& out);
void quiet_tiff_messages();  // libtiff reports problems on stderr unless told otherwise

}  // namespace svc::detail
