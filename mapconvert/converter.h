// converter.h -- mapconvert's body
#pragma once

struct ConverterState;

int run_mapconvert();  // Start-up, event loop until QUIT or the window's close, end; returns 0

// Start-up: settings files, window, screen and menu, each step with its failure check.
void start_converter(ConverterState& state);

// The event loop: one event per pass (9 ms wait), menu commands when idle, then the frame.
void run_event_loop(ConverterState& state);
