// notices.h -- the editor's eight numbered message boxes
#pragma once
#include <string>

// Message codes; the text passed to report() completes codes 3 to 8.
enum ReportCode {
  REPORT_NO_WINDOW = 0,       // Window, field list, menu bar or menu file failed; ends the program
  REPORT_NO_SETTINGS = 1,     // The settings file cannot be read; ends the program
  REPORT_NO_DNA_SOURCE = 2,   // The DNA source is missing or empty; a failsafe grid follows
  REPORT_SAVE_FAILED = 3,     // Save or save-as could not write its file
  REPORT_PATTERN_FAILED = 4,  // The default pattern could not be written
  REPORT_PATTERN_WRITTEN = 5,
  REPORT_SAVED = 6,
  REPORT_LOADED = 7,
  REPORT_LOAD_FAILED = 8,  // A DNA file that exists could not be loaded (not a regular file, too long)
};

void report(int code,
            const std::string& text);  // Shows the box; codes 0 and 1 then end the program; others show nothing
