// worldcheck.cpp -- lists what a world names that is not there, grouped and counted
//
// Usage: worldcheck [FOLDER]   (the world of FOLDER/DATA/ini.txt, the current folder when left out)
#include <string>
#include <vector>

#include "core/world_check.h"
#include "os.h"
#include "services/command_line.h"
#include "services/headless.h"
#include "tool_common.h"

namespace {

const char* const kUsage =
    "usage: worldcheck [FOLDER]\n"
    "       worldcheck --help | --version\n"
    "\n"
    "Reads the world that FOLDER/DATA/ini.txt describes (FOLDER: the current folder when left out)\n"
    "as simengine would and lists what it names that is not there, grouped and counted: settings,\n"
    "maps, definition files, ground pictures, objects, .dll files, definitions no cell uses, the load\n"
    "screen and base file, names that match only in other letter case, and names found only by\n"
    "ignoring letter case. Each line says what, where and what to do.\n"
    "\n"
    "Exit status: 0 when nothing is missing, 1 when something is, 2 on a wrong argument.\n"
    "\n"
    "options:\n"
    "  --help       print this text and exit\n"
    "  --version    print the suite's version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<svc::Argument> args;
  const std::string problem = svc::split_arguments(argc, argv, {}, {}, args);
  if (!problem.empty()) return svc::usage_error("worldcheck", problem, kUsage);
  std::string folder;
  for (const svc::Argument& a : args) {
    if (!a.name.empty()) return svc::standard_option(a.name, "worldcheck", kUsage);
    if (!folder.empty()) return svc::usage_error("worldcheck", "more than one folder: " + a.value, kUsage);
    folder = a.value;
  }
  if (!folder.empty()) {
    os::Info info;
    if (!os::path_info(folder, info, true) || info.kind != os::Kind::FOLDER)
      return svc::usage_error("worldcheck", folder + ": not a folder", kUsage);
    if (!os::change_folder(folder)) return svc::usage_error("worldcheck", folder + ": cannot enter it", kUsage);
  }
  svc::headless::record_drawing(false);
  return svc::headless::run_program([] { return run_world_check(); });
}
