// colour_reduction_parts.h -- what the steps of the colour reduction share: the colours as weighted
// points in CIELAB, their sums, and each step (histogram, median cut, nearest colour, k-means)
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "colour_reduction.h"

namespace colour_reduction {

struct Point {
  float l, a, b;
  double weight;  // How many positions have this colour
};

inline float axis_value(const Point& p, int axis) { return axis == 0 ? p.l : axis == 1 ? p.a : p.b; }

inline float distance2(const Point& p, const LabColour& c) {
  const float dl = p.l - c.l, da = p.a - c.a, db = p.b - c.b;
  return dl * dl + da * da + db * db;
}

// Weighted sums of a set of points: enough for its mean and its squared error about the mean.
struct Sums {
  double w = 0, l = 0, a = 0, b = 0, ll = 0, aa = 0, bb = 0;
  void add(const Point& p) {
    w += p.weight;
    l += p.weight * p.l;
    a += p.weight * p.a;
    b += p.weight * p.b;
    ll += p.weight * p.l * p.l;
    aa += p.weight * p.a * p.a;
    bb += p.weight * p.b * p.b;
  }
  void add(const Sums& s) {
    w += s.w;
    l += s.l;
    a += s.a;
    b += s.b;
    ll += s.ll;
    aa += s.aa;
    bb += s.bb;
  }
  double moment() const { return w > 0 ? (l * l + a * a + b * b) / w : 0; }  // The part of ll+aa+bb the mean explains
  double error() const { return std::max(0.0, ll + aa + bb - moment()); }
  double variance(int axis) const {
    const double s = axis == 0 ? l : axis == 1 ? a : b, ss = axis == 0 ? ll : axis == 1 ? aa : bb;
    return w > 0 ? ss / w - (s / w) * (s / w) : 0;
  }
  LabColour mean() const { return {float(l / w), float(a / w), float(b / w)}; }
};

// ---- The weighted histogram (colour_histogram.cpp)

// The distinct colours of the input, ascending, with how often each occurs, and the index of
// reduced_colour.
void count_colours(const std::vector<int32_t>& colours, ColourReduction& out, std::vector<double>& counts);

// The colours to cluster: the points themselves, or when there are many, the points merged into bins
// of colours that differ only in their lowest bits. bin_of gets the merged point of each colour.
std::vector<Point> binned(const std::vector<int32_t>& colours, const std::vector<Point>& points,
                          std::vector<int>& bin_of);

// ---- Median cut (colour_median_cut.cpp)

struct Box {
  size_t begin, end;  // Range of the order array
  Sums sums;
  bool splittable;
};

// At most max_boxes boxes: the box with the largest squared error is split next.
std::vector<Box> median_cut(const std::vector<Point>& points, int max_boxes);

// ---- k-means (colour_kmeans.cpp)

// Moves each centre to the mean of the points nearest to it, a few times or until nothing moves.
// Returns the centre each point was nearest to in the last step.
std::vector<int> refine(const std::vector<Point>& points, std::vector<LabColour>& centres);

}  // namespace colour_reduction
