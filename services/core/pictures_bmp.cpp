// pictures_bmp.cpp -- the system bitmap format: 1/4/8-bit palettes, 16/24/32-bit, bit fields, RLE4/RLE8
//
// Every size read from the headers is checked against the bytes actually present before it is
// used, and the pixel data must be all there before the picture's memory is taken, so a damaged,
// truncated or hostile file is refused and nothing is read outside the buffer. Run-length data may
// end the picture early with its end-of-picture code (the pixels it leaves out stay transparent), but
// it must be long enough to describe the declared size at 255 pixels per two-byte code.
#include <cstring>
#include <string>
#include <vector>

#include "pictures_internal.h"

namespace svc::detail {
namespace {

enum Compression : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6 };

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// One colour channel held by a bit mask, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;  // Largest value the mask can hold
  bool present() const { return mask != 0; }
  uint8_t get(uint32_t pixel) const {
    if (!mask) return 0;  // A channel without bits reads as 0
    uint32_t v = (pixel & mask) >> shift;
    if (max == 255) return static_cast<uint8_t>(v);
    return static_cast<uint8_t>((static_cast<uint64_t>(v) * 255 + max / 2) / max);
  }
};

Channel channel_of(uint32_t mask) {
  Channel c;
  if (!mask) return c;
  c.mask = mask;
  while (!((mask >> c.shift) & 1u)) c.shift++;
  c.max = mask >> c.shift;  // Bits above a gap are kept: the value is still bounded by the mask
  return c;
}

struct Header {
  int64_t width = 0, height = 0;
  bool top_down = false;
  int bits = 0;
  uint32_t compression = BI_RGB;
  uint32_t data_offset = 0;
  uint32_t header_size = 0;
  uint32_t colours_used = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // Red, green, blue, alpha
  bool has_masks = false;
};

bool read_header(const uint8_t* d, size_t size, Header& h) {
  if (size < 14 + 12) return false;
  h.data_offset = u32(d + 10);
  h.header_size = u32(d + 14);
  const uint8_t* ih = d + 14;
  if (h.header_size == 12) {  // The old OS/2 header: 16-bit sizes, 3-byte palette entries
    h.width = u16(ih + 4);
    h.height = u16(ih + 6);
    h.bits = u16(ih + 10);
    return true;
  }
  if (h.header_size < 40 || h.header_size > size - 14) return false;
  h.width = static_cast<int32_t>(u32(ih + 4));
  int32_t height = static_cast<int32_t>(u32(ih + 8));
  h.top_down = height < 0;
  h.height = height < 0 ? -static_cast<int64_t>(height) : height;
  h.bits = u16(ih + 14);
  h.compression = u32(ih + 16);
  h.colours_used = u32(ih + 32);
  if (h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS) {
    int count = h.compression == BI_ALPHABITFIELDS ? 4 : 3;
    if (h.header_size >= 52) {
      count = h.header_size >= 56 ? 4 : 3;  // Masks inside a larger header
      for (int i = 0; i < count; i++) h.masks[i] = u32(ih + 40 + 4 * i);
    } else {
      if (14 + 40 + 4 * static_cast<size_t>(count) > size) return false;
      for (int i = 0; i < count; i++) h.masks[i] = u32(ih + 40 + 4 * i);
    }
    h.has_masks = true;
  }
  return true;
}

void put(Picture& out, int64_t x, int64_t row, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  uint8_t* p = &out.rgba[(static_cast<size_t>(row) * static_cast<size_t>(out.width) + static_cast<size_t>(x)) * 4];
  p[0] = r;
  p[1] = g;
  p[2] = b;
  p[3] = a;
}

// The picture row that file row y (counted in storage order) becomes.
int64_t target_row(const Header& h, int64_t y) { return h.top_down ? y : h.height - 1 - y; }

// Walks run-length data, calling `colour(x, y, index)` for each pixel inside the picture (y in storage
// order). The data ends with an end-of-picture code or after the last row; data that runs out
// before either is a truncated file, and false.
template <typename Colour>
bool walk_rle(const uint8_t* d, size_t size, const Header& h, Colour colour) {
  const bool four = h.compression == BI_RLE4;
  size_t pos = h.data_offset;
  int64_t x = 0, y = 0;
  auto put_index = [&](unsigned index) {
    if (x >= 0 && x < h.width && y >= 0 && y < h.height) colour(x, y, index);
  };
  while (y < h.height) {
    if (pos + 1 >= size) return false;
    uint8_t count = d[pos], value = d[pos + 1];
    pos += 2;
    if (count > 0) {  // A run of one index (RLE8) or two alternating indexes (RLE4)
      for (int i = 0; i < count && x < h.width; i++, x++)
        put_index(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
    } else if (value == 0) {  // End of line
      x = 0;
      y++;
    } else if (value == 1) {  // End of picture: what is left stays transparent
      return true;
    } else if (value == 2) {  // Delta
      if (pos + 1 >= size) return false;
      x += d[pos];
      y += d[pos + 1];
      pos += 2;
    } else {  // Absolute run of `value` indexes, padded to 16 bits
      size_t bytes = four ? (value + 1u) / 2u : value;
      if (pos + bytes > size) return false;
      for (int i = 0; i < value; i++, x++) {
        uint8_t b = d[pos + (four ? i / 2 : i)];
        if (x < h.width) put_index(four ? ((i & 1) ? (b & 0x0F) : (b >> 4)) : b);
      }
      pos += (bytes + 1) & ~size_t{1};
    }
  }
  return true;
}

}  // namespace

