// commands.h -- the converter's menu (titles, items, identifiers) and what each item does
#pragma once
#include <string>
#include "state.h"

// Menu item identifiers, as the event loop dispatches on them.
enum MenuCommand {
  CMD_OPEN_PICTURE = 4,
  CMD_QUIT = 7,
  CMD_ABOUT = 10,
  CMD_SAVE_RGB_MAP = 11,
  CMD_SAVE_GREEN_MAP = 12,
  CMD_SAVE_RED_MAP = 13,
  CMD_SAVE_BLUE_MAP = 14,
  CMD_MAKE_AI_MAP = 15,
  CMD_MAKE_AI_DITHER_MAP = 16
};

enum { CONVERTER_MENU = 8 };  // The menu's object number

// Creates the menu bar on window 0; 0 on failure.
int create_converter_menu();

// Carries out one menu command (the caller checks that the converter is idle).
void run_menu_command(ConverterState& state, int command);

// Loads a picture: on success it replaces the current one; on failure everything stays as it was.
void load_picture(ConverterState& state, const std::string& path);
