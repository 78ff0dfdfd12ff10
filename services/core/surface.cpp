// surface.cpp -- the CPU RGBA surface: fills, boxes, pixels and copies, every one clipped to the surface
#include "surface.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "os.h"
#include "services/large_blocks.h"

namespace svc::detail {

namespace {

constexpr uint32_t OPAQUE = 0xFF000000u;

// A colour value as a stored opaque pixel.
uint32_t to_pixel(int32_t colour) { return (static_cast<uint32_t>(colour) & 0x00FFFFFFu) | OPAQUE; }

constexpr size_t kLargeBlock = size_t{1} << 20;  // From here on a block is worth large pages
// A decoder's scratch memory is written once and soon freed: from here on one large page, cleared by
// the system in one go, costs less than the page faults of the small pages it replaces.
constexpr size_t kLargeScratch = size_t{128} << 10;

// A block of `bytes` (null when the memory cannot be had), in large pages from `large_from` bytes on.
void* surface_block(size_t bytes, size_t large_from) {
  // Under AddressSanitizer blocks are plain (large_blocks.h says why).
  return os::allocate_block(bytes, svc::large_pages_possible() && bytes >= large_from);
}

}  // namespace

void* allocate_pixels(size_t bytes) {
  void* block = surface_block(bytes, kLargeBlock);
  if (!block) throw std::bad_alloc();
  return block;
}

void* allocate_scratch(size_t bytes) { return surface_block(bytes, kLargeScratch); }

void free_scratch(void* block) { os::free_block(block); }

void free_pixels(void* block, size_t) { os::free_block(block); }

bool surface_resize(Surface& s, int width, int height, bool clear) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  s = Surface();
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (count > s.pixels.max_size()) return false;
  // The allocation is tried without the vector first: the vector would end the program when the
  // memory cannot be had.
  void* probe = std::malloc(count * sizeof(uint32_t) + 1);
  if (!probe) return false;
  std::free(probe);
  s.width = width;
  s.height = height;
  if (clear)
    s.pixels.assign(count, OPAQUE);
  else
    s.pixels.resize(count);
  return true;
}

void surface_fill(Surface& s, int32_t colour) { std::fill(s.pixels.begin(), s.pixels.end(), to_pixel(colour)); }

void surface_box(Surface& s, int x, int y, int width, int height, int32_t colour) {
  if (width <= 0 || height <= 0) return;
  // Clip in 64 bits so that x + width cannot overflow.
  int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  int64_t x1 = std::min<int64_t>(int64_t{x} + width, s.width), y1 = std::min<int64_t>(int64_t{y} + height, s.height);
  if (x0 >= x1 || y0 >= y1) return;
  uint32_t p = to_pixel(colour);
  for (int64_t row = y0; row < y1; ++row) {
    uint32_t* line = s.pixels.data() + row * s.width;
    std::fill(line + x0, line + x1, p);
  }
}

int32_t surface_point(const Surface& s, int x, int y) {
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return -1;
  return static_cast<int32_t>(s.pixels[static_cast<size_t>(y) * s.width + x] & 0x00FFFFFFu);
}

void surface_points(const Surface& s, int x, int y, int count, int32_t* out) {
  if (count <= 0) return;
  // The part of the run on the screen, in 64 bits so that x + count cannot overflow.
  const int64_t end = int64_t{x} + count;
  int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(end, s.width);
  if (y < 0 || y >= s.height || x0 >= x1) x0 = x1 = end;
  std::fill(out, out + (x0 - x), -1);
  const uint32_t* row = s.pixels.data() + static_cast<size_t>(y >= 0 ? y : 0) * static_cast<size_t>(s.width);
  for (int64_t px = x0; px < x1; ++px) out[px - x] = static_cast<int32_t>(row[px] & 0x00FFFFFFu);
  std::fill(out + (x1 - x), out + count, -1);
}

void surface_point_columns(const Surface& s, int x, int y, int columns, int rows, int32_t* out, size_t stride) {
  if (columns <= 0 || rows <= 0) return;
  const bool inside = x >= 0 && y >= 0 && int64_t{x} + columns <= s.width && int64_t{y} + rows <= s.height;
  if (inside) {
    // Row by row, each row's run written down the columns: the rows are read once, in order.
    const size_t width = static_cast<size_t>(s.width);
    const uint32_t* row = s.pixels.data() + static_cast<size_t>(y) * width + static_cast<size_t>(x);
    for (int j = 0; j < rows; ++j, row += width) {
      int32_t* to = out + j;
      for (int i = 0; i < columns; ++i) to[static_cast<size_t>(i) * stride] = static_cast<int32_t>(row[i] & 0x00FFFFFFu);
    }
    return;
  }
  // A block reaching off the screen: runs as surface_points reads them.
  point_columns_from_runs(x, y, columns, rows, out, stride, [&s](int rx, int ry, int count, int32_t* run) {
    surface_points(s, rx, ry, count, run);
  });
}

void surface_plot(Surface& s, int x, int y, int32_t colour) {
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return;
  s.pixels[static_cast<size_t>(y) * s.width + x] = to_pixel(colour);
}

void surface_blit(Surface& dst, const Picture& src, int x, int y) {
  if (src.width <= 0 || src.height <= 0) return;
  if (src.rgba.size() < static_cast<size_t>(src.width) * src.height * 4) return;  // Malformed picture
  int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  int64_t x1 = std::min<int64_t>(int64_t{x} + src.width, dst.width);
  int64_t y1 = std::min<int64_t>(int64_t{y} + src.height, dst.height);
  for (int64_t row = y0; row < y1; ++row) {
    const uint8_t* in = src.rgba.data() + ((row - y) * src.width + (x0 - x)) * 4;
    uint32_t* out = dst.pixels.data() + row * dst.width;
    for (int64_t col = x0; col < x1; ++col, in += 4)
      out[col] = OPAQUE | in[0] | (uint32_t{in[1]} << 8) | (uint32_t{in[2]} << 16);
  }
}

void surface_grab(const Surface& src, int x, int y, int width, int height, Picture& out) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  out.width = width;
  out.height = height;
  out.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      uint8_t* px = out.rgba.data() + (static_cast<size_t>(row) * width + col) * 4;
      int64_t sx = int64_t{x} + col, sy = int64_t{y} + row;
      uint32_t v = 0;
      if (sx >= 0 && sy >= 0 && sx < src.width && sy < src.height) v = src.pixels[sy * src.width + sx];
      px[0] = v & 0xFF;
      px[1] = (v >> 8) & 0xFF;
      px[2] = (v >> 16) & 0xFF;
      px[3] = 255;
    }
  }
}

bool decode_sprite_picture(const std::string& path, int32_t transparent_colour, Picture& out) {
  if (!decode_picture(path, out)) return false;
  if (transparent_colour != -1) apply_transparent_colour(out, transparent_colour);
  return true;
}

std::shared_ptr<Picture> transparent_copy(const Picture& picture, int32_t colour) {
  auto copy = std::make_shared<Picture>(picture);
  apply_transparent_colour(*copy, colour);
  return copy;
}

}  // namespace svc::detail
