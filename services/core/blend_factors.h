// blend_factors.h -- the engine's blend factor numbers as factor kinds, and the nearest fixed blend mode
//
// Object definitions name blend factors by number (1 zero, 2 one, 3 source colour, 4 inverse source
// colour, 5 source alpha, 6 inverse source alpha, 7 destination alpha, 8 inverse destination alpha,
// 9 destination colour, 10 inverse destination colour, 11 saturated source alpha). A platform turns
// the pair into its own blend state, and falls back to the nearest fixed mode when it has no
// free-form blending.
#pragma once

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
  InvDstColour
};

// The four blend modes every renderer offers, plus "skip" for a pair that leaves the screen as it is.
enum class FixedBlend { None, Blend, Add, Mod, Mul, Skip };

BlendKind source_blend_kind(int number);       // 1..11; any other number gives source alpha
BlendKind destination_blend_kind(int number);  // 1..11; any other number gives inverse source alpha
FixedBlend nearest_fixed_blend(BlendKind source, BlendKind destination);  // Closest of the fixed modes

}  // namespace svc::detail
