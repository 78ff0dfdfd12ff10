// colour_reduction.h -- fewer colours for colour-code maps: a palette of at most N colours chosen in
// CIELAB, without dithering
//
// The palette comes from a variance-based median cut of the weighted colour histogram in CIELAB,
// refined by a few k-means steps; every colour then becomes the palette colour nearest to it in
// CIELAB. No randomness and no threads: the same colours and N always give the same result.
#pragma once
#include <cstdint>
#include <vector>

constexpr int kFewestReducedColours = 2;
constexpr int kMostReducedColours = 4096;

// Which palette colour each distinct input colour becomes.
struct ColourReduction {
  std::vector<int32_t> from;     // The distinct input colours (colour values), ascending
  std::vector<int32_t> to;       // The palette colour for from[i]
  std::vector<int32_t> palette;  // The distinct palette colours, ascending; at most N
  std::vector<uint32_t> index;   // Where the colours with green and blue g + 256 * b start in from
};

// Reduces colour values (red + green * 256 + blue * 65536; the bits above 23 are ignored, so -1 is
// white) to at most max_colours colours, clamped to 2..4096. Colours that already number at
// most max_colours stay as they are. Each value counts once per occurrence.
ColourReduction reduce_colours(const std::vector<int32_t>& colours, int max_colours);

// The colour a value becomes; a colour that was not among the input stays as it is.
int32_t reduced_colour(const ColourReduction& reduction, int32_t colour);

// A colour in CIELAB (D65 white, sRGB primaries and transfer curve).
struct LabColour {
  float l, a, b;
};
LabColour lab_of(int32_t colour);

// The CIE 1976 colour difference (Euclidean distance in CIELAB) of two colour values.
double delta_e(int32_t first, int32_t second);
