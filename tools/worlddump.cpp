// worlddump.cpp -- builds the world exactly as simengine's start-up would, without a window or
// wait, and writes it to standard output (see world_dump.h for the format)
//
// Usage: worlddump [--variant N]   (run in a folder that holds "DATA\ini.txt")
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/world_dump.h"
#include "services/headless.h"
#include "services/text.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: worlddump [--variant N]\n");
  return 2;
}

// A whole decimal number, optionally signed; false for anything else.
bool parse_int(const char* text, int& out) {
  const char* p = text;
  if (*p == '-' || *p == '+') p++;
  if (!*p || std::strspn(p, "0123456789") != std::strlen(p) || std::strlen(p) > 9) return false;
  out = svc::string_to_int(text);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool setVariant = false;
  int variant = 0;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "--variant") == 0 && i + 1 < argc) {
      if (!parse_int(argv[++i], variant)) return usage();
      setVariant = true;
    } else {
      return usage();
    }
  }
  svc::headless::record_drawing(false);  // the progress bars are drawn nowhere
  return svc::headless::run_program([&] { return run_world_dump(setVariant, variant); });
}
