// editor_settings_fuzz.cpp -- libFuzzer target: any bytes as the editor's settings file "ini.qz61"
#include "editor_run.h"
#include "fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (fuzz::enter_work_folder("editor_settings"), fuzz::write_editor_files(), true);
  (void)ready;
  fuzz::write_file("ini.qz61", fuzz::text(data, size));
  fuzz::run_editor_once(false);
  return 0;
}
