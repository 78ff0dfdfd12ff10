// colour_codes.cpp -- ensuring one empty colour-code file per distinct code of a colour-code map
#include "colour_codes.h"

#include "formats/map_format.h"
#include "services/files.h"

void begin_code_files(CodeFileMemory& memory) {
  memory.seen.assign((1u << 24) / 64, 0);
  memory.distinct = 0;
  memory.created = 0;
  memory.failed = 0;
}

void ensure_code_file(CodeFileMemory& memory, const std::string& folder, const std::string& suffix, int red, int green,
                      int blue) {
  const uint32_t index = (uint32_t(red & 255) << 16) | (uint32_t(green & 255) << 8) | uint32_t(blue & 255);
  uint64_t& word = memory.seen[index >> 6];
  const uint64_t bit = uint64_t(1) << (index & 63);
  if (word & bit) return;
  word |= bit;
  ++memory.distinct;

  const std::string name = colour_code_file_name(folder, colour_code(red, green, blue), suffix);
  // An exclusive create leaves any existing file (or one made meanwhile) untouched.
  if (svc::create_empty_file(name)) {
    ++memory.created;
  } else if (svc::file_size(name) < 0) {
    ++memory.failed;  // neither there nor creatable (or a folder of that name)
  }
}
