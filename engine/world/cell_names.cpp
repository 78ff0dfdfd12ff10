// cell_names.cpp -- the table of names that cells share (codes, object and picture names)
//
// Each distinct text is stored once and numbered in order of first use; 0 is the empty text.
// The texts live in a deque, so references handed out stay valid while the table grows.
#include <deque>
#include <ostream>
#include <string_view>
#include <algorithm>
#include <vector>

#include "world/cell_names.h"

namespace {

// Open addressing over the names' numbers: a look-up reads one slot, then the name's own hash and
// text, which sit beside those of the names numbered just before it. A world of 263,169 codes
// enters them one after another, so that is mostly memory just read.
struct NameTable {
  std::deque<std::string> texts{std::string()};
  std::vector<const std::string*> byId{&texts[0]};  // id -> text, for reading without the deque
  std::vector<uint64_t> hashes{0};                  // id -> hash of its text
  std::vector<uint32_t> slots;                      // id + 1 of the name there; 0 = empty
};

// Built on first use, so names may be assigned during static initialisation too.
NameTable& table() {
  static NameTable names;
  return names;
}

// What reading a name needs, kept apart from the table so that it is valid (zero) before the
// table exists: str() is called for every cell of a load.
const std::string* const* textById = nullptr;
uint32_t textCount = 0;

uint64_t hash_text(std::string_view text) {
  uint64_t h = 14695981039346656037ull;  // FNV-1a: names are short
  for (char ch : text) h = (h ^ static_cast<unsigned char>(ch)) * 1099511628211ull;
  return h ^ (h >> 29);
}

// Doubles the slots (kept at most half full) and enters every name again.
void grow_slots(NameTable& names) {
  names.slots.assign(std::max<size_t>(1024, names.slots.size() * 2), 0);
  const size_t mask = names.slots.size() - 1;
  for (uint32_t id = 1; id < names.byId.size(); id++) {
    size_t i = names.hashes[id] & mask;
    while (names.slots[i]) i = (i + 1) & mask;
    names.slots[i] = id + 1;
  }
}

uint32_t name_id(std::string_view text) {
  if (text.empty()) return 0;
  NameTable& names = table();
  if (names.slots.empty()) grow_slots(names);
  const uint64_t h = hash_text(text);
  const size_t mask = names.slots.size() - 1;
  size_t i = h & mask;
  for (; names.slots[i]; i = (i + 1) & mask) {
    const uint32_t id = names.slots[i] - 1;
    if (names.hashes[id] == h && *names.byId[id] == text) return id;
  }
  const uint32_t id = static_cast<uint32_t>(names.texts.size());
  names.texts.emplace_back(text);
  names.byId.push_back(&names.texts.back());
  names.hashes.push_back(h);
  names.slots[i] = id + 1;
  if (2 * names.byId.size() > names.slots.size()) grow_slots(names);
  textById = names.byId.data();
  textCount = static_cast<uint32_t>(names.byId.size());
  return id;
}

}  // namespace

uint32_t cell_name_count() { return static_cast<uint32_t>(table().byId.size()); }

void forget_cell_names_from(uint32_t count) {
  NameTable& names = table();
  count = std::max<uint32_t>(count, 1);
  if (count >= names.byId.size()) return;
  names.texts.resize(count);  // removing at the end keeps the other texts where they are
  names.byId.resize(count);
  names.hashes.resize(count);
  // The slots again, for the names that stay: at most half full, as grow_slots keeps them (it
  // doubles what it is given).
  size_t size = 1024;
  while (size < 2 * names.byId.size()) size *= 2;
  names.slots.assign(size / 2, 0);
  grow_slots(names);
  textById = names.byId.data();
  textCount = count;
}

CellName cell_name(std::string_view text) {
  CellName name;
  name.id = name_id(text);
  return name;
}

CellName& CellName::operator=(const std::string& text) {
  id = name_id(text);
  return *this;
}

CellName& CellName::operator=(const char* text) {
  id = name_id(text ? std::string_view(text) : std::string_view());
  return *this;
}

void prefetch_cell_name(std::string_view text) {
  const NameTable& names = table();
  if (text.empty() || names.slots.empty()) return;
  __builtin_prefetch(&names.slots[hash_text(text) & (names.slots.size() - 1)]);
}

const std::string& CellName::str() const {
  if (id < textCount) return *textById[id];
  return table().texts[0];  // "" (also for a number that was never handed out)
}

std::ostream& operator<<(std::ostream& out, const CellName& name) { return out << name.str(); }
