// colour_nearest.cpp -- the k-d tree of the nearest colour: building it and searching it
#include "colour_nearest.h"

#include <algorithm>

namespace colour_reduction {

int NearestColour::build(int begin, int end) {
  const int id = int(nodes_.size());
  nodes_.push_back({begin, end});
  if (end - begin <= kLeafSize) return id;
  float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
  for (int i = begin; i < end; ++i)
    for (int k = 0; k < 3; ++k) {
      low[k] = std::min(low[k], value(colours_[order_[i]], k));
      high[k] = std::max(high[k], value(colours_[order_[i]], k));
    }
  int axis = 0;
  for (int k = 1; k < 3; ++k)
    if (high[k] - low[k] > high[axis] - low[axis]) axis = k;
  const int middle = (begin + end) / 2;
  std::nth_element(order_.begin() + begin, order_.begin() + middle, order_.begin() + end, [&](int x, int y) {
    const float vx = value(colours_[x], axis), vy = value(colours_[y], axis);
    return vx < vy || (vx == vy && x < y);
  });
  const float split = value(colours_[order_[middle]], axis);
  const int left = build(begin, middle);
  const int right = build(middle, end);
  nodes_[id].axis = axis;
  nodes_[id].split = split;
  nodes_[id].left = left;
  nodes_[id].right = right;
  return id;
}

void NearestColour::search(int id, const Point& p, int& best, float& best_d) const {
  const Node& node = nodes_[id];
  if (node.axis < 0) {
    for (int i = node.begin; i < node.end; ++i) {
      const int c = order_[i];
      const float d = distance2(p, colours_[c]);
      if (best < 0 || d < best_d || (d == best_d && c < best)) {
        best = c;
        best_d = d;
      }
    }
    return;
  }
  const float diff = axis_value(p, node.axis) - node.split;
  const int near = diff < 0 ? node.left : node.right, far = diff < 0 ? node.right : node.left;
  search(near, p, best, best_d);
  if (diff * diff < best_d) search(far, p, best, best_d);
}

}  // namespace colour_reduction
