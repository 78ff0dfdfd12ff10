// dna_text.h -- reading a DNA file's lines: the ones the grid shows, the kept tail, and the file's encoding
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The most bytes a DNA file may have; a longer one (or one that never ends) is not loaded.
constexpr uint64_t MAX_DNA_FILE_BYTES = 256ull << 20;

// A DNA file as read: its first lines as text for the fields, the rest kept as bytes.
struct DnaText {
  std::vector<std::string> lines;  // The first lines, at most as many as asked for, as display text (UTF-8)
  std::string tail;                // Every later line as read, each ended by CR LF: written back unchanged
  bool utf8 = true;                // The whole file is valid UTF-8; otherwise it is Windows-1252
};

enum DnaReadState {
  DNA_READ,        // Lines read (possibly none)
  DNA_MISSING,     // Missing, a folder, or not readable
  DNA_NOT_A_FILE,  // A device, a pipe or a socket: nothing is read from it
  DNA_TOO_LONG,    // More than max_bytes
};

// Reads the file: the first `shown` lines into text.lines, the others into text.tail.
DnaReadState read_dna_text(const std::string& path, size_t shown, DnaText& text,
                           uint64_t max_bytes = MAX_DNA_FILE_BYTES);

// Why a DNA file could not be loaded, as the second line of the message; "" for DNA_READ and DNA_MISSING.
std::string dna_read_problem(DnaReadState state);

// A field's text (UTF-8) as bytes of the file's encoding; false when a character has no byte in Windows-1252.
bool field_text_to_file(const std::string& text, bool utf8, std::string& bytes);
