// converter_run.cpp -- the converter's folder for its fuzz targets, and one run of the converter
#include "converter_run.h"

#include <cstdint>
#include <string>

#include "commands.h"
#include "converter.h"
#include "fuzz_folder.h"
#include "services/headless.h"
#include "services/windows.h"

namespace fuzz {
namespace {

// A 6 x 4 24-bit BMP with a few colours.
std::string picture() {
  const int width = 6, height = 4, row = 20;
  std::string out(54 + row * height, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) out[at + i] = char(v >> (8 * i));
  };
  out[0] = 'B', out[1] = 'M';
  put32(2, uint32_t(out.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  out[26] = 1, out[28] = 24;
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) out[54 + y * row + x * 3 + (x % 3)] = char(40 * (x + y));
  return out;
}

}  // namespace

void write_converter_files() {
  write_file("ini.ini", lines({"settings file", "settings.txt"}));
  write_file("settings.txt", lines({"WINDOWWIDTH", "96", "WINDOWHEIGHT", "64", "TITLE", "fuzz", "CODEC", ".txt"}));
  write_file("pic.bmp", picture());
}

void run_converter_once() {
  svc::headless::reset();
  svc::headless::set_desktop(320, 240);
  svc::headless::record_drawing(false);
  svc::headless::queue_menu_pick(CMD_OPEN_PICTURE);
  svc::headless::queue_requester_result("pic.bmp");
  svc::headless::queue_menu_pick(CMD_SAVE_RED_MAP);
  svc::headless::queue_requester_result("out");
  svc::headless::queue_event(svc::EVENT_CLOSE);
  svc::headless::run_program(run_mapconvert);
}

}  // namespace fuzz
