// argument_rules.h -- the argument rules of the window, screen, sprite, font, menu and field
// services, written once and applied by every platform, so a call refused on one is refused on all
//
// Object numbers follow NumberTable::pick (number_table.h): -1 asks for a free number, 0 up to
// kMaxExplicit - 1 may be chosen (the converter and the editor open window 0 and menu 0), anything
// else is refused. The rules below are the other arguments' limits. A platform may still refuse
// what it cannot hold (a screen larger than its textures, a window the window system refuses);
// it never accepts what these rules refuse.
#pragma once
#include <string>

namespace svc::detail {

constexpr int kMaxGrabSide = 16384;   // Larger grabs are refused, not allocated
constexpr int kMaxFontPoints = 1000;  // Larger fonts are refused: no field holds a line of them

// A window's client area is at least 1 x 1 pixel: a 0 x 0 window has nothing to draw or click in.
inline bool window_size_allowed(int inner_width, int inner_height) { return inner_width > 0 && inner_height > 0; }

// A screen is at least 1 x 1 pixel.
inline bool screen_size_allowed(int width, int height) { return width > 0 && height > 0; }

// A grabbed area is 1 to kMaxGrabSide pixels on each side.
inline bool grab_size_allowed(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxGrabSide && height <= kMaxGrabSide;
}

// A font has a face name and 1 to kMaxFontPoints points.
inline bool font_allowed(const std::string& face, int points) {
  return !face.empty() && points > 0 && points <= kMaxFontPoints;
}

// A field or label may be empty (0 wide or high), never of negative size.
inline bool field_size_allowed(int width, int height) { return width >= 0 && height >= 0; }

}  // namespace svc::detail
