// editor_run.h -- the editor's folder for its fuzz targets, and one run of the editor
#pragma once

namespace fuzz {

// "ini.qz61" naming "dna.txt" and "menu.txt", the menu definition file and a 12-line DNA file.
void write_editor_files();

// dnaedit's body on the headless platform: start-up, save, load the default file again, quit.
void run_editor_once();

}  // namespace fuzz
