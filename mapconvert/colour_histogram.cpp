// colour_histogram.cpp -- the weighted histogram of the colours to reduce, and its bins when there are many
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "colour_reduction_parts.h"

namespace colour_reduction {

// The distinct colours of the input, ascending, with how often each occurs, and the index of
// reduced_colour. The colours are first spread by green and blue into 65,536 runs (keeping only
// red), then each run's reds are counted: two passes over the input.
void count_colours(const std::vector<int32_t>& colours, ColourReduction& out, std::vector<double>& counts) {
  std::vector<uint32_t> run_start(65537, 0);
  for (int32_t c : colours) ++run_start[((uint32_t(c) >> 8) & 0xFFFF) + 1];
  for (size_t i = 1; i < run_start.size(); ++i) run_start[i] += run_start[i - 1];
  std::vector<uint8_t> reds(colours.size());
  {
    std::vector<uint32_t> fill(run_start.begin(), run_start.end() - 1);
    for (int32_t c : colours) reds[fill[(uint32_t(c) >> 8) & 0xFFFF]++] = uint8_t(c);
  }
  out.index.assign(65537, 0);
  uint32_t red_count[256] = {};
  for (uint32_t run = 0; run < 65536; ++run) {
    out.index[run] = uint32_t(out.from.size());
    const uint32_t begin = run_start[run], end = run_start[run + 1];
    if (begin == end) continue;
    for (uint32_t i = begin; i < end; ++i) ++red_count[reds[i]];
    for (int red = 0; red < 256; ++red)
      if (red_count[red]) {
        out.from.push_back(int32_t(red | run << 8));
        counts.push_back(double(red_count[red]));
        red_count[red] = 0;
      }
  }
  out.index[65536] = uint32_t(out.from.size());
}

namespace {

// Above this many colours, those that differ only in their lowest bits are merged into one point at
// their weighted mean, so that the clustering costs no more than for about this many.
constexpr size_t kClusterPoints = 1 << 16;

// The key of a colour's bin when each channel keeps its top 8 - shift bits.
size_t bin_key(int32_t colour, int shift) {
  const uint32_t c = uint32_t(colour);
  const int bits = 8 - shift;
  return ((c & 255) >> shift) | (((c >> 8) & 255) >> shift) << bits | ((c >> 16) >> shift) << (2 * bits);
}

// Merges the colours that agree in their top 8 - shift bits of every channel.
std::vector<Point> merge_bins(const std::vector<int32_t>& colours, const std::vector<Point>& points, int shift,
                              std::vector<int>& bin_of) {
  const int bits = 8 - shift;
  std::vector<int> slot(size_t(1) << (3 * bits), -1);
  std::vector<Sums> sums;
  for (size_t i = 0; i < points.size(); ++i) {
    const size_t key = bin_key(colours[i], shift);
    if (slot[key] < 0) {
      slot[key] = int(sums.size());
      sums.emplace_back();
    }
    bin_of[i] = slot[key];
    sums[size_t(slot[key])].add(points[i]);
  }
  std::vector<Point> merged(sums.size());
  for (size_t i = 0; i < sums.size(); ++i) {
    const LabColour mean = sums[i].mean();
    merged[i] = {mean.l, mean.a, mean.b, sums[i].w};
  }
  return merged;
}

}  // namespace

std::vector<Point> binned(const std::vector<int32_t>& colours, const std::vector<Point>& points,
                          std::vector<int>& bin_of) {
  bin_of.resize(points.size());
  if (points.size() <= kClusterPoints) {
    for (size_t i = 0; i < points.size(); ++i) bin_of[i] = int(i);
    return points;
  }
  // The finest bins that number at most kClusterPoints, counted before any is filled.
  int shift = 1;
  for (; shift < 4; ++shift) {
    std::vector<bool> used(size_t(1) << (3 * (8 - shift)));
    size_t count = 0;
    for (int32_t c : colours) {
      const size_t key = bin_key(c, shift);
      if (!used[key]) {
        used[key] = true;
        if (++count > kClusterPoints) break;
      }
    }
    if (count <= kClusterPoints) break;
  }
  return merge_bins(colours, points, shift, bin_of);
}

}  // namespace colour_reduction
