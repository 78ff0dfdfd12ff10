// colour_reduction.cpp -- the palette of a reduced colour-code map: histogram, median cut and k-means in
// CIELAB, nearest colour
#include "colour_reduction.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// ---- CIELAB -----------------------------------------------------------------------------------

constexpr double kWhiteX = 0.95047, kWhiteZ = 1.08883;  // D65, with Y = 1
constexpr double kEpsilon = 216.0 / 24389.0;            // (6/29)^3
constexpr double kKappa = 24389.0 / 27.0;

struct LinearTable {
  double value[256];
  LinearTable() {
    for (int i = 0; i < 256; ++i) {
      const double c = i / 255.0;
      value[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
  }
};
const LinearTable& linear_table() {
  static const LinearTable table;
  return table;
}

double lab_f(double t) { return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16.0) / 116.0; }
double lab_f_inverse(double f) { return f * f * f > kEpsilon ? f * f * f : (116.0 * f - 16.0) / kKappa; }

// A linear channel back to an 8-bit sRGB value, rounded and clamped.
int srgb_byte(double linear) {
  const double c = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(std::max(linear, 0.0), 1 / 2.4) - 0.055;
  return std::clamp(int(std::lround(c * 255.0)), 0, 255);
}

// The 8-bit sRGB colour value closest to a CIELAB colour (out-of-gamut channels are clamped).
int32_t colour_of(double l, double a, double b) {
  const double fy = (l + 16.0) / 116.0;
  const double x = kWhiteX * lab_f_inverse(fy + a / 500.0);
  const double y = lab_f_inverse(fy);
  const double z = kWhiteZ * lab_f_inverse(fy - b / 200.0);
  const int red = srgb_byte(3.2404542 * x - 1.5371385 * y - 0.4985314 * z);
  const int green = srgb_byte(-0.9692660 * x + 1.8760108 * y + 0.0415560 * z);
  const int blue = srgb_byte(0.0556434 * x - 0.2040259 * y + 1.0572252 * z);
  return red + green * 256 + blue * 65536;
}

// ---- The weighted histogram -------------------------------------------------------------------

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

struct Point {
  float l, a, b;
  double weight;  // How many positions have this colour
};

float axis_value(const Point& p, int axis) { return axis == 0 ? p.l : axis == 1 ? p.a : p.b; }

float distance2(const Point& p, const LabColour& c) {
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

// The colours to cluster: when there are many, those that differ only in their lowest bits are
// merged into one point at their weighted mean, so that the clustering costs no more than for
// about kClusterPoints colours. bin_of gets the merged point of each colour.
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

// ---- Median cut -------------------------------------------------------------------------------

struct Box {
  size_t begin, end;  // Range of the order array
  Sums sums;
  bool splittable;
};

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

// At most max_boxes boxes: the box with the largest squared error is split next.
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

// ---- Nearest colour ---------------------------------------------------------------------------

// A k-d tree over a set of CIELAB colours, for the nearest one to a point.
class NearestColour {
 public:
  explicit NearestColour(const std::vector<LabColour>& colours) : colours_(colours), order_(colours.size()) {
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = int(i);
    if (!colours.empty()) build(0, int(order_.size()));
  }

  // The index of the nearest colour. A guess (-1 for none), such as the answer for a point nearby,
  // starts the search with a small radius.
  int find(const Point& p, int guess = -1) const {
    int best = guess;
    float best_d = guess >= 0 ? distance2(p, colours_[guess]) : 0;
    if (!nodes_.empty()) search(0, p, best, best_d);
    return best;
  }

 private:
  struct Node {
    int begin, end;  // Leaf: range of order_
    int axis = -1;   // Inner node: split axis, value and children
    float split = 0;
    int left = -1, right = -1;
  };
  static constexpr int kLeafSize = 6;

  static float value(const LabColour& c, int axis) { return axis == 0 ? c.l : axis == 1 ? c.a : c.b; }

  int build(int begin, int end) {
    const int id = int(nodes_.size());
    nodes_.push_back({begin, end});
    if (end - begin <= kLeafSize) return id;
    float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
    for (int i = begin; i < end; ++i)
      for (int k = 0; k < 3; ++k) {
        low[k] = std::min(low[k], value(colours_[order_[i]], k));
        high[k] = std::max(high[k], value(colours_[order_[i]], k));
      }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
      if (high[k] - low[k] > high[axis] - low[axis]) axis = k;
    const int middle = (begin + end) / 2;
    std::nth_element(order_.begin() + begin, order_.begin() + middle, order_.begin() + end, [&](int x, int y) {
      const float vx = value(colours_[x], axis), vy = value(colours_[y], axis);
      return vx < vy || (vx == vy && x < y);
    });
    const float split = value(colours_[order_[middle]], axis);
    const int left = build(begin, middle);
    const int right = build(middle, end);
    nodes_[id].axis = axis;
    nodes_[id].split = split;
    nodes_[id].left = left;
    nodes_[id].right = right;
    return id;
  }

  void search(int id, const Point& p, int& best, float& best_d) const {
    const Node& node = nodes_[id];
    if (node.axis < 0) {
      for (int i = node.begin; i < node.end; ++i) {
        const int c = order_[i];
        const float d = distance2(p, colours_[c]);
        if (best < 0 || d < best_d || (d == best_d && c < best)) {
          best = c;
          best_d = d;
        }
      }
      return;
    }
    const float diff = axis_value(p, node.axis) - node.split;
    const int near = diff < 0 ? node.left : node.right, far = diff < 0 ? node.right : node.left;
    search(near, p, best, best_d);
    if (diff * diff < best_d) search(far, p, best, best_d);
  }

  const std::vector<LabColour>& colours_;
  std::vector<int> order_;
  std::vector<Node> nodes_;
};

// ---- k-means ----------------------------------------------------------------------------------

constexpr int kMeansSteps = 6;

// Moves each centre to the mean of the points nearest to it, a few times or until nothing moves.
// Returns the centre each point was nearest to in the last step.
std::vector<int> refine(const std::vector<Point>& points, std::vector<LabColour>& centres) {
  std::vector<int> nearest(points.size(), -1);
  for (int step = 0; step < kMeansSteps; ++step) {
    const NearestColour tree(centres);
    std::vector<Sums> sums(centres.size());
    size_t moved = 0;
    for (size_t i = 0; i < points.size(); ++i) {
      const int c = tree.find(points[i], nearest[i]);
      if (c != nearest[i]) ++moved;
      nearest[i] = c;
      sums[c].add(points[i]);
    }
    if (moved == 0) break;
    for (size_t c = 0; c < centres.size(); ++c)
      if (sums[c].w > 0) centres[c] = sums[c].mean();
  }
  return nearest;
}

}  // namespace

LabColour lab_of(int32_t colour) {
  const LinearTable& t = linear_table();
  const double r = t.value[colour & 255], g = t.value[(colour >> 8) & 255], b = t.value[(colour >> 16) & 255];
  const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / kWhiteX;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / kWhiteZ;
  const double fx = lab_f(x), fy = lab_f(y), fz = lab_f(z);
  return {float(116.0 * fy - 16.0), float(500.0 * (fx - fy)), float(200.0 * (fy - fz))};
}

double delta_e(int32_t first, int32_t second) {
  const LabColour p = lab_of(first), q = lab_of(second);
  const double dl = p.l - q.l, da = p.a - q.a, db = p.b - q.b;
  return std::sqrt(dl * dl + da * da + db * db);
}

ColourReduction reduce_colours(const std::vector<int32_t>& colours, int max_colours) {
  max_colours = std::clamp(max_colours, kFewestReducedColours, kMostReducedColours);
  ColourReduction out;

  // The distinct colours and how often each occurs.
  std::vector<double> counts;
  count_colours(colours, out, counts);
  if (int(out.from.size()) <= max_colours) {
    out.to = out.from;
    out.palette = out.from;
    return out;
  }

  std::vector<Point> points(out.from.size());
  for (size_t i = 0; i < points.size(); ++i) {
    const LabColour c = lab_of(out.from[i]);
    points[i] = {c.l, c.a, c.b, counts[i]};
  }

  // Centres: the means of the median cut's boxes, refined by k-means, both over the binned colours.
  std::vector<int> bin_of;
  const std::vector<Point> bins = binned(out.from, points, bin_of);
  std::vector<LabColour> centres;
  for (const Box& box : median_cut(bins, max_colours)) centres.push_back(box.sums.mean());
  const std::vector<int> bin_cluster = refine(bins, centres);

  // The palette: each centre as the nearest 8-bit colour; two centres may give one colour.
  for (const LabColour& c : centres) out.palette.push_back(colour_of(c.l, c.a, c.b));
  std::sort(out.palette.begin(), out.palette.end());
  out.palette.erase(std::unique(out.palette.begin(), out.palette.end()), out.palette.end());

  std::vector<LabColour> palette_lab;
  for (int32_t c : out.palette) palette_lab.push_back(lab_of(c));
  std::vector<int> centre_colour(centres.size());
  for (size_t c = 0; c < centres.size(); ++c)
    centre_colour[c] = int(
        std::lower_bound(out.palette.begin(), out.palette.end(), colour_of(centres[c].l, centres[c].a, centres[c].b)) -
        out.palette.begin());
  const NearestColour nearest(palette_lab);
  out.to.resize(points.size());
  for (size_t i = 0; i < points.size(); ++i) {
    const int cluster = bin_cluster[bin_of[i]];
    const int guess = cluster >= 0 ? centre_colour[cluster] : -1;
    out.to[i] = out.palette[nearest.find(points[i], guess)];
  }

  // A palette colour that no colour chose is not part of the result.
  out.palette = out.to;
  std::sort(out.palette.begin(), out.palette.end());
  out.palette.erase(std::unique(out.palette.begin(), out.palette.end()), out.palette.end());
  return out;
}

int32_t reduced_colour(const ColourReduction& reduction, int32_t colour) {
  colour &= 0xFFFFFF;
  if (reduction.index.size() != 65537) return colour;
  const auto first = reduction.from.begin() + reduction.index[colour >> 8];
  const auto last = reduction.from.begin() + reduction.index[(colour >> 8) + 1];
  const auto at = std::lower_bound(first, last, colour);
  if (at == last || *at != colour) return colour;
  return reduction.to[size_t(at - reduction.from.begin())];
}
