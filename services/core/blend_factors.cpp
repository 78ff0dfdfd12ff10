// blend_factors.cpp -- maps blend factor numbers to factor kinds and a factor pair to the nearest fixed mode
#include "blend_factors.h"

namespace svc::detail {

namespace {

// Numbers 1..11; saturated source alpha, min(As, 1 - Ad), has no counterpart in most renderers and
// equals source alpha wherever the destination is opaque, which the back buffer always is.
bool kind_of_number(int number, BlendKind& kind) {
  switch (number) {
    case 1: kind = BlendKind::Zero; return true;
    case 2: kind = BlendKind::One; return true;
    case 3: kind = BlendKind::SrcColour; return true;
    case 4: kind = BlendKind::InvSrcColour; return true;
    case 5: kind = BlendKind::SrcAlpha; return true;
    case 6: kind = BlendKind::InvSrcAlpha; return true;
    case 7: kind = BlendKind::DstAlpha; return true;
    case 8: kind = BlendKind::InvDstAlpha; return true;
    case 9: kind = BlendKind::DstColour; return true;
    case 10: kind = BlendKind::InvDstColour; return true;
    case 11: kind = BlendKind::SrcAlpha; return true;
    default: return false;
  }
}

}  // namespace

BlendKind source_blend_kind(int number) {
  BlendKind kind;
  return kind_of_number(number, kind) ? kind : BlendKind::SrcAlpha;
}

BlendKind destination_blend_kind(int number) {
  BlendKind kind;
  return kind_of_number(number, kind) ? kind : BlendKind::InvSrcAlpha;
}

// The fixed modes: None = (one, zero), Blend = (source alpha, inverse source alpha),
// Add = (source alpha, one), Mod = (zero, source colour), Mul = (destination colour, inverse source alpha).
FixedBlend nearest_fixed_blend(BlendKind source, BlendKind destination) {
  if (destination == BlendKind::One)  // something added onto the screen, or nothing at all
    return source == BlendKind::Zero ? FixedBlend::Skip : FixedBlend::Add;
  if (source == BlendKind::Zero)  // the screen scaled by a factor: darkening
    return FixedBlend::Mod;
  if (source == BlendKind::DstColour)
    return (destination == BlendKind::Zero || destination == BlendKind::SrcColour) ? FixedBlend::Mod : FixedBlend::Mul;
  if (destination == BlendKind::Zero)  // the picture replaces the screen
    return FixedBlend::None;
  if (destination == BlendKind::InvSrcColour)  // "screen" lightening: closest to adding
    return FixedBlend::Add;
  return FixedBlend::Blend;
}

}  // namespace svc::detail
