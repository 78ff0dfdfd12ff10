// directories.cpp -- numbered directory scans with patterns that ignore letter case
//
// A scan reads the whole folder at once and sorts it by name without regard to letter case
// (ties in byte order), so the programs see the same order on every file system.
#include "services/directories.h"
#include "services/paths.h"

#include <algorithm>
#include <vector>

#include "number_table.h"
#include "os.h"

namespace svc {
namespace {

struct Entry {
  std::string name;
  int type;  // 1 file, 2 directory
};

struct Scan {
  std::vector<Entry> entries;
  size_t next = 0;  // Index of the entry the next advance makes current
  bool has_current = false;
};

detail::NumberTable<Scan>& scans() {
  static detail::NumberTable<Scan> table;
  return table;
}

unsigned char fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// "*" any run of characters, "?" one character, others equal without regard to letter case.
bool matches(const std::string& pattern, const std::string& name) {
  size_t p = 0, n = 0, star = std::string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || fold(static_cast<unsigned char>(pattern[p])) ==
                                                               fold(static_cast<unsigned char>(name[n])))) {
      p++;
      n++;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') p++;
  return p == pattern.size();
}

bool pattern_matches(const std::string& pattern, const std::string& name) {
  if (pattern.empty() || pattern == "*.*") return true;  // "*.*" takes names without a dot as well
  return matches(pattern, name);
}

bool name_before(const Entry& a, const Entry& b) {
  size_t n = std::min(a.name.size(), b.name.size());
  for (size_t i = 0; i < n; i++) {
    unsigned char x = fold(static_cast<unsigned char>(a.name[i]));
    unsigned char y = fold(static_cast<unsigned char>(b.name[i]));
    if (x != y) return x < y;
  }
  if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
  return a.name < b.name;
}

Scan* find(int scan) { return scans().get(scan); }

const Entry* current(int scan) {
  Scan* s = find(scan);
  if (!s || !s->has_current || s->next == 0) return nullptr;
  return &s->entries[s->next - 1];
}

}  // namespace

int examine_directory(int scan, const std::string& directory, const std::string& pattern) {
  int number = scans().pick(scan);
  if (number < 0) return 0;
  if (scan != -1) finish_directory(scan);
  std::vector<os::Entry> found;
  if (!os::list_folder(directory.empty() ? std::string("./") : system_path(directory), found)) return 0;
  Scan s;
  for (os::Entry& e : found) {
    if (!pattern_matches(pattern, e.name)) continue;
    s.entries.push_back({std::move(e.name), e.kind == os::Kind::FOLDER ? 2 : 1});
  }
  std::sort(s.entries.begin(), s.entries.end(), name_before);
  scans().store(number, std::move(s));
  return detail::created(scan, number);
}

int next_directory_entry(int scan) {
  Scan* s = find(scan);
  if (!s) return 0;
  if (s->next >= s->entries.size()) {
    s->has_current = false;
    return 0;
  }
  s->next++;
  s->has_current = true;
  return 1;
}

int directory_entry_type(int scan) {
  const Entry* e = current(scan);
  return e ? e->type : 0;
}

std::string directory_entry_name(int scan) {
  const Entry* e = current(scan);
  return e ? e->name : std::string();
}

void finish_directory(int scan) { scans().release(scan); }

}  // namespace svc
