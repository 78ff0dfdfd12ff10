// editor_menu.cpp -- carries out the editor's menu commands and window events
#include "editor_menu.h"

#include "dna_file.h"
#include "settings.h"
#include "services/menus.h"
#include "services/messages.h"
#include "services/requesters.h"
#include "services/windows.h"

int menu_id_of(const std::string& keyword) {
  if (keyword == "#_MENUE_SAVE_AS") return MENU_SAVE_AS;
  if (keyword == "#_MENUE_SAVE") return MENU_SAVE;
  if (keyword == "#_MENUE_QUIT") return MENU_QUIT;
  if (keyword == "#_MENUE_LOAD_QZ61") return MENU_LOAD;
  if (keyword == "#_GET_RGB_DNA") return MENU_LOAD_RGB;
  if (keyword == "#_CREATE_INI_DNA_PATTERN") return MENU_RESET;
  if (keyword == "#_LOAD_DEFAULT_DNA") return MENU_LOAD_DEFAULT;
  return 0;
}

void handle_event(int event) {
  if (event == svc::EVENT_CLOSE) {
    request_quit();  // The window stays open unless the user confirms
  } else if (event == svc::EVENT_MENU) {
    handle_menu(svc::event_menu());
  }
}

void handle_menu(int id) {
  switch (id) {
    case MENU_SAVE_AS: save_as(); break;
    case MENU_SAVE: save_dna_file(editor.current_dna_path); break;
    case MENU_QUIT: request_quit(); break;
    case MENU_LOAD:
    case MENU_LOAD_RGB: load_with_dialog(); break;
    case MENU_RESET: request_reset(); break;
    case MENU_LOAD_DEFAULT: load_dna_file(editor.dna_source); break;
    default: break;
  }
}

void request_quit() {
  int answer = svc::message_requester("                 QZ61 QUESTION:               ",
                                      " DO YOU WANT TO QUIT?\n ALL UNSAVED DATA WILL BE LOST", svc::MESSAGE_YES_NO);
  if (answer == svc::ANSWER_YES) editor.quit_requested = true;
}

void request_reset() {
  // The name is quoted with a grave accent and the Windows-1252 acute accent (byte 0xB4).
  int answer = svc::message_requester("QZ61 Internal Request:",
                                      "Confirm If You Want To Reset `qz61.qz61\xB4"
                                      " DNA Data:",
                                      svc::MESSAGE_YES_NO_CANCEL);
  if (answer == svc::ANSWER_YES) write_default_pattern();
}

void load_with_dialog() {
  std::string path = svc::open_file_requester(editor.dialog_title, "", "*", 0);
  load_dna_file(path);
}

void save_as() {
  // The chosen target is remembered even when the dialog was cancelled; the save then fails visibly.
  editor.current_dna_path = svc::save_file_requester(editor.dialog_title, "", "*", 0);
  save_dna_file(editor.current_dna_path);
}
