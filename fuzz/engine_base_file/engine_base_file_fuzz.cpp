// engine_base_file_fuzz.cpp -- libFuzzer target: any bytes as the labyrinth's base file, from which an
// engine started once in labyrinth mode builds its base again
#include "base/state.h"
#include "engine_world.h"
#include "fuzz_folder.h"
#include "world/labyrinth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::start_engine_world("engine_base_file", true);
  fuzz::write_file("base.txt", fuzz::text(data, size));
  build_base(engine.labyrinthBaseFile);
  return 0;
}
