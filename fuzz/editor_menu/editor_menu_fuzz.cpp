// editor_menu_fuzz.cpp -- libFuzzer target: any bytes as the editor's menu definition file; the user
// then picks every command the menu bar offers
#include "editor_run.h"
#include "fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (fuzz::enter_work_folder("editor_menu"), fuzz::write_editor_files(), true);
  (void)ready;
  fuzz::write_file("menu.txt", fuzz::text(data, size));
  fuzz::run_editor_menu_commands();
  return 0;
}
