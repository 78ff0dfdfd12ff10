// engine_base_file_fuzz.cpp -- libFuzzer target: any bytes as the labyrinth's base file
#include "engine_world.h"
#include "fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (fuzz::enter_work_folder("engine_base_file"), fuzz::write_engine_world(true), true);
  (void)ready;
  fuzz::write_file("base.txt", fuzz::text(data, size));
  fuzz::run_engine_once();
  return 0;
}
