// error_report.cpp -- the fault handler: a six-line report of a run-time fault in LOGPATH + LOGFILE
//
// Each fault replaces the whole report: it is written beside the file and takes its name once
// complete, so a shorter report never leaves the tail of an older one behind, and a full disk leaves
// the older report whole instead of half a new one.
#include "core/error_report.h"

#include "base/state.h"
#include "services/clock.h"
#include "services/faults.h"
#include "services/files.h"
#include "services/text.h"

int write_error_report() {
  int file = svc::create_replacement(-1, engine.logPath + engine.logFile);
  if (!file) return 0;  // no name, or a folder: nothing is written
  svc::write_line(file, "ENGINE REPORT: ERROR:");
  svc::write_line(file, svc::error_message());
  svc::write_line(file, "LINE:" + svc::int_to_string(svc::error_line()));
  svc::write_line(file, "MODULE:" + svc::error_module());
  svc::write_line(file, " ");
  svc::write_line(file, "DATESTAMP:" + svc::format_date("%yyyy-,%mm-,%dd", svc::now()));
  svc::close_file(file);
  return 0;
}
