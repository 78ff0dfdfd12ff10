// engine_cell_definitions_fuzz.cpp -- libFuzzer target: any bytes as a cell definition file. The input
// up to a line "--tile--" defines the map's grass cells, the rest the labyrinth floor tile; the
// first byte's low bit picks map or labyrinth mode.
#include "engine_world.h"
#include "fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (fuzz::enter_work_folder("engine_cell_definitions"), fuzz::write_engine_world(false), true);
  (void)ready;
  const std::string input = fuzz::text(data, size);
  const bool labyrinth = size > 0 && (data[0] & 1);
  fuzz::write_file("DATA/ini.txt", fuzz::engine_config(labyrinth));
  fuzz::write_file("codes/land/000160000", fuzz::before(input, "\n--tile--\n"));
  fuzz::write_file("codes/land/LAB_FLOOR", fuzz::after(input, "\n--tile--\n"));
  fuzz::run_engine_once();
  return 0;
}
