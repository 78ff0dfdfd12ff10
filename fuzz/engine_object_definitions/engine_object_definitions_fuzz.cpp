// engine_object_definitions_fuzz.cpp -- libFuzzer target: any bytes as the object definition file
// "objects/tree.dll": the object catalogue of an engine started once is loaded again, and the object
// is placed on the cells of a fresh grid whose code names it twice
#include "engine_world.h"
#include "fuzz_folder.h"
#include "world/labyrinth.h"
#include "world/objects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::start_engine_world("engine_object_definitions", false);
  fuzz::write_file("objects/tree.dll", fuzz::text(data, size));
  fuzz::fresh_grid(2, 2);
  load_object_catalogue();
  for (int x = 0; x <= 2; x++) set_tile(x, x, "000160000");
  fuzz::end_input();
  return 0;
}
