// surface.h -- CPU pictures for the platforms: RGBA surfaces (the converter's screen, the headless
// screen) and the decoded pictures of sprites
#pragma once
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#include "services/pictures.h"

namespace svc::detail {

// Memory for pixels. Blocks of several MiB are asked for in large pages where the system offers them:
// a full-screen surface then costs a handful of page faults instead of thousands.
void* allocate_pixels(size_t bytes);
void free_pixels(void* block, size_t bytes);
template <typename T>
struct PixelAllocator {
  using value_type = T;
  PixelAllocator() = default;
  template <typename U>
  PixelAllocator(const PixelAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(allocate_pixels(n * sizeof(T))); }
  // Pixels made without a value are left as the memory holds them (a vector's resize(n) then does
  // not clear); those made from a value get it.
  template <typename U>
  void construct(U* p) {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  void deallocate(T* p, size_t n) { free_pixels(p, n * sizeof(T)); }
  template <typename U>
  bool operator==(const PixelAllocator<U>&) const {
    return true;
  }
  template <typename U>
  bool operator!=(const PixelAllocator<U>&) const {
    return false;
  }
};

// Scratch memory for a decoder (a file's bytes, inflated rows), not cleared; null when it cannot be had.
// Blocks from 128 KiB on are asked for in large pages too: each small page costs a page fault.
void* allocate_scratch(size_t bytes);
void free_scratch(void* block);
struct ScratchFree {
  void operator()(uint8_t* block) const { free_scratch(block); }
};
using Scratch = std::unique_ptr<uint8_t[], ScratchFree>;
inline Scratch make_scratch(size_t bytes) { return Scratch(static_cast<uint8_t*>(allocate_scratch(bytes))); }

// Pixels are stored as colour values (red + green*256 + blue*65536) plus alpha in bits 24-31.
struct Surface {
  int width = 0;
  int height = 0;
  std::vector<uint32_t, PixelAllocator<uint32_t>> pixels;
};

// A surface of width x height opaque black pixels (or, unless `clear`, pixels as the memory held them,
// for a caller that writes every one); false, leaving an empty surface, when the memory for it cannot
// be had (the only limit).
bool surface_resize(Surface& s, int width, int height, bool clear = true);
void surface_fill(Surface& s, int32_t colour);
void surface_box(Surface& s, int x, int y, int width, int height, int32_t colour);  // Clipped
int32_t surface_point(const Surface& s, int x, int y);                              // -1 outside
void surface_points(const Surface& s, int x, int y, int count, int32_t* out);      // A run of them
// A block of columns x rows pixels from (x, y), column by column: out[i * stride + j] is the pixel
// (x + i, y + j) as surface_point gives it.
void surface_point_columns(const Surface& s, int x, int y, int columns, int rows, int32_t* out, size_t stride);
// The same block built from row runs, for a screen read a run at a time: read_run(x, y, count, run)
// reads as surface_points does (-1 off the screen); a row or column beyond the int range reads -1.
template <class ReadRun>
void point_columns_from_runs(int x, int y, int columns, int rows, int32_t* out, size_t stride, ReadRun read_run) {
  constexpr int kRun = 256;
  int32_t run[kRun];
  for (int j = 0; j < rows; ++j) {
    const int64_t py = int64_t{y} + j;
    for (int i0 = 0; i0 < columns; i0 += kRun) {
      const int n = std::min(kRun, columns - i0);
      const int64_t px = int64_t{x} + i0;
      if (py > INT32_MAX || px > INT32_MAX)
        std::fill(run, run + n, -1);
      else
        read_run(static_cast<int>(px), static_cast<int>(py), n, run);
      for (int i = 0; i < n; ++i) out[static_cast<size_t>(i0 + i) * stride + static_cast<size_t>(j)] = run[i];
    }
  }
}
void surface_plot(Surface& s, int x, int y, int32_t colour);                        // Ignored outside
void surface_blit(Surface& dst, const Picture& src, int x, int y);  // Copy without transparency, clipped
void surface_grab(const Surface& src, int x, int y, int width, int height, Picture& out);  // Outside reads black

// A sprite's picture from a file, with the transparent colour applied unless it is -1; false when
// the file is missing or cannot be decoded.
bool decode_sprite_picture(const std::string& path, int32_t transparent_colour, Picture& out);
// A copy with one more colour transparent, so 3D sprites made from the old picture keep it.
std::shared_ptr<Picture> transparent_copy(const Picture& picture, int32_t colour);

}  // namespace svc::detail