bool decode_bmp(const uint8_t* d, size_t size, Picture& out) {
  Header h;
  if (!read_header(d, size, h)) return refuse("has a damaged or cut-short header");
  if (!check_picture_size(h.width, h.height)) return false;
  const int bits = h.bits;
  const bool rle = h.compression == BI_RLE8 || h.compression == BI_RLE4;
  if ((h.compression == BI_RLE8 && bits != 8) || (h.compression == BI_RLE4 && bits != 4) || (rle && h.top_down) ||
      (h.has_masks && bits != 16 && bits != 32))
    return refuse("has a compression that does not fit its pixel depth");  // Run-length pictures are stored bottom-up
  if (!rle && h.compression != BI_RGB && !h.has_masks)
    return refuse("uses an unsupported compression (" + std::to_string(h.compression) + ")");  // JPEG/PNG inside
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return refuse("has an unsupported pixel depth (" + std::to_string(bits) + " bits)");

  // Palette: right after the headers (and after the masks of a 40-byte header), before the pixels.
  std::vector<uint8_t> palette;  // RGBA entries
  if (bits <= 8) {
    const size_t entry = h.header_size == 12 ? 3 : 4;
    size_t start = 14 + h.header_size;
    if (h.has_masks && h.header_size == 40) start += h.compression == BI_ALPHABITFIELDS ? 16 : 12;
    size_t count = h.colours_used && h.colours_used < (1u << bits) ? h.colours_used : (1u << bits);
    size_t end = h.data_offset >= start && h.data_offset <= size ? h.data_offset : size;
    if (start > end) return refuse("has its palette outside the file");
    if ((end - start) / entry < count) count = (end - start) / entry;  // A short palette: the rest is black
    palette.resize(count * 4);
    for (size_t i = 0; i < count; i++) {
      const uint8_t* e = d + start + i * entry;
      palette[i * 4] = e[2];
      palette[i * 4 + 1] = e[1];
      palette[i * 4 + 2] = e[0];
      palette[i * 4 + 3] = 255;
    }
  }

  if (h.data_offset >= size) return refuse("has its pixel data beyond the end of the file");
  // The pixels must be in the file before the picture's memory is taken: a pass over run-length
  // data without writing, or the size of the uncompressed rows.
  const uint64_t stride = ((static_cast<uint64_t>(h.width) * static_cast<uint64_t>(bits) + 31) / 32) * 4;
  if (rle) {
    // A code of two bytes describes at most 255 pixels.
    const uint64_t pixels = static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height);
    if (!check_data_covers(size - h.data_offset, 128, pixels, h.width, h.height)) return false;
    if (!walk_rle(d, size, h, [](int64_t, int64_t, unsigned) {}))
      return refuse("has run-length data that ends before the picture does (truncated)");
  } else if (!check_data_covers(size - h.data_offset, 1, stride * static_cast<uint64_t>(h.height), h.width, h.height)) {
    return false;
  }
  out.width = static_cast<int>(h.width);
  out.height = static_cast<int>(h.height);
  out.rgba.assign(static_cast<size_t>(h.width) * static_cast<size_t>(h.height) * 4, 0);
  if (rle) {
    walk_rle(d, size, h, [&](int64_t x, int64_t y, unsigned index) {
      size_t k = static_cast<size_t>(index) * 4;
      if (k + 3 < palette.size())
        put(out, x, target_row(h, y), palette[k], palette[k + 1], palette[k + 2], 255);
      else
        put(out, x, target_row(h, y), 0, 0, 0, 255);
    });
    return true;
  }

  Channel cr, cg, cb, ca;
  if (bits == 16 || bits == 32) {
    uint32_t m[4] = {0, 0, 0, 0};
    if (h.has_masks)
      std::memcpy(m, h.masks, sizeof m);
    else if (bits == 16)
      m[0] = 0x7C00, m[1] = 0x03E0, m[2] = 0x001F;
    else
      m[0] = 0x00FF0000, m[1] = 0x0000FF00, m[2] = 0x000000FF;  // BI_RGB: the fourth byte is unused
    if (bits == 16)
      for (auto& v : m) v &= 0xFFFF;
    cr = channel_of(m[0]);
    cg = channel_of(m[1]);
    cb = channel_of(m[2]);
    ca = channel_of(m[3]);
  }

  for (int64_t y = 0; y < h.height; y++) {
    const uint8_t* row = d + h.data_offset + static_cast<size_t>(stride) * static_cast<size_t>(y);
    const int64_t ty = target_row(h, y);
    for (int64_t x = 0; x < h.width; x++) {
      if (bits <= 8) {
        unsigned index;
        if (bits == 8)
          index = row[x];
        else if (bits == 4)
          index = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F;
        else
          index = (row[x / 8] >> (7 - (x & 7))) & 1;
        size_t k = static_cast<size_t>(index) * 4;
        if (k + 3 < palette.size())
          put(out, x, ty, palette[k], palette[k + 1], palette[k + 2], 255);
        else
          put(out, x, ty, 0, 0, 0, 255);
      } else if (bits == 24) {
        const uint8_t* p = row + x * 3;
        put(out, x, ty, p[2], p[1], p[0], 255);
      } else {
        uint32_t px = bits == 16 ? u16(row + x * 2) : u32(row + x * 4);
        put(out, x, ty, cr.get(px), cg.get(px), cb.get(px), ca.present() ? ca.get(px) : 255);
      }
    }
  }
  return true;
}

}  // namespace svc::detail
