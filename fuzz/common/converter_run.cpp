// converter_run.cpp -- the converter's folder for its fuzz targets, and one run of the converter
#include "converter_run.h"

#include <cstdint>
#include <string>

#include "fuzz_folder.h"
#include "mapconvert/commands.h"
#include "mapconvert/converter.h"
#include "services/headless.h"
#include "services/windows.h"
#include "support/bmp.h"

namespace fuzz {
namespace {

// A 6 x 4 picture with a few colours: one channel of each pixel set, rising to the right and the top.
std::string picture() {
  const int height = 4;
  return support::bmp_bytes(6, height, [](int x, int y) {
    const int level = 40 * (x + height - 1 - y);
    const int channel = x % 3;  // blue, green, red in turn
    return support::Rgb{channel == 2 ? level : 0, channel == 1 ? level : 0, channel == 0 ? level : 0};
  });
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
