// engine_cell_definitions_fuzz.cpp -- libFuzzer target: any bytes as cell definition files, applied to
// the cells of a fresh grid as a map load or a labyrinth build applies them. The input up to a line
// "--tile--" defines the map's grass code, the rest the labyrinth floor tile; one cell takes both in
// turn, as a cell redefined by a later build does.
#include "engine_world.h"
#include "fuzz_folder.h"
#include "world/labyrinth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::start_engine_world("engine_cell_definitions", false);
  const std::string input = fuzz::text(data, size);
  fuzz::write_file("codes/land/000160000", fuzz::before(input, "\n--tile--\n"));
  fuzz::write_file("codes/land/LAB_FLOOR", fuzz::after(input, "\n--tile--\n"));
  fuzz::fresh_grid(2, 2);
  set_tile(0, 0, "000160000");
  set_tile(1, 0, "LAB_FLOOR");
  set_tile(1, 1, "000160000");
  set_tile(1, 1, "LAB_FLOOR");
  fuzz::end_input();
  return 0;
}
