// state.h -- the editor's one record: its settings and the little state it keeps while running
#pragma once
#include <cstdint>
#include <string>

// Everything the editor reads from its settings file plus the little state it keeps while running.
struct EditorSettings {
  std::string home_dir;          // Working directory at start-up, ending in the separator
  std::string settings_name;     // File name of the settings file, without a directory
  std::string window_title;      // Title of the editor window
  int32_t window_width = 0;      // Inner width in pixels
  int32_t window_height = 0;     // Inner height in pixels
  std::string dna_source;        // The DNA file read at start-up and written by the default pattern
  int32_t wait_timeout = 0;      // Milliseconds the event loop waits for an event; 0 polls
  std::string menu_file;         // The menu definition file
  int32_t max_entries = 1;       // Fields of the failsafe grid and lines of the default pattern
  std::string dialog_title;      // Title of both file dialogs, from the menu definition file
  std::string current_dna_path;  // Target of a plain save
  std::string kept_tail;         // Lines of the shown DNA text beyond the last entry field, CR LF ended, as read
  bool text_utf8 = true;         // The shown DNA text is UTF-8; false: Windows-1252 (decided per file at load)
  bool quit_requested = false;   // Set by a confirmed quit; ends the event loop
};

extern EditorSettings editor;  // The editor's settings, defined in settings.cpp
