// tool_common.h -- what the command-line companions share: their failure line and their number options
#pragma once
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

// The parts of a path the user named, split as the system splits it: at "/", and on Windows at "\\"
// too. Only text; the folders themselves are the operating-system layer's (os.h).
std::string file_name(const std::string& path);      // "b.png" of "a/b.png"; "" of "a/"
std::string parent_folder(const std::string& path);  // "a" of "a/b.png", "/" of "/b.png", "" of "b.png"
std::string extension(const std::string& path);      // ".png" of "a/b.png"; "" of "a/b" and of ".png"
std::string stem(const std::string& path);           // The file name without its extension: "b" of "a/b.png"
std::string joined(const std::string& folder, const std::string& name);  // With one "/" between them

// What a path names, its parts found as the operating-system layer finds them.
bool is_folder(const std::string& path);
bool exists(const std::string& path);  // Anything a link leads to is what counts

}  // namespace tools
