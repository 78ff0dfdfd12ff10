// safe_write.h -- replacing a file's whole content so that a failed write leaves the old file whole
#pragma once
#include <string>

// One replacement in progress: lines go to `file`, which is a new file beside the target
// (renamed over it at the end) or, where the folder allows no new files, the target itself.
struct SafeWrite {
  int file = 0;        // The open file to write lines to
  std::string target;  // The file being replaced (symbolic links resolved)
  std::string temp;    // The new file beside the target; empty when writing in place
};

bool begin_safe_write(SafeWrite& w, const std::string& path);  // false when the target cannot be written
// Closes and, when every line was written, puts the new content in place; false when anything failed.
bool finish_safe_write(SafeWrite& w, bool lines_written);
