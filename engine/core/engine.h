// engine.h -- simengine's body, split so that tools can run the same start-up without a window
#pragma once
#include <cstdint>

int run_simengine();  // Start-up, main loop, shutdown; always 0

// Start-up from the services to the fault handler. Without a window, steps that need one are
// skipped (window, screen, the load screen's picture and wait) but every file is read and every
// random draw is made in the same order. Returns only when the engine is ready to run.
void engine_startup(bool with_window);

void rebuild_if_variant_changed();  // Main loop step 1: a labyrinth rebuild after a variant change
// Builds the labyrinth of `variant` as Page Up and Page Down reach it: also for variant 0, whose
// base differs from the start-up one (seeded otherwise). Sets the variant only outside labyrinth mode.
void build_variant(int32_t variant);
void run_main_loop();               // One event and one frame per pass, until the close event
void engine_shutdown();             // Stops the services
