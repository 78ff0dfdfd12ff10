// editor_run.cpp -- the editor's folder for its fuzz targets, and one run of the editor
#include "editor_run.h"

#include <string>

#include "editor.h"
#include "editor_menu.h"
#include "fuzz_folder.h"
#include "services/headless.h"
#include "services/windows.h"

namespace fuzz {

void write_editor_files() {
  write_file("ini.qz61", lines({"window_w", "0.5", "window_h", "0.5", "window_name", "Editor", "qz61_source", "dna.txt",
                                "qz61_menu", "menu.txt", "ai_max_dna_gadgets", "64"}));
  write_file("menu.txt", lines({"#_MENUE_PROJECT", "Project", "#_MENUE_LOAD_QZ61", "Load", "#_MENUE_SAVE", "Save",
                                "#_MENUE_SAVE_AS", "Save as", "#_CREATE_INI_DNA_PATTERN", "Reset", "#_LOAD_DEFAULT_DNA",
                                "Default", "#_MENUE_QUIT", "Quit"}));
  std::string dna;
  for (int i = 1; i <= 12; i++) dna += lines({i % 2 ? "KEY" + std::to_string(i) : std::to_string(i * 7)});
  write_file("dna.txt", dna);
}

void run_editor_once(bool save) {
  svc::headless::reset();
  svc::headless::set_desktop(640, 480);
  svc::headless::record_drawing(false);
  if (save) svc::headless::queue_menu_pick(MENU_SAVE);
  svc::headless::queue_menu_pick(MENU_LOAD_DEFAULT);
  svc::headless::queue_event(svc::EVENT_CLOSE);
  svc::headless::run_program(run_dnaedit);
}

}  // namespace fuzz
