// editor_soak_test.cpp -- dnaedit left open while a user loads, edits and saves a thousand times,
// with its resident memory settling after the first tenth
#include <gtest/gtest.h>

#include <string>

#include "editor.h"
#include "editor_menu.h"
#include "services/headless.h"
#include "services/windows.h"
#include "support/soak_memory.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace {

TEST(EditorSoak, AThousandLoadEditSaveCyclesDoNotGrow) {
  support::WorkFolder folder;
  ASSERT_TRUE(support::enter_temp_folder(folder, "editor_soak_"));
  namespace hl = svc::headless;
  hl::reset();
  hl::set_desktop(1000, 1200);
  support::write_file("ini.qz61", support::join_lines({"window_w", "0.5", "window_h", "0.5", "window_name", "Editor",
                                                       "qz61_source", "dna.txt", "qz61_menu", "menu.txt"}));
  support::write_file("menu.txt", support::join_lines({"#_MENUE_SAVE", "Save", "#_LOAD_DEFAULT_DNA", "Default"}));
  // More lines than the grid shows: those beyond it are kept and written back by every save.
  std::vector<std::string> dna;
  for (int i = 1; i <= 3000; i++) dna.push_back(i % 2 ? "KEY" + std::to_string(i) : "value" + std::to_string(i));
  support::write_file("dna.txt", support::join_lines(dna));

  const long cycles = 1000;
  ResidentTrace trace("editor load-edit-save cycles", cycles);
  hl::run_program([&]() -> int {
    start_editor();
    for (long n = 1; n <= cycles; n++) {
      hl::queue_menu_pick(MENU_LOAD_DEFAULT);
      handle_event(svc::wait_window_event(0));
      hl::type_into_field(2, "edit" + std::to_string(100000 + n));
      hl::queue_menu_pick(MENU_SAVE);
      handle_event(svc::wait_window_event(0));
      // Each load and save says so in a notice; the record of them is the test's, not the editor's.
      EXPECT_EQ(hl::messages().size(), 2u) << n;
      if (!hl::messages().empty() && n == cycles) {
        EXPECT_EQ(hl::messages().back().text, "dna.txt\nCreated");
      }
      hl::clear_messages();
      trace.after(n);
    }
    return 0;
  });
  trace.check();
  // The last save holds the last edit and every line beyond the grid.
  const std::vector<std::string> saved = support::split_lines(support::read_file("dna.txt"));
  ASSERT_EQ(saved.size(), dna.size());
  EXPECT_EQ(saved[1], "edit" + std::to_string(100000 + cycles));
  EXPECT_EQ(saved.back(), dna.back());
  support::leave_temp_folder(folder);
}

}  // namespace
