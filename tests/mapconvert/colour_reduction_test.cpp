// colour_reduction_test.cpp -- the palette of a reduced AI map: size, determinism, fidelity, lookups
#include "colour_reduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

namespace {

int32_t rgb(int r, int g, int b) { return r + g * 256 + b * 65536; }

// A photograph-like picture: smooth colour gradients with fine noise, some 40,000 distinct colours.
std::vector<int32_t> photograph(int width = 240, int height = 180) {
  std::vector<int32_t> colours;
  uint32_t noise = 12345;
  for (int x = 0; x < width; ++x)
    for (int y = 0; y < height; ++y) {
      noise = noise * 1103515245u + 12345u;
      const int n = int((noise >> 16) % 9) - 4;
      const double u = double(x) / width, v = double(y) / height;
      const int r = std::clamp(int(255 * (0.5 + 0.5 * std::sin(6 * u + 2 * v))) + n, 0, 255);
      const int g = std::clamp(int(255 * v * (1 - u / 2)) - n, 0, 255);
      const int b = std::clamp(int(255 * (0.5 + 0.5 * std::cos(9 * v * u))) + n / 2, 0, 255);
      colours.push_back(rgb(r, g, b));
    }
  return colours;
}

std::set<int32_t> distinct_after(const ColourReduction& r, const std::vector<int32_t>& colours) {
  std::set<int32_t> out;
  for (int32_t c : colours) out.insert(reduced_colour(r, c));
  return out;
}

double mean_error(const ColourReduction& r, const std::vector<int32_t>& colours) {
  double sum = 0;
  for (int32_t c : colours) sum += delta_e(c, reduced_colour(r, c));
  return sum / double(colours.size());
}

TEST(ColourReduction, APhotographGetsAtMostNColoursAndMoreColoursMeanLessError) {
  const std::vector<int32_t> photo = photograph();
  ASSERT_GT(std::set<int32_t>(photo.begin(), photo.end()).size(), 20000u);
  double previous_error = 1e9;
  for (int n : {2, 16, 256, 4096}) {
    const ColourReduction r = reduce_colours(photo, n);
    const std::set<int32_t> used = distinct_after(r, photo);
    EXPECT_LE(used.size(), size_t(n));
    EXPECT_GE(used.size(), size_t(n) * 9 / 10) << "a photograph should use nearly all " << n << " colours";
    EXPECT_EQ(used, std::set<int32_t>(r.palette.begin(), r.palette.end()));
    const double error = mean_error(r, photo);
    EXPECT_LT(error, previous_error) << n;
    previous_error = error;
  }
  EXPECT_LT(previous_error, 2.0);  // 4096 colours are hard to tell from the original
}

TEST(ColourReduction, SameColoursInAnyOrderGiveTheSameReduction) {
  std::vector<int32_t> photo = photograph(120, 90);
  const ColourReduction first = reduce_colours(photo, 37);
  const ColourReduction again = reduce_colours(photo, 37);
  std::reverse(photo.begin(), photo.end());
  const ColourReduction reversed = reduce_colours(photo, 37);
  EXPECT_EQ(first.palette, again.palette);
  EXPECT_EQ(first.to, again.to);
  EXPECT_EQ(first.palette, reversed.palette);
  EXPECT_EQ(first.to, reversed.to);
}

TEST(ColourReduction, FewColoursStayAsTheyAre) {
  const std::vector<int32_t> few = {rgb(0, 0, 0), rgb(255, 0, 0), rgb(0, 0, 0), rgb(1, 2, 3), rgb(255, 255, 255)};
  const ColourReduction r = reduce_colours(few, 4);
  for (int32_t c : few) EXPECT_EQ(reduced_colour(r, c), c);
  EXPECT_EQ(r.palette.size(), 4u);
  // A colour that was not reduced comes back unchanged; bits above the 24 colour bits are ignored.
  EXPECT_EQ(reduced_colour(r, rgb(9, 9, 9)), rgb(9, 9, 9));
  EXPECT_EQ(reduced_colour(reduce_colours({-1, 0}, 2), -1), rgb(255, 255, 255));
  EXPECT_TRUE(reduce_colours({}, 16).palette.empty());
}

TEST(ColourReduction, ClustersKeepTheirOwnColourAndTheMostFrequentColourWins) {
  // Two tight clusters, one red-brown and one blue, reduced to two colours.
  std::vector<int32_t> colours;
  for (int i = 0; i < 50; ++i) {
    colours.push_back(rgb(180 + i % 7, 40 + i % 5, 30));
    colours.push_back(rgb(20, 40 + i % 3, 200 + i % 11));
  }
  const ColourReduction two = reduce_colours(colours, 2);
  ASSERT_EQ(two.palette.size(), 2u);
  for (int32_t c : colours) EXPECT_LT(delta_e(c, reduced_colour(two, c)), 6.0);
  // Out of three colours reduced to two, the rare one joins its nearest neighbour.
  std::vector<int32_t> three(100, rgb(200, 0, 0));
  three.insert(three.end(), 100, rgb(0, 0, 200));
  three.push_back(rgb(190, 10, 10));
  const ColourReduction r = reduce_colours(three, 2);
  EXPECT_EQ(reduced_colour(r, rgb(190, 10, 10)), reduced_colour(r, rgb(200, 0, 0)));
  EXPECT_LT(delta_e(reduced_colour(r, rgb(200, 0, 0)), rgb(200, 0, 0)), 2.0);
  EXPECT_EQ(reduced_colour(r, rgb(0, 0, 200)), rgb(0, 0, 200));
}

TEST(ColourReduction, CountsOutsideTheRangeAreClamped) {
  const std::vector<int32_t> photo = photograph(60, 40);
  EXPECT_EQ(distinct_after(reduce_colours(photo, 0), photo).size(), 2u);
  EXPECT_EQ(reduce_colours(photo, 100000).palette, reduce_colours(photo, 4096).palette);
}

TEST(ColourReduction, LabOfKnownColours) {
  const LabColour white = lab_of(rgb(255, 255, 255)), red = lab_of(rgb(255, 0, 0));
  EXPECT_NEAR(white.l, 100.0, 0.01);
  EXPECT_NEAR(white.a, 0.0, 0.01);
  EXPECT_NEAR(red.l, 53.24, 0.05);
  EXPECT_NEAR(red.a, 80.09, 0.05);
  EXPECT_NEAR(red.b, 67.20, 0.05);
  EXPECT_NEAR(delta_e(rgb(0, 0, 0), rgb(255, 255, 255)), 100.0, 0.01);
}

}  // namespace
