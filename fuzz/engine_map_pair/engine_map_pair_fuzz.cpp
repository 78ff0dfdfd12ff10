// engine_map_pair_fuzz.cpp -- libFuzzer target: any bytes as the engine's map pair. The input up to a
// line "--red--" is the colour-code map "land.qz61", the rest the red map "land.red" (missing when
// the line is absent).
#include "engine_world.h"
#include "fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (fuzz::enter_work_folder("engine_map_pair"), fuzz::write_engine_world(false), true);
  (void)ready;
  const std::string input = fuzz::text(data, size);
  bool has_red = false;
  const std::string red = fuzz::after(input, "\n--red--\n", &has_red);
  fuzz::write_file("maps/land.qz61", fuzz::before(input, "\n--red--\n"));
  if (has_red)
    fuzz::write_file("maps/land.red", red);
  else
    fuzz::remove_file("maps/land.red");
  fuzz::run_engine_once();
  return 0;
}
