// main.cpp -- simengine's entry point: the standard options, then the engine body on the SDL platform
#include "core/engine.h"
#include "services/command_line.h"

namespace {

const char* const kUsage =
    "usage: simengine [--help | --version]\n"
    "\n"
    "Opens a borderless window as large as the desktop and runs the world that DATA/ini.txt in the\n"
    "current folder describes: a map pair or a labyrinth. The arrow keys move the cursor, the mouse\n"
    "wheel zooms, Page Up and Page Down change the labyrinth variant, Escape quits.\n"
    "\n"
    "options:\n"
    "  --help     print this text and exit\n"
    "  --version  print the suite's version and exit\n"
    "\n"
    "See simengine(1) for the configuration keys.\n";

}  // namespace

int main(int argc, char** argv) {
  const int code = svc::no_arguments_but_standard(argc, argv, "simengine", kUsage);
  if (code >= 0) return code;
  return run_simengine();
}
