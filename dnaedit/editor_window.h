// editor_window.h -- the editor window: its grid of entry fields, the colour swatch and the menu bar
#pragma once
#include <string>

// Where the next entry field goes: field number, column and row.
struct GridLayout {
  int field = 1;
  int column = 0;
  int row = 1;
};

void open_main_window();     // Window 0, the grid, the menu bar; reports code 0 (ending the program) on failure
void build_start_grid();     // One field per line of the DNA source, or the failsafe grid when it is missing
void build_failsafe_grid();  // max_entries empty fields in the default font
void build_menu(const std::string& path);  // The menu bar from the menu definition file; code 0 when unreadable
