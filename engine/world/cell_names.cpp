// cell_names.cpp -- the table of names that cells share (codes, object and picture names)
//
// Each distinct text is stored once and numbered in order of first use; 0 is the empty text.
// The texts live in a deque, so references handed out stay valid while the table grows.
#include <deque>
#include <ostream>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "world/cell_names.h"

namespace {

struct NameTable {
  std::deque<std::string> texts{std::string()};
  std::vector<const std::string*> byId{&texts[0]};  // id -> text, for reading without the deque
  std::unordered_map<std::string_view, uint32_t> ids{{std::string_view(), 0}};
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

uint32_t name_id(std::string_view text) {
  NameTable& names = table();
  auto it = names.ids.find(text);
  if (it != names.ids.end()) return it->second;
  const uint32_t id = static_cast<uint32_t>(names.texts.size());
  names.texts.emplace_back(text);
  names.byId.push_back(&names.texts.back());
  names.ids.emplace(names.texts.back(), id);
  textById = names.byId.data();
  textCount = static_cast<uint32_t>(names.byId.size());
  return id;
}

}  // namespace

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

const std::string& CellName::str() const {
  if (id < textCount) return *textById[id];
  return table().texts[0];  // "" (also for a number that was never handed out)
}

std::ostream& operator<<(std::ostream& out, const CellName& name) { return out << name.str(); }
