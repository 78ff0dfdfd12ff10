// dna_file.h -- DNA files: the colour in a file's name, template lines, and loading, saving and
// resetting the entry fields
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "dna_text.h"

// Entry fields are numbered 1..MAX_ENTRY_FIELD; the colour swatch is the label SWATCH_FIELD.
constexpr int MAX_ENTRY_FIELD = 1023;
constexpr int SWATCH_FIELD = 1024;

// Background colours of entry fields; odd fields hold keywords, even fields values.
int32_t start_colour(int field);     // A field built at start-up
int32_t loaded_colour(int field);    // Filled from an ordinary line by a load
int32_t template_colour(int field);  // Filled from a template line, or left without a line, by a load

// The colour carried by the first nine characters of a DNA file's name.
struct DnaNameColour {
  std::string red, green, blue;  // The three groups of three characters, as written
  int32_t colour = 0;            // red + 256 * green + 65536 * blue, not clamped
};

bool is_template_line(const std::string& text);          // Contains "QZ61_KEYWORD" or "QZ61_VALUE"
DnaNameColour dna_name_colour(const std::string& path);  // From the name after the last separator
bool is_entry_field(int field);                          // An existing field numbered 1..MAX_ENTRY_FIELD

// The text shown by the grid: its tail and encoding are kept for the saves (from read_dna_text).
void remember_dna_text(DnaText& text);

void load_dna_file(const std::string& path);  // Fills the entry fields, title and swatch; silent when unreadable
void save_dna_file(const std::string& path);  // Every entry field except template lines, then the kept tail
void write_default_pattern();                 // Writes the first max_entries fields to the DNA source; reports
