// requesters.h -- modal file and folder choosers; "" when cancelled
//
// Patterns are "description|filter|description|filter..." or a bare filter such as "*.qz61";
// the index selects the initial filter. No requester asks before overwriting or changes the
// current directory.
#pragma once
#include <string>

namespace svc {

std::string open_file_requester(const std::string& title, const std::string& default_file, const std::string& pattern,
                                int pattern_index);  // An existing file's full path
std::string save_file_requester(const std::string& title, const std::string& default_file, const std::string& pattern,
                                int pattern_index);                                       // The path to save to
std::string path_requester(const std::string& title, const std::string& initial_folder);  // Ends in the separator

}  // namespace svc
