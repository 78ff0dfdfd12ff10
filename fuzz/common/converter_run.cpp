// converter_run.cpp -- the converter's folder for its fuzz targets, and one run of the converter
#include "converter_run.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_folder.h"
#include "mapconvert/commands.h"
#include "mapconvert/converter.h"
#include "services/headless.h"
#include "services/windows.h"
#include "support/bmp.h"

namespace fuzz {
namespace {

const int kWidth = 6, kHeight = 4;

// A 6 x 4 picture with a few colours: one channel of each pixel set, rising to the right and the top
// (40 * (x + 3 - y) modulo 256, y counted from the top), so red is set in the columns x = 2 and 5.
int level(int x, int y) { return 40 * (x + kHeight - 1 - y) % 256; }

std::string picture() {
  return support::bmp_bytes(kWidth, kHeight, [](int x, int y) {
    const int channel = x % 3;  // blue, green, red in turn
    return support::Rgb{channel == 2 ? level(x, y) : 0, channel == 1 ? level(x, y) : 0, channel == 0 ? level(x, y) : 0};
  });
}

// The red map of that picture: the header, then 7 x 5 entries column by column, the extra column and
// row showing the black screen around the picture.
std::string expected_red_map() {
  std::string map = lines({"RED-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel", std::to_string(kWidth),
                           std::to_string(kHeight), "SourceImage:pic.bmp", "RED-DATA:"});
  for (int x = 0; x <= kWidth; x++)
    for (int y = 0; y <= kHeight; y++)
      map += lines({std::to_string(x < kWidth && y < kHeight && x % 3 == 2 ? level(x, y) : 0)});
  return map;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

void write_converter_files() {
  write_file("ini.ini", lines({"settings file", "settings.txt"}));
  write_file("settings.txt", lines({"WINDOWWIDTH", "96", "WINDOWHEIGHT", "64", "TITLE", "fuzz", "CODEC", ".txt"}));
  write_file("pic.bmp", picture());
}

void run_converter_once() {
  // The map of the last input goes first: every input makes its own, and an input whose settings
  // path names it reads no file left by another input.
  remove_file("out.red");
  svc::headless::reset();
  // The smallest desktop that shows the picture with its extra column and row: the window and its
  // screen take the desktop's size, and filling that screen every frame cost the most of a run.
  svc::headless::set_desktop(kWidth + 2, kHeight + 2);
  svc::headless::record_drawing(false);
  svc::headless::queue_menu_pick(CMD_OPEN_PICTURE);
  svc::headless::queue_requester_result("pic.bmp");
  svc::headless::queue_menu_pick(CMD_SAVE_RED_MAP);
  svc::headless::queue_requester_result("out");
  svc::headless::queue_event(svc::EVENT_CLOSE);
  svc::headless::run_program(run_mapconvert);
  // Whatever the settings say, the converter scans the picture it opened into its map.
  static const std::string expected = expected_red_map();
  if (read_file("out.red") != expected) {
    std::fprintf(stderr, "fuzz: out.red is not the red map of pic.bmp\n");
    std::abort();
  }
}

}  // namespace fuzz
