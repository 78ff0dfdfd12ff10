// fuzz_folder.h -- what the fuzz targets share: a working folder of their own, files written into it,
// splitting one input into several files, and a check of decoded pictures
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "services/pictures.h"

namespace fuzz {

// Pixel limit of the picture targets: 4 Mpixels (16 MB as RGBA) keeps each run small; the
// decoders' own limit is tested by the unit tests.
constexpr int64_t kPixelLimit = int64_t{1} << 22;

// Makes a fresh temporary folder named after the target the working directory (once per process).
void enter_work_folder(const std::string& target);

// Writes the bytes to a file under the working folder, making its folders; replaces an older file.
void write_file(const std::string& relative, const std::string& bytes);

// The lines joined, each ended by CR LF as the suite's own files are.
std::string lines(std::initializer_list<std::string> items);

// Removes a file under the working folder, if there is one.
void remove_file(const std::string& relative);

// The input as text, and its part before / after the first `separator` ("" after when absent).
std::string text(const uint8_t* data, size_t size);
std::string before(const std::string& input, const std::string& separator);
std::string after(const std::string& input, const std::string& separator, bool* found = nullptr);

// Rows for the decoders that write straight into the caller's rows: those of `picture`, sized as the
// decoder asks. The rows start poisoned (0xA5), as unwritten memory would be.
svc::PictureRows rows_of(svc::Picture& picture);

// A decoded picture must be as large as it says: aborts (a finding) when it is not.
void check_picture(const svc::Picture& picture);

}  // namespace fuzz
