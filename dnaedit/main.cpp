// main.cpp -- dnaedit's entry point: the standard options, then the editor body on the FLTK platform
#include "editor.h"
#include "services/command_line.h"

namespace {

const char* const kUsage =
    "usage: dnaedit [--help | --version]\n"
    "\n"
    "Opens a window that edits DNA files (keyword and value lines) in a grid of entry fields,\n"
    "with a menu bar read from a text file. Reads its settings from ini.qz61 in the current\n"
    "folder and writes its start log qz61_log.txt there.\n"
    "\n"
    "options:\n"
    "  --help     print this text and exit\n"
    "  --version  print the suite's version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  const int code = svc::no_arguments_but_standard(argc, argv, "dnaedit", kUsage);
  if (code >= 0) return code;
  return run_dnaedit();
}
