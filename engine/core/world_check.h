// world_check.h -- what a world names that is not there: settings, maps, definitions, pictures, objects
#pragma once
#include <string>
#include <vector>

// One fault: its group (the heading it is listed under) and its line (what, where, what to do).
struct WorldFault {
  int group;
  std::string line;
};

// Checks the world of DATA\ini.txt in the current folder, building it as simengine's start-up would
// (without a window) when its settings and maps allow; the faults in group order, empty when clean.
std::vector<WorldFault> check_world();

// The same for the world start-up has just built (settings read, world loaded): everything but the
// settings file itself, without building again.
std::vector<WorldFault> check_built_world();

// Prints world_check_summary of check_built_world on standard error when something is missing.
void report_world_faults();

// The faults as worldcheck lists them: each group under its heading with its count.
std::string world_check_report(const std::vector<WorldFault>& faults);

// The one line simengine and worldshot print when something is missing; "" when nothing is.
std::string world_check_summary(const std::vector<WorldFault>& faults);

// worldcheck's body: prints the report; 0 when clean, 1 when something is missing.
int run_world_check();
