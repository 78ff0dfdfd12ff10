// blend_factors.h -- the engine's blend factor numbers: one table of factor kinds, the factor of each
// kind for one pixel, a whole pair blended on the CPU, and the nearest fixed blend mode
//
// Object definitions name blend factors by number (1 zero, 2 one, 3 source colour, 4 inverse source
// colour, 5 source alpha, 6 inverse source alpha, 7 destination alpha, 8 inverse destination alpha,
// 9 destination colour, 10 inverse destination colour, 11 saturated source alpha, min(As, 1 - Ad)).
// Every platform reads the numbers through this table: headless and the offscreen compositing blend
// with blend_pixel, a GPU renderer turns the kinds into its own blend state, and a renderer without
// free-form blending falls back to the nearest fixed mode.
#pragma once
#include <cstdint>

namespace svc::detail {

enum class BlendKind {
  Zero,
  One,
  SrcColour,
  InvSrcColour,
  SrcAlpha,
  InvSrcAlpha,
  DstAlpha,
  InvDstAlpha,
  DstColour,
  InvDstColour,
  SrcAlphaSat  // min(As, 1 - Ad): zero over an opaque screen
};

// The four blend modes every renderer offers, plus "skip" for a pair that leaves the screen as it is.
enum class FixedBlend { None, Blend, Add, Mod, Mul, Skip };

BlendKind source_blend_kind(int number);       // 1..11; any other number gives source alpha
BlendKind destination_blend_kind(int number);  // 1..11; any other number gives inverse source alpha
FixedBlend nearest_fixed_blend(BlendKind source, BlendKind destination);  // Closest of the fixed modes

// One channel's factor of a kind: source value s, destination value d, source alpha sa and
// destination alpha da, all 0..1.
float blend_factor(BlendKind kind, float s, float d, float sa, float da);

// A source pixel (RGB bytes, and its alpha 0..1 already scaled by the quad's alpha) blended over an
// opaque destination pixel (red in the low byte) with the pair of kinds: each channel is
// s * F(source) + d * F(destination), clamped and rounded; the result is opaque.
uint32_t blend_pixel(const uint8_t* source_rgb, float source_alpha, uint32_t destination, BlendKind source,
                     BlendKind destination_kind);

}  // namespace svc::detail
