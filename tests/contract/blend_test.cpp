// blend_test.cpp -- the blend factors every drawing platform keeps: one test body, built once per platform
//
// tests/contract/CMakeLists.txt links this file against headless, the offscreen SDL (software
// renderer, which blends most pairs on the CPU) and the SDL screen (a GPU renderer, under Xvfb).
// Every pair of factor numbers draws a picture of varied colours and alphas over a coloured
// background; each channel must come within one level of the Direct3D blend computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "services/lifecycle.h"
#include "services/pictures.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/windows.h"
#include "support/temp_folder.h"

namespace {

constexpr int kTile = 4;                // A picture is kTile x kTile pixels, one tile per factor pair
constexpr int kSide = 11 * kTile + 4;   // The screen: 11 x 11 tiles and a margin
constexpr int kQuadAlpha = 200;         // Every pair is drawn with this quad alpha

struct Rgba {
  int r, g, b, a;
};

// The picture drawn over the background: every channel and alpha varied, fully transparent and
// fully opaque texels among them.
Rgba source_texel(int x, int y) {
  const int i = y * kTile + x;
  return {(i * 53 + 20) % 256, (i * 97 + 200) % 256, (i * 31 + 90) % 256, i == 0 ? 0 : i == 15 ? 255 : i * 17};
}

// The background under each tile: opaque, a different colour in every pixel.
Rgba background_texel(int x, int y) {
  const int i = y * kTile + x;
  return {(i * 71 + 130) % 256, (i * 23 + 10) % 256, (i * 89 + 60) % 256, 255};
}

svc::Picture picture_of(Rgba (*texel)(int, int)) {
  svc::Picture p;
  p.width = p.height = kTile;
  for (int y = 0; y < kTile; y++)
    for (int x = 0; x < kTile; x++) {
      const Rgba t = texel(x, y);
      p.rgba.insert(p.rgba.end(), {uint8_t(t.r), uint8_t(t.g), uint8_t(t.b), uint8_t(t.a)});
    }
  return p;
}

// The Direct3D factor of a number for one channel (values 0..1) over an opaque screen (Ad = 1).
double factor(int number, double s, double d, double sa) {
  const double da = 1.0;
  switch (number) {
    case 1: return 0;
    case 2: return 1;
    case 3: return s;
    case 4: return 1 - s;
    case 5: return sa;
    case 6: return 1 - sa;
    case 7: return da;
    case 8: return 1 - da;
    case 9: return d;
    case 10: return 1 - d;
    case 11: return std::min(sa, 1 - da);
  }
  return -1;
}

int expected_channel(int source, int destination, int s8, int d8, int a8) {
  const double s = s8 / 255.0, d = d8 / 255.0, sa = a8 / 255.0 * kQuadAlpha / 255.0;
  const double v = s * factor(source, s, d, sa) + d * factor(destination, s, d, sa);
  return int(std::lround(std::clamp(v, 0.0, 1.0) * 255));
}

class BlendContract : public ::testing::Test {
 protected:
  void SetUp() override {
#if CONTRACT_NEEDS_DISPLAY
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "needs a display (xvfb-run)";
#endif
    svc::start_services();
    started = true;
    svc::register_image_decoders();
    ASSERT_EQ(svc::open_window(1, 0, 0, kSide, kSide, "blend", svc::WINDOW_BORDERLESS), 1);
    ASSERT_NE(svc::open_windowed_screen(svc::window_handle(1), 0, 0, kSide, kSide, 1, 0, 0), 0);
    folder = support::make_temp_folder("blend");
    ASSERT_NE(folder, "");
    source = load(picture_of(source_texel), "source.png");
    background = load(picture_of(background_texel), "background.png");
    quad = svc::create_sprite3d(-1, source);
    ASSERT_NE(quad, 0);
  }
  void TearDown() override {
    if (!started) return;
    svc::stop_services();
    if (!folder.empty()) support::remove_folder(folder);
  }

