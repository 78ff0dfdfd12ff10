// engine_state.cpp -- owns the engine's global state record
#include "base/engine_state.h"

EngineState engine;

void reset_engine_state() { engine = EngineState{}; }
