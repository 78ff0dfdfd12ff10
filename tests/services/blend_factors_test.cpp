// blend_factors_test.cpp -- blend factor numbers outside the range, saturated source alpha, known
// pixels, and what the nearest fixed blend mode draws against the pair it stands for
// (tests/contract/blend_test.cpp draws every pair on every platform)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "../../services/core/blend_factors.h"

namespace {

using svc::detail::BlendKind;
using svc::detail::destination_blend_kind;
using svc::detail::FixedBlend;
using svc::detail::nearest_fixed_blend;
using svc::detail::source_blend_kind;

// Object definitions may hold 0, negatives or large numbers: each side falls back to the default pass.
TEST(BlendFactors, NumbersOutsideTheRangeGiveThePassDefaults) {
  for (int n : {0, -1, 12, 255, -2147483647 - 1}) {
    EXPECT_EQ(source_blend_kind(n), BlendKind::SrcAlpha) << n;
    EXPECT_EQ(destination_blend_kind(n), BlendKind::InvSrcAlpha) << n;
  }
}

FixedBlend nearest(int source, int destination) {
  return nearest_fixed_blend(source_blend_kind(source), destination_blend_kind(destination));
}

// What a fixed mode makes of a source channel s with alpha a over a screen channel d, all 0..1, as
// renderers document them.
float fixed_mode_channel(FixedBlend mode, float s, float a, float d) {
  switch (mode) {
    case FixedBlend::None: return s;
    case FixedBlend::Blend: return s * a + d * (1 - a);
    case FixedBlend::Add: return std::min(1.0f, s * a + d);
    case FixedBlend::Mod: return s * d;
    case FixedBlend::Mul: return s * d + d * (1 - a);
    case FixedBlend::Skip: return d;
  }
  return -1;
}

// A spread of source pixels and opaque screen pixels (red in the low byte).
struct Sample {
  uint8_t source[3];
  uint32_t screen;
};
std::vector<Sample> samples() {
  std::vector<Sample> out;
  for (int s = 0; s <= 255; s += 51)
    for (int d = 0; d <= 255; d += 51)
      out.push_back({{uint8_t(s), uint8_t(255 - s), uint8_t(s / 2)},
                     0xFF000000u | uint32_t(d) | uint32_t(255 - d) << 8 | uint32_t(d / 3) << 16});
  return out;
}

int channel(uint32_t pixel, int c) { return int(pixel >> (8 * c)) & 255; }

// The pairs object definitions use most, where a renderer with only the fixed modes can draw the same:
// over opaque pictures its substitute gives the pair's pixels.
TEST(BlendFactors, OverOpaquePicturesTheSubstituteModeDrawsWhatThePairDraws) {
  const int pairs[][2] = {{5, 6}, {2, 6}, {2, 2}, {5, 2}, {1, 3}, {9, 1}, {9, 6},
                          {2, 1}, {5, 1}, {1, 2}, {7, 8}, {11, 2}, {2, 11}};
  for (const auto& pair : pairs) {
    const FixedBlend mode = nearest(pair[0], pair[1]);
    for (const Sample& p : samples()) {
      const uint32_t exact = svc::detail::blend_pixel(p.source, 1.0f, p.screen, source_blend_kind(pair[0]),
                                                      destination_blend_kind(pair[1]));
      for (int c = 0; c < 3; ++c) {
        const float fixed = fixed_mode_channel(mode, p.source[c] / 255.0f, 1.0f, channel(p.screen, c) / 255.0f);
        EXPECT_NEAR(channel(exact, c), fixed * 255, 0.5f + 1e-3f)
            << "pair " << pair[0] << "," << pair[1] << " mode " << int(mode) << " channel " << c;
      }
    }
  }
}

// Where the substitute cannot be exact it keeps the pair's direction: a pair that only lightens
// the screen ("screen" lightening, additive glow) gets a mode that never darkens it, one that only
// darkens (shadows) a mode that never lightens it, and a pair that leaves the screen as it is draws nothing.
TEST(BlendFactors, SubstitutesKeepWhetherThePairLightensDarkensOrLeavesTheScreen) {
  struct Case {
    int source, destination;
    int direction;  // +1 lightens, -1 darkens, 0 leaves the screen
  };
  for (const Case& k : {Case{2, 4, +1}, Case{2, 2, +1}, Case{1, 6, -1}, Case{1, 3, -1}, Case{1, 2, 0}, Case{11, 2, 0}}) {
    const FixedBlend mode = nearest(k.source, k.destination);
    for (float alpha : {0.25f, 0.5f, 1.0f})
      for (const Sample& p : samples()) {
        const uint32_t exact = svc::detail::blend_pixel(p.source, alpha, p.screen, source_blend_kind(k.source),
                                                        destination_blend_kind(k.destination));
        for (int c = 0; c < 3; ++c) {
          const int d = channel(p.screen, c);
          const int fixed = int(fixed_mode_channel(mode, p.source[c] / 255.0f, alpha, d / 255.0f) * 255 + 0.5f);
          for (int drawn : {channel(exact, c), fixed}) {
            const int change = drawn > d ? +1 : drawn < d ? -1 : 0;
            EXPECT_TRUE(change == 0 || change == k.direction)
                << k.source << "," << k.destination << ": " << d << " became " << drawn;
          }
        }
      }
  }
}

// Known pixels: half-transparent red over blue is purple; red added to green is yellow; a mid-grey
// picture modulating white gives mid-grey; the default pair draws an opaque picture as it is.
TEST(BlendFactors, KnownPixels) {
  const uint8_t red[3] = {255, 0, 0}, grey[3] = {128, 128, 128};
  const uint32_t blue = 0xFFFF0000u, green = 0xFF00FF00u, white = 0xFFFFFFFFu;
  using svc::detail::blend_pixel;
  EXPECT_EQ(blend_pixel(red, 0.5f, blue, source_blend_kind(5), destination_blend_kind(6)), 0xFF800080u);
  EXPECT_EQ(blend_pixel(red, 1.0f, green, source_blend_kind(2), destination_blend_kind(2)), 0xFF00FFFFu);
  EXPECT_EQ(blend_pixel(grey, 1.0f, white, source_blend_kind(1), destination_blend_kind(3)), 0xFF808080u);
  EXPECT_EQ(blend_pixel(red, 1.0f, blue, source_blend_kind(0), destination_blend_kind(0)), 0xFF0000FFu);
}

// Saturated source alpha is min(As, 1 - Ad): the source alpha over a transparent destination, zero
// over an opaque one, and blend_pixel (whose destination is the opaque screen) reads it as zero.
TEST(BlendFactors, SaturatedSourceAlphaIsTheSmallerOfSourceAlphaAndDestinationTransparency) {
  using svc::detail::blend_factor;
  EXPECT_EQ(source_blend_kind(11), BlendKind::SrcAlphaSat);
  EXPECT_FLOAT_EQ(blend_factor(BlendKind::SrcAlphaSat, 0.5f, 0.5f, 0.25f, 0.0f), 0.25f);
  EXPECT_FLOAT_EQ(blend_factor(BlendKind::SrcAlphaSat, 0.5f, 0.5f, 0.75f, 0.5f), 0.5f);
  EXPECT_FLOAT_EQ(blend_factor(BlendKind::SrcAlphaSat, 0.5f, 0.5f, 0.75f, 1.0f), 0.0f);
  const uint8_t texel[3] = {200, 100, 0};
  const uint32_t grey = 0xFF404040u;
  EXPECT_EQ(svc::detail::blend_pixel(texel, 1.0f, grey, BlendKind::SrcAlphaSat, BlendKind::One), grey);
  EXPECT_EQ(svc::detail::blend_pixel(texel, 0.5f, grey, BlendKind::One, BlendKind::SrcAlphaSat), 0xFF0064C8u);
}

}  // namespace