  int load(const svc::Picture& picture, const std::string& name) {
    const std::string path = folder + name;
    EXPECT_EQ(svc::write_png(path, picture), 1);
    const int sprite = svc::load_sprite(-1, path, 4);
    EXPECT_NE(sprite, 0) << name;
    return sprite;
  }

  // The screen's pixel as red, green, blue.
  static Rgba read(int x, int y) {
    const int32_t c = svc::point(x, y);
    return {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 255};
  }

  bool started = false;
  std::string folder;
  int source = 0, background = 0, quad = 0;
};

TEST_F(BlendContract, EveryFactorPairBlendsAsDirect3D) {
  svc::clear_screen(0);
  svc::start_drawing(svc::screen_output());
  for (int ty = 0; ty < 11; ty++)
    for (int tx = 0; tx < 11; tx++) svc::display_sprite(background, tx * kTile, ty * kTile);
  svc::stop_drawing();
  svc::start_3d();
  for (int s = 1; s <= 11; s++)
    for (int d = 1; d <= 11; d++) {
      svc::sprite3d_blending_mode(s, d);
      svc::display_sprite3d(quad, (d - 1) * kTile, (s - 1) * kTile, kQuadAlpha);
    }
  svc::stop_3d();

  std::vector<int32_t> screen(size_t(kSide) * kSide);
  for (int y = 0; y < kSide; y++) svc::points(0, y, kSide, &screen[size_t(y) * kSide]);
  int wrong = 0;
  for (int s = 1; s <= 11; s++)
    for (int d = 1; d <= 11; d++)
      for (int y = 0; y < kTile; y++)
        for (int x = 0; x < kTile; x++) {
          const Rgba src = source_texel(x, y), dst = background_texel(x, y);
          const int32_t c = screen[size_t((s - 1) * kTile + y) * kSide + (d - 1) * kTile + x];
          const Rgba got = {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 255};
          const int want[3] = {expected_channel(s, d, src.r, dst.r, src.a), expected_channel(s, d, src.g, dst.g, src.a),
                               expected_channel(s, d, src.b, dst.b, src.a)};
          const int have[3] = {got.r, got.g, got.b};
          for (int c = 0; c < 3; c++)
            if (std::abs(have[c] - want[c]) > 1 && wrong++ < 20)
              ADD_FAILURE() << "pair " << s << "/" << d << " texel (" << x << ", " << y << ") channel " << c
                            << ": " << have[c] << ", expected " << want[c];
        }
  EXPECT_EQ(wrong, 0);
}

// A pair stays in force for the following draws until the next one is set; numbers outside 1..11
// stand for the default pair, and start_3d sets the default pair again.
TEST_F(BlendContract, APairStaysInForceUntilTheNextAndStart3DRestoresTheDefault) {
  const Rgba src = source_texel(3, 3), dst = background_texel(3, 3);  // an opaque texel
  auto draw_at = [&](int x) {
    svc::start_drawing(svc::screen_output());
    svc::display_sprite(background, x, 0);
    svc::stop_drawing();
    svc::display_sprite3d(quad, x, 0, kQuadAlpha);
  };
  svc::clear_screen(0);
  svc::start_3d();
  svc::sprite3d_blending_mode(2, 2);
  draw_at(0);
  draw_at(kTile);  // still additive
  svc::sprite3d_blending_mode(0, 12);
  draw_at(2 * kTile);
  svc::sprite3d_blending_mode(9, 1);
  svc::stop_3d();
  svc::start_3d();
  draw_at(3 * kTile);
  svc::stop_3d();
  for (int tile = 0; tile < 4; tile++) {
    const bool additive = tile < 2;
    const Rgba got = read(tile * kTile + 3, 3);
    const int s = additive ? 2 : 5, d = additive ? 2 : 6;
    EXPECT_NEAR(got.r, expected_channel(s, d, src.r, dst.r, src.a), 1) << "tile " << tile;
    EXPECT_NEAR(got.g, expected_channel(s, d, src.g, dst.g, src.a), 1) << "tile " << tile;
    EXPECT_NEAR(got.b, expected_channel(s, d, src.b, dst.b, src.a), 1) << "tile " << tile;
  }
}

}  // namespace
