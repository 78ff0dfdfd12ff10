// editor_saves.cpp -- drives dnaedit on the display-less platform through a fixed session of loads and
// saves, so that the files it writes can be compared between two builds
//
// Run in a copy of examples/dna. Each argument pair IN OUT loads IN with "Load DNA..." and writes it
// to OUT with "Save as..."; then the DNA source is loaded again and saved as default.txt, the default
// pattern is reset (every question answered Yes) and the editor quits. What the editor showed
// (boxes and requesters) goes to standard output.
#include <cstdio>
#include <string>

#include "services/headless.h"

int run_dnaedit();  // dnaedit's body (editor.h)

namespace hl = svc::headless;

// The ids the menu commands carry (editor_menu.h).
enum { SAVE_AS = 1, QUIT = 3, LOAD = 4, RESET = 7, LOAD_DEFAULT = 8 };

int main(int argc, char** argv) {
  hl::reset();
  hl::set_desktop(1920, 1080);
  for (int i = 1; i + 1 < argc; i += 2) {
    hl::queue_requester_result(argv[i]);
    hl::queue_menu_pick(LOAD);
    hl::queue_requester_result(argv[i + 1]);
    hl::queue_menu_pick(SAVE_AS);
  }
  hl::queue_menu_pick(LOAD_DEFAULT);
  hl::queue_requester_result("default.txt");
  hl::queue_menu_pick(SAVE_AS);
  hl::queue_menu_pick(RESET);  // An empty answer queue answers Yes
  hl::queue_menu_pick(QUIT);
  int code = hl::run_program(run_dnaedit);
  std::printf("exit %d\n", code);
  for (const auto& m : hl::messages())
    std::printf("box [%s] [%s] flags %d answer %d\n", m.title.c_str(), m.text.c_str(), m.flags, m.answer);
  for (const auto& r : hl::requesters())
    std::printf("requester %s [%s] [%s] [%s] -> [%s]\n", r.kind.c_str(), r.title.c_str(), r.default_path.c_str(),
                r.pattern.c_str(), r.result.c_str());
  return 0;
}
