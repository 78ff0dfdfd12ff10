// editor_run.cpp -- the editor's folder for its fuzz targets, and one run of the editor
#include "editor_run.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "dnaedit/dna_text.h"
#include "dnaedit/editor.h"
#include "dnaedit/editor_menu.h"
#include "fuzz_folder.h"
#include "services/headless.h"
#include "services/lifecycle.h"
#include "services/windows.h"

namespace fuzz {
namespace {

std::string dna_file() {
  std::string dna;
  for (int i = 1; i <= 12; i++) dna += lines({i % 2 ? "KEY" + std::to_string(i) : std::to_string(i * 7)});
  return dna;
}

void prepare_headless() {
  svc::headless::reset();
  svc::headless::set_desktop(640, 480);
  svc::headless::record_drawing(false);
}

}  // namespace

void write_editor_files() {
  write_file("ini.qz61", lines({"window_w", "0.5", "window_h", "0.5", "window_name", "Editor", "qz61_source", "dna.txt",
                                "qz61_menu", "menu.txt", "ai_max_dna_gadgets", "64"}));
  write_file("menu.txt", lines({"#_MENUE_PROJECT", "Project", "#_MENUE_LOAD_QZ61", "Load", "#_MENUE_SAVE", "Save",
                                "#_MENUE_SAVE_AS", "Save as", "#_CREATE_INI_DNA_PATTERN", "Reset", "#_LOAD_DEFAULT_DNA",
                                "Default", "#_MENUE_QUIT", "Quit"}));
  write_file("dna.txt", dna_file());
  // Refused by its size before a byte of it is read; on a file system with holes it takes no room.
  write_file("long.txt", "");
  std::error_code error;
  std::filesystem::resize_file("long.txt", MAX_DNA_FILE_BYTES + 1, error);
}

void run_editor_once(bool save, const std::string* typed) {
  prepare_headless();
  if (save) svc::headless::queue_menu_pick(MENU_SAVE);
  svc::headless::queue_menu_pick(MENU_LOAD_DEFAULT);
  svc::headless::queue_event(svc::EVENT_CLOSE);
  if (!typed) {
    svc::headless::run_program(run_dnaedit);
    return;
  }
  // run_dnaedit's steps, with the typing once the fields exist.
  svc::headless::run_program([typed] {
    start_editor();
    svc::headless::type_into_field(1, *typed);
    run_event_loop();
    svc::stop_services();
    return 0;
  });
}

void run_editor_menu_commands() {
  write_file("dna.txt", dna_file());
  prepare_headless();
  // run_dnaedit's steps, with the picks queued once the menu bar is built from the input.
  svc::headless::run_program([] {
    start_editor();
    static const char* const kOpened[] = {"dna.txt", "long.txt", "/dev/null", "missing.txt", ""};
    static const char* const kSaved[] = {"saved.txt", "", "missing/saved.txt"};
    int picks = 0, opened = 0, saved = 0;
    for (const svc::headless::MenuEntry& entry : svc::headless::menu_entries(0)) {
      if (entry.title) continue;
      if (++picks > 16) break;
      svc::headless::queue_menu_pick(entry.id);
      if (entry.id == MENU_LOAD || entry.id == MENU_LOAD_RGB)
        svc::headless::queue_requester_result(kOpened[opened++ % 5]);
      else if (entry.id == MENU_SAVE_AS)
        svc::headless::queue_requester_result(kSaved[saved++ % 3]);
    }
    svc::headless::queue_event(svc::EVENT_CLOSE);
    run_event_loop();
    svc::stop_services();
    return 0;
  });
}

}  // namespace fuzz
