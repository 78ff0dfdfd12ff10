// state.h -- mapconvert's one program-wide record: settings, picture, last choices, mode
#pragma once
#include <string>

// The converter's mode: menu commands run only when idle; a scan is busy; QUIT ends the loop.
enum ConverterMode { MODE_BUSY = 0, MODE_QUIT = 6, MODE_IDLE = 9 };

struct ConverterState {
  std::string base_path;     // Working directory at start, ending in the separator
  std::string title_suffix;  // TITLE: appended to the window title
  std::string codec;         // CODEC: suffix of every colour-code file name, used unchanged
  int window_width = 0;      // WINDOWWIDTH: read, without effect on the window
  int window_height = 0;     // WINDOWHEIGHT: read, without effect on the window

  std::string source_path;  // The path last chosen in the open requester
  int picture = 0;          // Sprite number of the loaded picture; 0 while none
  int picture_width = 0;    // Pixels; 0 while no picture is loaded
  int picture_height = 0;
  bool picture_loaded = false;

  std::string last_map_path;       // Default of every map save requester; "" after a cancel
  std::string destination_folder;  // Folder of the colour-code files of the last AI request
  bool make_code_files = true;     // False: an AI scan writes its map only (worldmake writes full definitions)
  int ai_colours = 0;              // Full colour-code maps: 0 keeps every colour, N reduces to at most N (2..4096)
  int mode = MODE_IDLE;
};

extern ConverterState converter_state;  // Defined in converter.cpp; reset at every start
