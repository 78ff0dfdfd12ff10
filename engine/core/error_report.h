// error_report.h -- the run-time error report that a fault leaves in LOGPATH + LOGFILE
#pragma once

// The fault handler installed at the end of start-up: writes the six-line error report.
int write_error_report();
