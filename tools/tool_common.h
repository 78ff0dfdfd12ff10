// tool_common.h -- what the command-line companions share: their failure line and their number options
#pragma once
#include <filesystem>
#include <string>

namespace tools {

// Prints "<program>: <subject>: <reason>" (or "<program>: <subject>" without a reason) on standard
// error and returns 1, the exit code of a file that cannot be read or written. The subject is a path,
// spelled as the system's users know it (with "\" on Windows).
int fail(const char* program, const std::string& subject, const std::string& reason = "");

// On Windows, a path on a drive that does not exist ("Q:\\maps"): "there is no drive Q:", the reason to
// give instead of what the system says about such a name; "" for any other path.
std::string missing_drive(const std::string& path);

// A whole decimal number, optionally signed, from low to high; false for anything else (blanks,
// a fraction, more than nine digits).
bool parse_number(const std::string& text, int low, int high, int& value);

// "WxH" (or "WXH"), each side a whole number from low to high; false for anything else.
bool parse_size(const std::string& text, int low, int high, int& width, int& height);

// The suite's paths are UTF-8 everywhere; std::filesystem reads a narrow string in the ANSI code page
// on Windows, which breaks names with other characters. Every path the tools hand to std::filesystem
// goes through fs_path, and every one they take back through utf8_path.
std::filesystem::path fs_path(const std::string& utf8);
std::string utf8_path(const std::filesystem::path& path);

}  // namespace tools
