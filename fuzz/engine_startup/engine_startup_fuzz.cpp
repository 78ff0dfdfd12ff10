// engine_startup_fuzz.cpp -- libFuzzer target: any bytes as the engine's configuration "DATA\\ini.txt",
// read by a whole simengine run (start-up, three frames, close): what a key reaches only through the
// steps after the reader (catalogue folders, map or labyrinth, the frame's settings).
#include "engine_world.h"
#include "fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (fuzz::enter_work_folder("engine_startup"), fuzz::write_engine_world(false), true);
  (void)ready;
  fuzz::write_file("DATA/ini.txt", fuzz::text(data, size));
  fuzz::run_engine_once();
  return 0;
}
