// blend_factors_test.cpp -- blend factor numbers outside the range, saturated source alpha, and the
// nearest fixed blend mode (tests/contract/blend_test.cpp draws every pair on every platform)
#include <gtest/gtest.h>
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

TEST(BlendFactors, PairsMapToTheFixedModeThatLooksClosest) {
  EXPECT_EQ(nearest(5, 6), FixedBlend::Blend);
  EXPECT_EQ(nearest(2, 6), FixedBlend::Blend);  // premultiplied
  EXPECT_EQ(nearest(2, 2), FixedBlend::Add);
  EXPECT_EQ(nearest(5, 2), FixedBlend::Add);
  EXPECT_EQ(nearest(2, 4), FixedBlend::Add);  // lightening
  EXPECT_EQ(nearest(1, 3), FixedBlend::Mod);
  EXPECT_EQ(nearest(9, 1), FixedBlend::Mod);
  EXPECT_EQ(nearest(1, 6), FixedBlend::Mod);  // darkening where the picture is opaque
  EXPECT_EQ(nearest(9, 6), FixedBlend::Mul);
  EXPECT_EQ(nearest(2, 1), FixedBlend::None);
  EXPECT_EQ(nearest(5, 1), FixedBlend::None);
  EXPECT_EQ(nearest(1, 2), FixedBlend::Skip);  // leaves the screen as it is
  EXPECT_EQ(nearest(7, 8), FixedBlend::Blend);
  EXPECT_EQ(nearest(11, 2), FixedBlend::Skip);  // saturated source alpha is zero over the opaque screen
  EXPECT_EQ(nearest(2, 11), FixedBlend::None);
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
