// colour_codes.h -- the empty colour-code files a colour-code map run leaves in its destination folder
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The codes already ensured within one scan: one bit per red, green, blue triple (2 MiB).
struct CodeFileMemory {
  std::vector<uint64_t> seen;
  long distinct = 0;  // Distinct codes seen by this scan
  long created = 0;   // Files created empty by this scan
  long failed = 0;    // Codes whose file could neither be found nor created
};

// Empties the memory before a scan.
void begin_code_files(CodeFileMemory& memory);

// Makes sure folder + code + suffix exists: an existing file is never opened for writing, a
// missing one is created empty (without truncating one that appears meanwhile). Each code is
// tried once per scan; a file that can't be created is skipped silently.
void ensure_code_file(CodeFileMemory& memory, const std::string& folder, const std::string& suffix, int red, int green,
                      int blue);
