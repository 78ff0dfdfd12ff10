// fit_picture.cpp -- scaling a picture down by area averaging, in integers
#include "fit_picture.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tools {

void fitted_size(int width, int height, int limit, int& fitted_width, int& fitted_height) {
  fitted_width = width;
  fitted_height = height;
  if (width <= limit && height <= limit) return;
  // The longer side becomes the limit; the other keeps the proportion, rounded to the nearest pixel.
  if (width >= height) {
    fitted_width = limit;
    fitted_height = int(std::max<int64_t>(1, (int64_t(height) * limit * 2 + width) / (int64_t(width) * 2)));
  } else {
    fitted_height = limit;
    fitted_width = int(std::max<int64_t>(1, (int64_t(width) * limit * 2 + height) / (int64_t(height) * 2)));
  }
}

namespace {

// How the old pixels of one axis fall into the new ones. On a common scale of old * new units, old
// pixel i spans [i * new, (i + 1) * new) and new pixel j spans [j * old, (j + 1) * old); a downscale
// puts each old pixel into one new pixel or across the border of two.
struct Share {
  int first;         // The new pixel the old one starts in
  int64_t weight;    // How much of the old pixel lies in it
  int64_t rest;      // How much lies in the next new pixel (0 when none)
};

std::vector<Share> shares(int old_size, int new_size) {
  std::vector<Share> out(static_cast<size_t>(old_size));
  for (int i = 0; i < old_size; ++i) {
    const int64_t start = int64_t(i) * new_size, end = start + new_size;
    const int first = int(start / old_size);
    const int64_t border = int64_t(first + 1) * old_size;
    out[size_t(i)] = end <= border ? Share{first, new_size, 0} : Share{first, border - start, end - border};
  }
  return out;
}

}  // namespace

svc::Picture area_average(const svc::Picture& picture, int width, int height) {
  const int old_width = picture.width, old_height = picture.height;
  const std::vector<Share> across = shares(old_width, width), down = shares(old_height, height);
  // Sums of value * horizontal weight * vertical weight for each new pixel and channel: at most
  // 255 * old_width * old_height, which a 64-bit number holds for any picture that decodes.
  std::vector<uint64_t> sums(size_t(width) * height * 4, 0);
  std::vector<uint64_t> row(size_t(width) * 4);
  for (int y = 0; y < old_height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    const uint8_t* pixel = picture.rgba.data() + size_t(y) * old_width * 4;
    for (int x = 0; x < old_width; ++x, pixel += 4) {
      const Share& s = across[size_t(x)];
      uint64_t* to = row.data() + size_t(s.first) * 4;
      for (int c = 0; c < 4; ++c) to[c] += pixel[c] * uint64_t(s.weight);
      if (s.rest)
        for (int c = 0; c < 4; ++c) to[4 + c] += pixel[c] * uint64_t(s.rest);
    }
    const Share& s = down[size_t(y)];
    uint64_t* to = sums.data() + size_t(s.first) * width * 4;
    for (size_t i = 0; i < row.size(); ++i) to[i] += row[i] * uint64_t(s.weight);
    if (s.rest) {
      to += size_t(width) * 4;
      for (size_t i = 0; i < row.size(); ++i) to[i] += row[i] * uint64_t(s.rest);
    }
  }
  // Each new pixel covers old_width x old_height units; rounded to the nearest value.
  const uint64_t area = uint64_t(old_width) * uint64_t(old_height);
  svc::Picture out;
  out.width = width;
  out.height = height;
  out.rgba.resize(sums.size());
  for (size_t i = 0; i < sums.size(); ++i) out.rgba[i] = uint8_t((sums[i] + area / 2) / area);
  return out;
}

}  // namespace tools
