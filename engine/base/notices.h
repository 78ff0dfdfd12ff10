// notices.h -- the fatal message routine: the numbered start-up failures and their boxes
#pragma once
#include <string>

// Numbered start-up failures. The type is int-wide so any number read or passed in is a valid
// value that the routine can refuse (codes outside the table show nothing).
enum FatalCode : int {
  FATAL_NO_CONFIGURATION = 0,  // " Could not open " + configPath
  FATAL_NO_SCREEN = 1,         // " Could not open screen"
  FATAL_NO_WINDOW = 2,         // " Could not open window"
  FATAL_NO_MAP = 4,            // " Could not open topographic data"
  FATAL_NO_BASE = 5,           // " Could not open:" + the labyrinth base file
  FATAL_BAD_RESOLUTION = 6,    // RESOLUTION absent or not a positive number of pixels
};

// Shows the "ERROR " box of a numbered start-up failure, writes its text to standard error and
// ends the program through the shutdown path. Codes outside the table show nothing and return.
void fatal_message(FatalCode code);

// The box text of a code; "" for a code outside the table.
std::string fatal_text(FatalCode code);

// The exit code fatal_message ends the program with: 0 for simengine (the default), 1 for tools.
void set_fatal_exit_code(int exit_code);

// Whether fatal_message shows its box (the default) or only writes its text to standard error:
// benchmarks run unattended and must never wait for a click.
void set_fatal_box(bool shown);
