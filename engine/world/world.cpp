// world.cpp -- owns the loaded world, and empties it between builds
#include "world/world.h"

#include "services/sprites.h"

World worldState;

void clear_world() {
  svc::clear_list(worldState.floorList);
  for (auto* n = worldState.instanceList.head; n; n = n->next)
    if (svc::is_sprite3d(n->value.sprite3d)) svc::free_sprite3d(n->value.sprite3d);
  svc::clear_list(worldState.instanceList);
  clear_definition_cache();
  worldState.loadBar = ProgressBar{};
  worldState.buildBar = ProgressBar{};
}

void forget_world() {
  World& w = worldState;
  w.world = svc::Grid<WorldCell>{};
  svc::clear_list(w.floorList);
  svc::clear_list(w.cursorList);
  svc::clear_list(w.instanceList);
  svc::clear_list(w.objectCatalogue);
  svc::clear_list(w.groundCatalogue);
  svc::clear_list(w.spareList);
  w.objectNames = ObjectNameIndex{};
  w.groundNames = GroundIndex{};
  w.definitions = DefinitionCache{};
  w.loadBar = ProgressBar{};
  w.buildBar = ProgressBar{};
}
