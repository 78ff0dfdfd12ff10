// editor_dna_fuzz.cpp -- libFuzzer target: any bytes as a DNA file, loaded, saved and loaded again.
// The input after a line "--typed--" is typed into the first entry field before the save, so the
// save encodes typed text in the loaded file's encoding (UTF-8, or Windows-1252 that may not hold it).
#include "editor_run.h"
#include "fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (fuzz::enter_work_folder("editor_dna"), fuzz::write_editor_files(), true);
  (void)ready;
  const std::string input = fuzz::text(data, size);
  bool typing = false;
  const std::string typed = fuzz::after(input, "\n--typed--\n", &typing);
  fuzz::write_file("dna.txt", fuzz::before(input, "\n--typed--\n"));
  fuzz::run_editor_once(true, typing ? &typed : nullptr);
  return 0;
}
