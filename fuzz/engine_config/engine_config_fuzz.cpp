// engine_config_fuzz.cpp -- libFuzzer target: any bytes as the engine's configuration "DATA\\ini.txt",
// read into the state of an engine started once; the state is put back after each input
#include "core/settings.h"
#include "base/state.h"
#include "engine_world.h"
#include "fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::start_engine_world("engine_config", false);
  fuzz::write_file("DATA/ini.txt", fuzz::text(data, size));
  const EngineState started = engine;
  read_configuration(engine.configPath);
  engine = started;
  return 0;
}
