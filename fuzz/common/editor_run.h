// editor_run.h -- the editor's folder for its fuzz targets, and one run of the editor
#pragma once

namespace fuzz {

// "ini.qz61" naming "dna.txt" and "menu.txt", the menu definition file and a 12-line DNA file.
void write_editor_files();

// dnaedit's body on the headless platform: start-up, save (when `save`), load the default file
// again, quit. A target whose input is the settings file does not save: the file it names could
// lie anywhere.
void run_editor_once(bool save);

}  // namespace fuzz
