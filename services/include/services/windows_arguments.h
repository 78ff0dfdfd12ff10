// windows_arguments.h -- arguments spelled for a Windows command line
#pragma once
#include <string>
#include <vector>

namespace svc {

// An argument spelled for a Windows command line so that the C runtime splits it back unchanged:
// as it is when it has no blank or quote, otherwise quoted with its backslashes and quotes escaped.
// Text only (UTF-8 stays UTF-8), the same on every system.
std::string windows_argument(const std::string& argument);
std::string windows_command_line(const std::vector<std::string>& arguments);  // Joined by blanks

}  // namespace svc
