// world_scale.cpp -- a built world drawn at another cell size: its placed objects scaled with the cells
#include "world_scale.h"

#include <algorithm>
#include <cmath>

#include "services/sprites.h"
#include "world/world.h"

int object_reach(float cell) {
  float reach = 0;
  for (auto* n = worldState.instanceList.head; n; n = n->next) {
    const ObjectInstance& o = n->value;
    reach = std::max({reach, o.offsetX + o.width - cell, o.offsetY + o.height - cell});
  }
  return reach > 0 ? int(std::ceil(reach / cell)) : 0;
}

void scale_objects(float factor) {
  if (factor == 1.0f) return;
  for (auto* n = worldState.instanceList.head; n; n = n->next) {
    ObjectInstance& o = n->value;
    o.width *= factor;
    o.height *= factor;
    o.offsetX *= factor;
    o.offsetY *= factor;
    if (svc::is_sprite3d(o.sprite3d))
      svc::zoom_sprite3d(o.sprite3d, std::max(1, int(std::lround(o.width))), std::max(1, int(std::lround(o.height))));
  }
}
