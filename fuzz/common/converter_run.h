// converter_run.h -- the converter's folder for its fuzz targets, and one run of the converter
#pragma once

namespace fuzz {

// "ini.ini" naming "settings.txt", the settings file (a 96 x 64 window) and a 6 x 4 picture "pic.bmp".
void write_converter_files();

// mapconvert's body on the headless platform: start-up, open "pic.bmp", save its red map "out", close.
void run_converter_once();

}  // namespace fuzz
