// directories.h -- scans of a folder's entries by pattern, in name order
#pragma once
#include <string>

namespace svc {

// Directory scans, sorted by name without regard to letter case; patterns match without regard to case.
int examine_directory(int scan, const std::string& directory, const std::string& pattern = "*.*");
int next_directory_entry(int scan);          // Advances; non-zero while an entry is available
int directory_entry_type(int scan);          // 1 for a file, 2 for a directory
std::string directory_entry_name(int scan);  // The entry's name without its directory
void finish_directory(int scan);             // Ends the scan

}  // namespace svc
