// editor_menu.h -- the editor's menu commands and the questions asked before quitting and resetting
#pragma once
#include <string>

// Menu item identifiers; there is no 5.
enum MenuId {
  MENU_SAVE_AS = 1,
  MENU_SAVE = 2,
  MENU_QUIT = 3,
  MENU_LOAD = 4,
  MENU_LOAD_RGB = 6,
  MENU_RESET = 7,
  MENU_LOAD_DEFAULT = 8,
};

int menu_id_of(const std::string& keyword);  // The item id a menu definition keyword stands for; 0 for none
void handle_event(int event);  // Close request asks to quit; a menu pick runs its command; others do nothing
void handle_menu(int id);      // Runs the command of a menu id; unknown ids do nothing
void request_quit();           // Asks whether to quit; Yes sets quit_requested
void request_reset();          // Asks whether to reset the DNA source; Yes writes the default pattern
void load_with_dialog();       // Asks for a DNA file and loads it
void save_as();                // Asks for a target, remembers it and saves to it
