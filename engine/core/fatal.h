// fatal.h -- the fatal message routine and the run-time error report
#pragma once

// Shows the "ERROR " box of a numbered start-up failure and ends the program (exit code 0).
// Codes outside the table show nothing and return.
void fatal_message(int code);

// The fault handler installed at the end of start-up: writes the six-line error report.
int write_error_report();
