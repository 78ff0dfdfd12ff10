// colour_kmeans.cpp -- the palette's centres refined by a few k-means steps over the weighted colours
#include <vector>

#include "colour_nearest.h"
#include "colour_reduction_parts.h"

namespace colour_reduction {
namespace {

constexpr int kMeansSteps = 6;

}  // namespace

std::vector<int> refine(const std::vector<Point>& points, std::vector<LabColour>& centres) {
  std::vector<int> nearest(points.size(), -1);
  for (int step = 0; step < kMeansSteps; ++step) {
    const NearestColour tree(centres);
    std::vector<Sums> sums(centres.size());
    size_t moved = 0;
    for (size_t i = 0; i < points.size(); ++i) {
      const int c = tree.find(points[i], nearest[i]);
      if (c != nearest[i]) ++moved;
      nearest[i] = c;
      sums[c].add(points[i]);
    }
    if (moved == 0) break;
    for (size_t c = 0; c < centres.size(); ++c)
      if (sums[c].w > 0) centres[c] = sums[c].mean();
  }
  return nearest;
}

}  // namespace colour_reduction
