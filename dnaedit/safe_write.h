// safe_write.h -- replacing a file's whole content so that a failed write leaves the old file whole
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Makes `pieces`, written in order, the whole content of the file the path names (through symbolic
// links). The new content goes to a file beside the target, which is synced and renamed over it;
// where that route would fail or change the file (no new files allowed in the folder, a refused
// rename, more than one hard link, an owner or group that cannot be kept) the file is rewritten in
// place and cut after the new content. False when the content could not be stored: a missing
// folder, a read-only file, a folder, device or pipe, a symbolic-link loop, a full disk or a file
// size limit; the old content then stays whole, except after an I/O error during an in-place rewrite.
bool replace_file(const std::string& path, const std::vector<std::string_view>& pieces);
