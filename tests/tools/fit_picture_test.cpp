// fit_picture_test.cpp -- the size a large picture is scaled to, and the area-averaging downscale
#include <gtest/gtest.h>

#include <vector>

#include "fit_picture.h"

namespace {

svc::Picture grey_row(const std::vector<int>& values, int height = 1) {
  svc::Picture p;
  p.width = int(values.size());
  p.height = height;
  for (int y = 0; y < height; ++y)
    for (int v : values) p.rgba.insert(p.rgba.end(), {uint8_t(v), uint8_t(v), uint8_t(v), 255});
  return p;
}

TEST(FitPicture, TheLongerSideBecomesTheLimitAndTheProportionIsKept) {
  struct Case {
    int width, height, fitted_width, fitted_height;
  } cases[] = {
      {4000, 3000, 512, 384}, {3000, 4000, 384, 512}, {512, 512, 512, 512}, {100, 7, 100, 7},
      {513, 2, 512, 2},       {1025, 1, 512, 1},      {1, 100000, 1, 512},  {1030, 515, 512, 256},
  };
  for (const Case& c : cases) {
    int w = 0, h = 0;
    tools::fitted_size(c.width, c.height, 512, w, h);
    EXPECT_EQ(w, c.fitted_width) << c.width << " x " << c.height;
    EXPECT_EQ(h, c.fitted_height) << c.width << " x " << c.height;
  }
}

TEST(FitPicture, EachNewPixelIsTheAverageOfTheOldPixelsItCoversWeightedByCoverage) {
  // Three old pixels into two: the middle one lies half in each.
  EXPECT_EQ(tools::area_average(grey_row({0, 90, 180}), 2, 1).rgba,
            (std::vector<uint8_t>{30, 30, 30, 255, 150, 150, 150, 255}));
  // Halving both ways: 2 x 2 blocks, rounded to the nearest (127.5 up).
  svc::Picture checker = grey_row({0, 255, 0, 255}, 2);
  checker.rgba[4 * 4] = 255;  // second row starts 255, 255
  const svc::Picture half = tools::area_average(checker, 2, 1);
  EXPECT_EQ(half.rgba[0], 191);  // (0 + 255 + 255 + 255) / 4 = 191.25
  EXPECT_EQ(half.rgba[4], 128);
  // Alpha is averaged like the colours: a half-transparent edge stays half-transparent.
  svc::Picture edge = grey_row({200, 200});
  edge.rgba[7] = 0;
  EXPECT_EQ(tools::area_average(edge, 1, 1).rgba, (std::vector<uint8_t>{200, 200, 200, 128}));
}

TEST(FitPicture, AFlatPhotographSizedPictureStaysFlatWithoutDrift) {
  svc::Picture flat;
  flat.width = 4000;
  flat.height = 3000;
  flat.rgba.resize(size_t(4000) * 3000 * 4);
  for (size_t i = 0; i < flat.rgba.size(); i += 4) {
    flat.rgba[i] = 17;
    flat.rgba[i + 1] = 128;
    flat.rgba[i + 2] = 254;
    flat.rgba[i + 3] = 255;
  }
  const svc::Picture small = tools::area_average(flat, 512, 384);
  ASSERT_EQ(small.rgba.size(), size_t(512) * 384 * 4);
  for (size_t i = 0; i < small.rgba.size(); i += 4)
    ASSERT_EQ((std::vector<uint8_t>(small.rgba.begin() + long(i), small.rgba.begin() + long(i) + 4)),
              (std::vector<uint8_t>{17, 128, 254, 255}))
        << "pixel " << i / 4;
}

}  // namespace
