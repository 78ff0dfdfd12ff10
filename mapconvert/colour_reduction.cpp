// colour_reduction.cpp -- the palette of a reduced colour-code map: CIELAB, and the steps put together
// (colour_histogram.cpp, colour_median_cut.cpp, colour_kmeans.cpp, colour_nearest.cpp)
#include "colour_reduction.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "colour_nearest.h"
#include "colour_reduction_parts.h"

using namespace colour_reduction;

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
