// colour_nearest.h -- the nearest of a set of CIELAB colours to a point: a k-d tree
#pragma once
#include <vector>

#include "colour_reduction_parts.h"

namespace colour_reduction {

// A k-d tree over a set of CIELAB colours, for the nearest one to a point.
class NearestColour {
 public:
  explicit NearestColour(const std::vector<LabColour>& colours) : colours_(colours), order_(colours.size()) {
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = int(i);
    if (!colours.empty()) build(0, int(order_.size()));
  }

  // The index of the nearest colour. A guess (-1 for none), such as the answer for a point nearby,
  // starts the search with a small radius.
  int find(const Point& p, int guess = -1) const {
    int best = guess;
    float best_d = guess >= 0 ? distance2(p, colours_[guess]) : 0;
    if (!nodes_.empty()) search(0, p, best, best_d);
    return best;
  }

 private:
  struct Node {
    int begin, end;  // Leaf: range of order_
    int axis = -1;   // Inner node: split axis, value and children
    float split = 0;
    int left = -1, right = -1;
  };
  static constexpr int kLeafSize = 6;

  static float value(const LabColour& c, int axis) { return axis == 0 ? c.l : axis == 1 ? c.a : c.b; }

  int build(int begin, int end);  // A node over order_[begin, end), and those below it; its id
  void search(int id, const Point& p, int& best, float& best_d) const;

  const std::vector<LabColour>& colours_;
  std::vector<int> order_;
  std::vector<Node> nodes_;
};

}  // namespace colour_reduction
