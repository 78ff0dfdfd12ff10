// state.cpp -- owns the engine's global state record
#include "base/state.h"

EngineState engine;

void reset_engine_state() { engine = EngineState{}; }
