// engine_state.cpp -- owns the engine's global state record and the loaded world
#include "core/engine_state.h"

EngineState engine;
World worldState;

void reset_engine_state() {
  engine = EngineState{};
  worldState.world = svc::Grid<WorldCell>{};
  empty_world_lists();
}

void empty_world_lists() {
  svc::clear_list(worldState.floorList);
  svc::clear_list(worldState.cursorList);
  svc::clear_list(worldState.instanceList);
  svc::clear_list(worldState.objectCatalogue);
  svc::clear_list(worldState.groundCatalogue);
  svc::clear_list(worldState.spareList);
}
