// notices.cpp -- the fatal message routine: a numbered start-up failure becomes an "ERROR " box
//
// The box is also written to standard error, so a user who started the engine from a terminal
// sees why it stopped. Paths in the texts are shown as the operating system spells them.
#include "base/notices.h"

#include <cstdio>

#include "base/state.h"
#include "services/lifecycle.h"
#include "services/messages.h"
#include "services/paths.h"

namespace {
int fatalExitCode = 0;
bool fatalBoxShown = true;
}  // namespace

void set_fatal_exit_code(int exit_code) { fatalExitCode = exit_code; }

void set_fatal_box(bool shown) { fatalBoxShown = shown; }

std::string fatal_text(FatalCode code) {
  switch (code) {
    case FATAL_NO_CONFIGURATION: return " Could not open " + svc::shown_path(svc::system_path(engine.configPath));
    case FATAL_NO_SCREEN: return " Could not open screen";
    case FATAL_NO_WINDOW: return " Could not open window";
    case FATAL_NO_MAP: return " Could not open topographic data";
    case FATAL_NO_BASE: return " Could not open:" + svc::shown_path(svc::system_path(engine.labyrinthBaseFile));
    case FATAL_BAD_RESOLUTION:
      return " RESOLUTION in " + svc::system_path(engine.configPath) + " must be a positive number of pixels";
    default: return "";
  }
}

void fatal_message(FatalCode code) {
  std::string text = fatal_text(code);
  if (text.empty()) return;
  std::fprintf(stderr, "ERROR %s\n", text.c_str());
  std::fflush(stderr);
  if (fatalBoxShown) svc::message_requester("ERROR ", text, svc::MESSAGE_OK);
  svc::end_program(fatalExitCode);
}
