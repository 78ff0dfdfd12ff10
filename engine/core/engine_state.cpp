// engine_state.cpp -- owns the engine's global state record
#include "core/engine_state.h"

#include "world/world.h"

EngineState engine;

void reset_engine_state() {
  engine = EngineState{};
  forget_world();
}
