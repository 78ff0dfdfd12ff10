// state.cpp -- owns the engine's global state record
#include "base/state.h"

#include "services/text.h"

EngineState engine;

void reset_engine_state() { engine = EngineState{}; }

void compute_view_cells() {
  // A cell size of zero or less (RESOLUTION missing from the configuration) fits no cells.
  if (!(engine.resolution > 0.0f)) {
    engine.cellsAcross = 0.0f;
    engine.cellsDown = 0.0f;
    return;
  }
  engine.cellsAcross = svc::round_float(engine.screenWidth / engine.resolution, 1);
  engine.cellsDown = svc::round_float(engine.screenHeight / engine.resolution, 1);
}
