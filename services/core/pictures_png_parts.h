// pictures_png_parts.h -- what the PNG decoder's two halves share: big-endian numbers, the least
// data a picture needs, and the caller's rows
#pragma once
#include <cstddef>
#include <cstdint>

#include "services/pictures.h"

namespace svc::detail {

// The big-endian 32-bit number at p (PNG's lengths, sizes and checksums).
inline uint32_t be32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// Whether `idat_bytes` of IDAT data can hold a width x height picture at all; refuses it otherwise.
bool idat_covers(uint64_t idat_bytes, uint32_t width, uint32_t height);

// Room in the caller's rows for width x height, with a stride libpng can be given; refuses otherwise.
uint8_t* rows_for(const PictureRows& rows, uint32_t width, uint32_t height, size_t& stride);

}  // namespace svc::detail
