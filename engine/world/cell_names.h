// cell_names.h -- names that many cells share (codes, and object and picture names from definition files)
//
// A name's text is kept once in a program-wide table that only grows (a world names few distinct
// objects and pictures, and at most one code per cell) and the cell holds the text's number: a 513 x 513 grid stays small, and
// copying a name is copying a number. It reads as a const std::string& and is assigned from text.
// The table is not locked: names are assigned from one thread.
#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

struct CellName {
  uint32_t id = 0;  // number of the text in the table; 0 is ""

  CellName& operator=(const std::string& text);
  CellName& operator=(const char* text);
  const std::string& str() const;  // The text
  operator const std::string&() const { return str(); }
  bool empty() const { return id == 0; }
  size_t size() const { return str().size(); }
  const char* c_str() const { return str().c_str(); }
};

CellName cell_name(std::string_view text);  // The name with this text (entered in the table when new)
uint32_t cell_name_count();                 // Names in the table: numbers 0 up to this minus one
// Forgets every name numbered `count` or above, as if it had never been entered (0, the empty name,
// stays). For a program that feeds endless different inputs to one started world, a fuzz target,
// whose table would otherwise grow with every input. A CellName holding a forgotten number reads as
// "" and must not be kept; lists kept by name number must forget those numbers too.
void forget_cell_names_from(uint32_t count);
// Asks for the memory that a look-up of this text will read, so that a look-up made a little later
// does not wait for it. Only a hint: the table does not change.
void prefetch_cell_name(std::string_view text);

inline bool operator==(const CellName& a, const CellName& b) { return a.id == b.id; }
inline bool operator!=(const CellName& a, const CellName& b) { return a.id != b.id; }
inline bool operator==(const CellName& a, const std::string& b) { return a.str() == b; }
inline bool operator==(const std::string& a, const CellName& b) { return a == b.str(); }
inline bool operator!=(const CellName& a, const std::string& b) { return a.str() != b; }
inline bool operator!=(const std::string& a, const CellName& b) { return a != b.str(); }
inline bool operator==(const CellName& a, const char* b) { return a.str() == b; }
inline bool operator==(const char* a, const CellName& b) { return a == b.str(); }
inline bool operator!=(const CellName& a, const char* b) { return a.str() != b; }
inline bool operator!=(const char* a, const CellName& b) { return a != b.str(); }
inline std::string operator+(const CellName& a, const std::string& b) { return a.str() + b; }
inline std::string operator+(const std::string& a, const CellName& b) { return a + b.str(); }
inline std::string operator+(const CellName& a, const char* b) { return a.str() + b; }
inline std::string operator+(const char* a, const CellName& b) { return a + b.str(); }
std::ostream& operator<<(std::ostream& out, const CellName& name);
