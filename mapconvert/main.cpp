// main.cpp -- mapconvert's entry point: the standard options, then the converter body on the FLTK platform
#include "converter.h"
#include "services/command_line.h"

namespace {

const char* const kUsage =
    "usage: mapconvert [--help | --version]\n"
    "\n"
    "Opens a window that shows a picture (PNG, JPEG, TIFF or BMP) and scans it into map files\n"
    "from its menu: red, green, blue and RGB maps, and AI maps with one empty colour-code file\n"
    "per colour. Reads its settings from ini.ini in the current folder.\n"
    "\n"
    "options:\n"
    "  --help     print this text and exit\n"
    "  --version  print the suite's version and exit\n"
    "\n"
    "mapscan(1) runs the same scans without a window.\n";

}  // namespace

int main(int argc, char** argv) {
  const int code = svc::no_arguments_but_standard(argc, argv, "mapconvert", kUsage);
  if (code >= 0) return code;
  return run_mapconvert();
}
