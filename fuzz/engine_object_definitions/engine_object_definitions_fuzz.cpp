// engine_object_definitions_fuzz.cpp -- libFuzzer target: any bytes as an object definition file
// "objects/tree.dll" (the object every grass cell places twice)
#include "engine_world.h"
#include "fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready =
      (fuzz::enter_work_folder("engine_object_definitions"), fuzz::write_engine_world(false), true);
  (void)ready;
  fuzz::write_file("objects/tree.dll", fuzz::text(data, size));
  fuzz::run_engine_once();
  return 0;
}
