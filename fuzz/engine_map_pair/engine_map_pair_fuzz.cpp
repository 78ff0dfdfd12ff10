// engine_map_pair_fuzz.cpp -- libFuzzer target: any bytes as the engine's map pair, loaded into a
// fresh 65 x 65 grid of an engine started once. The input up to a line "--red--" is the colour-code
// map "land.qz61", the rest the red map "land.red" (missing when the line is absent).
#include "engine_world.h"
#include "fuzz_folder.h"
#include "base/state.h"
#include "world/map_loading.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::start_engine_world("engine_map_pair", false);
  const std::string input = fuzz::text(data, size);
  bool has_red = false;
  const std::string red = fuzz::after(input, "\n--red--\n", &has_red);
  fuzz::write_file("maps/land.qz61", fuzz::before(input, "\n--red--\n"));
  if (has_red)
    fuzz::write_file("maps/land.red", red);
  else
    fuzz::remove_file("maps/land.red");
  fuzz::fresh_grid(32, 32);  // more cells than a 4,096-byte input can give entries for
  load_colour_code_map(engine.appEntry + engine.appStart + ".qz61");
  fuzz::end_input();
  return 0;
}
