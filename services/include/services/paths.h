// paths.h -- paths as the programs spell them, and as the operating system does
#pragma once
#include <string>

namespace svc {

// Paths. On POSIX a "\" is a directory separator, so "DATA\ini.txt" names DATA/ini.txt.
std::string system_path(const std::string& path);                      // The path as the operating system spells it
void system_path_into(std::string& spelled, const std::string& path);  // The same into a reused string
std::string current_directory();                     // The working directory, always ending in the separator
std::string get_file_part(const std::string& path);  // Text after the last "/" or "\", surrounding quotes removed
std::string folder_part(const std::string& path);    // Text up to and including the last "/" or "\"

// Whether the programs run on Windows, whose users know paths spelled with "\" and start programs
// from .cmd files.
bool windows_system();
// A path as a message shows it to the user: on Windows with every "/" spelled "\", elsewhere as it is.
std::string shown_path(const std::string& path);
// The folder of the running program's file, ending in its separator; "" when the system won't say.
std::string program_folder();

}  // namespace svc
