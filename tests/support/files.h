// files.h -- whole-file reads and writes, line joining and folder listings for the tests
#pragma once
#include <string>
#include <vector>

namespace support {

// Writes the bytes to a file, creating its parent folders; false when the file cannot be written.
bool write_file(const std::string& path, const std::string& bytes);

// All bytes of a file; "" when it cannot be read.
std::string read_file(const std::string& path);

// The lines joined, each one followed by `end` (CR LF unless given).
std::string join_lines(const std::vector<std::string>& lines, const std::string& end = "\r\n");

// The lines of a text, each ended by `end` (CR LF unless given); a last line without its end is kept.
std::vector<std::string> split_lines(const std::string& text, const std::string& end = "\r\n");

// The names of a folder's entries, sorted; empty when the folder cannot be read.
std::vector<std::string> names_in(const std::string& folder);

// Makes `path` a symbolic link to the endless device /dev/zero, for the readers' "not a regular file"
// cases; false where the system has no such device (Windows).
bool link_to_endless_device(const std::string& path);

}  // namespace support
