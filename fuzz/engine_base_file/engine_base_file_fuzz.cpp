// engine_base_file_fuzz.cpp -- libFuzzer target: any bytes as the labyrinth's base file, from which an
// engine started once in labyrinth mode builds its base again. The base is built at most 17 x 17
// cells: the header's reader and every size path (negative, zero, past the bound) run as they do for
// the 257 x 257 grid, and each input costs a few hundred cells instead of up to 66,049.
#include "base/state.h"
#include "engine_world.h"
#include "fuzz_folder.h"
#include "world/labyrinth.h"
#include "world/world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::start_engine_world("engine_base_file", true);
  set_largest_base(16);
  fuzz::write_file("base.txt", fuzz::text(data, size));
  build_base(engine.labyrinthBaseFile);
  reset_world();  // frees what the build made, in this input: see fuzz::end_input
  fuzz::forget_input_names();
  return 0;
}
