// editor_run.h -- the editor's folder for its fuzz targets, and one run of the editor
#pragma once
#include <string>

namespace fuzz {

// "ini.qz61" naming "dna.txt" and "menu.txt", the menu definition file, a 12-line DNA file, and
// "long.txt", a file (without data on disk) one byte longer than the editor loads.
void write_editor_files();

// dnaedit's body on the headless platform: start-up, save (when `save`), load the default file
// again, quit. A target whose input is the settings file does not save: the file it names could
// lie anywhere. When `typed` is given, it replaces the text of the first entry field once the
// window is open, as a user's typing does.
void run_editor_once(bool save, const std::string* typed = nullptr);

// dnaedit's body with the user picking every command the menu bar offers, in menu order (at most
// 16), then closing the window. The DNA file is written anew first (Reset writes over it). Every
// question is answered Yes (a Quit ends the run there); the open requesters answer in turn "dna.txt",
// "long.txt", "/dev/null", "missing.txt" and "" (cancelled), the save requesters "saved.txt", "" and
// "missing/saved.txt".
void run_editor_menu_commands();

}  // namespace fuzz
