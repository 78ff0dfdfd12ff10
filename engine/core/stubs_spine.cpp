// stubs_spine.cpp -- empty stand-ins for the fatal routine and error report while they are written
#include "core/fatal.h"

void fatal_message(int) {}
int write_error_report() { return 0; }
