// colour_median_cut.cpp -- the palette's first centres: a variance-based median cut of the weighted colours
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "colour_reduction_parts.h"

namespace colour_reduction {
namespace {

constexpr int kBins = 256;

// Splits a box in two along its axis of largest variance, at the boundary between histogram bins
// that leaves the least squared error on both sides. False when the box can't be split.
bool split_box(const std::vector<Point>& points, std::vector<uint32_t>& order, Box& box, Box& second) {
  if (box.end - box.begin < 2) return false;
  float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
  for (size_t i = box.begin; i < box.end; ++i)
    for (int axis = 0; axis < 3; ++axis) {
      const float v = axis_value(points[order[i]], axis);
      low[axis] = std::min(low[axis], v);
      high[axis] = std::max(high[axis], v);
    }
  int axis = -1;
  double widest = -1;
  for (int k = 0; k < 3; ++k)
    if (high[k] > low[k] && box.sums.variance(k) > widest) {
      widest = box.sums.variance(k);
      axis = k;
    }
  if (axis < 0) return false;

  const float from = low[axis], scale = kBins / (high[axis] - low[axis]);
  auto bin_of = [&](const Point& p) { return std::min(kBins - 1, int((axis_value(p, axis) - from) * scale)); };
  Sums bins[kBins];
  for (size_t i = box.begin; i < box.end; ++i) bins[bin_of(points[order[i]])].add(points[order[i]]);

  Sums left, best_left;
  int best_cut = -1;
  double best_moment = -1;
  for (int cut = 1; cut < kBins; ++cut) {
    left.add(bins[cut - 1]);
    if (left.w <= 0 || left.w >= box.sums.w) continue;
    Sums right;
    right.w = box.sums.w - left.w;
    right.l = box.sums.l - left.l;
    right.a = box.sums.a - left.a;
    right.b = box.sums.b - left.b;
    const double moment = left.moment() + right.moment();
    if (moment > best_moment) {
      best_moment = moment;
      best_cut = cut;
      best_left = left;
    }
  }
  if (best_cut < 0) return false;

  const auto middle = std::partition(order.begin() + box.begin, order.begin() + box.end,
                                     [&](uint32_t i) { return bin_of(points[i]) < best_cut; });
  const size_t split = size_t(middle - order.begin());
  if (split == box.begin || split == box.end) return false;
  Sums right;
  for (int k = best_cut; k < kBins; ++k) right.add(bins[k]);
  second = {split, box.end, right, true};
  box = {box.begin, split, best_left, true};
  return true;
}

}  // namespace

std::vector<Box> median_cut(const std::vector<Point>& points, int max_boxes) {
  std::vector<uint32_t> order(points.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = uint32_t(i);
  Box all{0, points.size(), {}, true};
  for (const Point& p : points) all.sums.add(p);
  std::vector<Box> boxes{all};
  while (int(boxes.size()) < max_boxes) {
    size_t worst = boxes.size();
    double worst_error = 0;
    for (size_t i = 0; i < boxes.size(); ++i)
      if (boxes[i].splittable && boxes[i].sums.error() > worst_error) {
        worst_error = boxes[i].sums.error();
        worst = i;
      }
    if (worst == boxes.size()) break;
    Box second{};
    if (split_box(points, order, boxes[worst], second))
      boxes.push_back(second);
    else
      boxes[worst].splittable = false;
  }
  return boxes;
}

}  // namespace colour_reduction
