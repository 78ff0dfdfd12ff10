// worlddump.cpp -- builds the world exactly as simengine's start-up would, without a window or
// wait, and writes it to standard output (see world_dump.h for the format)
//
// Usage: worlddump [--variant N]   (run in a folder that holds "DATA\ini.txt"; --help tells more)
#include <string>
#include <vector>

#include "core/world_dump.h"
#include "services/command_line.h"
#include "services/headless.h"
#include "tool_common.h"

namespace {

const char* const kUsage =
    "usage: worlddump [--variant N]\n"
    "       worlddump --help | --version\n"
    "\n"
    "Builds the world that DATA/ini.txt in the current folder describes, exactly as simengine's\n"
    "start-up would but without a window, and writes it to standard output: the extent, the\n"
    "cursor, then one line per cell (x, y, code, loaded, ground alpha, picture, last child slot,\n"
    "objects).\n"
    "\n"
    "options:\n"
    "  --variant N  labyrinth mode: the base of variant N, as Page Up and Page Down build it\n"
    "  --help       print this text and exit\n"
    "  --version    print the suite's version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  bool setVariant = false;
  int variant = 0;
  std::vector<svc::Argument> args;
  const std::string problem = svc::split_arguments(argc, argv, {"--variant"}, {}, args);
  if (!problem.empty()) return svc::usage_error("worlddump", problem, kUsage);
  for (const svc::Argument& a : args) {
    if (a.name.empty()) return svc::usage_error("worlddump", "unexpected argument " + a.value, kUsage);
    if (a.name != "--variant") return svc::standard_option(a.name, "worlddump", kUsage);
    if (!tools::parse_number(a.value, -999999999, 999999999, variant))
      return svc::usage_error("worlddump", "--variant: not a whole number: " + a.value, kUsage);
    setVariant = true;
  }
  svc::headless::record_drawing(false);  // the progress bars are drawn nowhere
  return svc::headless::run_program([&] { return run_world_dump(setVariant, variant); });
}
