// editor_folder.h -- a temporary working folder with the editor's files, on the headless platform
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "editor.h"
#include "services/headless.h"
#include "support/files.h"
#include "support/temp_folder.h"

// Each test runs in a fresh folder that is the current directory; the desktop is 1000 x 1200.
class EditorFolder : public ::testing::Test {
 protected:
  std::string dir;  // the folder, without a final "/"

  void SetUp() override {
    ASSERT_TRUE(support::enter_temp_folder(folder_, "dnaedit_test_"));
    dir = folder_.dir.substr(0, folder_.dir.size() - 1);
    svc::headless::reset();
    svc::headless::set_desktop(1000, 1200);
  }

  void TearDown() override {
    svc::headless::reset();
    support::leave_temp_folder(folder_);
  }

  static void write_file(const std::string& name, const std::string& bytes) { support::write_file(name, bytes); }

  static std::string read_file(const std::string& name) { return support::read_file(name); }

  // The items as lines, each ending in `end`.
  static std::string lines(const std::vector<std::string>& items, const std::string& end = "\n") {
    return support::join_lines(items, end);
  }

  // Settings for a window window_h of the desktop high, titled Editor, with dna.txt and menu.txt;
  // the menu file; and a DNA source of `source_lines` lines "line1", "line2", ...
  static void write_editor_files(const std::string& window_h, int source_lines, const std::string& extra = "") {
    write_file("ini.qz61", lines({"window_w", "0.5", "window_h", window_h, "window_name", "Editor", "qz61_source",
                                  "dna.txt", "qz61_menu", "menu.txt"}) +
                               extra);
    write_file("menu.txt", lines({"#_MENUE_PROJECT", "Project", "#_MENUE_LOAD_QZ61", "Load", "#_MENUE_SAVE", "Save",
                                  "#_MENUE_SAVE_AS", "Save as", "#_CREATE_INI_DNA_PATTERN", "Reset", "#_MENUE_QUIT",
                                  "Quit", "_open_file_title$", "Pick a DNA file"}));
    if (source_lines > 0) write_numbered("dna.txt", source_lines);
  }

  static void write_numbered(const std::string& name, int n) {
    std::vector<std::string> items;
    for (int i = 1; i <= n; ++i) items.push_back("line" + std::to_string(i));
    write_file(name, lines(items));
  }

  // Starts the editor and runs the checks while its window and fields exist.
  static int with_editor(const std::function<void()>& checks) {
    return svc::headless::run_program([&] {
      start_editor();
      checks();
      return 0;
    });
  }

  // The whole program with the queued events; the quit question is answered Yes by default.
  static int run_editor() { return svc::headless::run_program(run_dnaedit); }

 private:
  support::WorkFolder folder_;
};
