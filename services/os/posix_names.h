// posix_names.h -- a path's parts found without regard to letter case on a system that keeps case
//
// Each folder met on a miss gets an index of its entries (exact names and folded names), kept until
// the folder's identity or change times differ from when it was read. Used by posix.cpp only.
#pragma once
#include <string>

namespace os::detail {

// `path` as the folders spell it, each part matched as os.h describes; "" when some part matches
// nothing. With `to_write` the last part may name nothing yet: the folders are found, and the last part
// is kept as given when no entry matches it.
std::string find_path(const std::string& path, bool to_write);

// A name this process has just made (at a path find_path gave): its folder's index takes it, so a
// run of new files does not read the folder again for each one.
void note_made(const std::string& path);

// The last part of a path (after the last "/").
std::string last_part(const std::string& path);

}  // namespace os::detail
