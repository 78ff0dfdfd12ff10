// converter_settings_fuzz.cpp -- libFuzzer target: any bytes as the converter's settings file
#include "fuzz_folder.h"
#include "converter_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (fuzz::enter_work_folder("converter_settings"), fuzz::write_converter_files(), true);
  (void)ready;
  fuzz::write_file("settings.txt", fuzz::text(data, size));
  fuzz::run_converter_once();
  return 0;
}
