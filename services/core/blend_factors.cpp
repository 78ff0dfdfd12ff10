// blend_factors.cpp -- maps blend factor numbers to factor kinds and a factor pair to the nearest fixed mode
#include "blend_factors.h"

#include <algorithm>

namespace svc::detail {

namespace {

// Numbers 1..11, in the order of the Direct3D blend enumeration.
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
    case 11: kind = BlendKind::SrcAlphaSat; return true;
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
  // Over the opaque screen saturated source alpha is zero.
  if (source == BlendKind::SrcAlphaSat) source = BlendKind::Zero;
  if (destination == BlendKind::SrcAlphaSat) destination = BlendKind::Zero;
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

float blend_factor(BlendKind kind, float s, float d, float sa, float da) {
  switch (kind) {
    case BlendKind::Zero: return 0.0f;
    case BlendKind::One: return 1.0f;
    case BlendKind::SrcColour: return s;
    case BlendKind::InvSrcColour: return 1.0f - s;
    case BlendKind::SrcAlpha: return sa;
    case BlendKind::InvSrcAlpha: return 1.0f - sa;
    case BlendKind::DstAlpha: return da;
    case BlendKind::InvDstAlpha: return 1.0f - da;
    case BlendKind::DstColour: return d;
    case BlendKind::InvDstColour: return 1.0f - d;
    case BlendKind::SrcAlphaSat: return std::min(sa, 1.0f - da);
  }
  return 0.0f;
}

uint32_t blend_pixel(const uint8_t* source_rgb, float source_alpha, uint32_t destination, BlendKind source,
                     BlendKind destination_kind) {
  const float sa = source_alpha, da = 1.0f;  // The screen is opaque
  uint32_t out = 0xFF000000u;
  for (int ch = 0; ch < 3; ++ch) {
    const float s = source_rgb[ch] / 255.0f, d = ((destination >> (8 * ch)) & 0xFF) / 255.0f;
    const float v = s * blend_factor(source, s, d, sa, da) + d * blend_factor(destination_kind, s, d, sa, da);
    out |= static_cast<uint32_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f) << (8 * ch);
  }
  return out;
}

}  // namespace svc::detail
