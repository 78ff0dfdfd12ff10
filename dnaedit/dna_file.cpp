// dna_file.cpp -- reads DNA files into the entry fields and writes the fields back
#include "dna_file.h"

#include "report.h"
#include "safe_write.h"
#include "settings.h"
#include "services/fields.h"
#include "services/files.h"
#include "services/text.h"
#include "services/windows.h"

int32_t start_colour(int field) { return field % 2 ? svc::rgb(240, 255, 240) : svc::rgb(220, 220, 220); }

int32_t loaded_colour(int field) { return field % 2 ? svc::rgb(250, 255, 240) : svc::rgb(250, 220, 220); }

int32_t template_colour(int field) { return field % 2 ? svc::rgb(200, 255, 240) : svc::rgb(200, 220, 220); }

bool is_template_line(const std::string& text) {
  return svc::find_string(text, "QZ61_KEYWORD", 1) != 0 || svc::find_string(text, "QZ61_VALUE", 1) != 0;
}

DnaNameColour dna_name_colour(const std::string& path) {
  std::string name = svc::get_file_part(path);
  DnaNameColour c;
  c.red = svc::mid_string(name, 1, 3);
  c.green = svc::mid_string(name, 4, 3);
  c.blue = svc::mid_string(name, 7, 3);
  c.colour = svc::rgb(svc::string_to_int(c.red), svc::string_to_int(c.green), svc::string_to_int(c.blue));
  return c;
}

bool is_entry_field(int field) { return field >= 1 && field <= MAX_ENTRY_FIELD && svc::field_exists(field); }

DnaSourceState read_dna_source(const std::string& path, std::vector<std::string>& entries, size_t max_lines) {
  entries.clear();
  if (svc::file_size(path) == -2) return DNA_SOURCE_MISSING;  // A folder opens on some systems; it is no file
  int file = svc::open_file_read(-1, path);
  if (!file) return DNA_SOURCE_MISSING;
  if (svc::file_size(path) == 0) {
    svc::close_file(file);
    return DNA_SOURCE_EMPTY;
  }
  while (!svc::end_of_file(file) && entries.size() < max_lines) entries.push_back(svc::read_line(file));
  svc::close_file(file);
  return DNA_SOURCE_READ;
}

void load_dna_file(const std::string& path) {
  if (svc::file_size(path) == -2) return;
  int file = svc::open_file_read(-1, path);
  if (!file) return;  // A cancelled dialog or an unreadable file: nothing changes

  DnaNameColour name_colour = dna_name_colour(path);
  std::string name = svc::get_file_part(path);
  svc::set_window_title(0, editor.window_title + "  " + path + " DNA PART:" + name + "R:" + name_colour.red +
                               "G:" + name_colour.green + "B:" + name_colour.blue);
  svc::set_field_color(SWATCH_FIELD, svc::FIELD_BACK_COLOUR, name_colour.colour);
  svc::set_field_color(SWATCH_FIELD, svc::FIELD_TEXT_COLOUR, name_colour.colour);

  // Line n fills field n; lines beyond the last entry field are read and dropped.
  int n = 1;
  while (!svc::end_of_file(file)) {
    std::string line = svc::read_line(file);
    if (is_entry_field(n)) {
      svc::set_field_text(n, line);
      bool is_template = is_template_line(svc::get_field_text(n));
      svc::set_field_color(n, svc::FIELD_BACK_COLOUR, is_template ? template_colour(n) : loaded_colour(n));
    }
    if (n <= MAX_ENTRY_FIELD) ++n;
  }
  // Fields the file did not reach keep their text and show that they were not loaded.
  for (; is_entry_field(n); ++n) svc::set_field_color(n, svc::FIELD_BACK_COLOUR, template_colour(n));

  svc::close_file(file);
  editor.current_dna_path = path;
  report(REPORT_LOADED, path);
}

// A field's text as one line: a pasted line break (or NUL) would split the entry in two and shift
// every following entry into the other role, so it is written as a blank.
static std::string as_one_line(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return text;
}

void save_dna_file(const std::string& path) {
  SafeWrite w;
  if (!begin_safe_write(w, path)) {
    report(REPORT_SAVE_FAILED, path);
    return;
  }
  bool written = true;
  for (int n = 1; is_entry_field(n); ++n) {
    std::string text = svc::get_field_text(n);
    if (!is_template_line(text)) written = svc::write_line(w.file, as_one_line(text)) != 0 && written;
  }
  bool saved = finish_safe_write(w, written);
  report(saved ? REPORT_SAVED : REPORT_SAVE_FAILED, path);
}

void write_default_pattern() {
  SafeWrite w;
  if (!begin_safe_write(w, editor.dna_source)) {
    report(REPORT_PATTERN_FAILED, editor.dna_source);
    return;
  }
  bool written = true;
  for (int64_t i = 1; i <= editor.max_entries; ++i) {
    int field = i <= MAX_ENTRY_FIELD ? static_cast<int>(i) : 0;
    std::string text = is_entry_field(field) ? svc::get_field_text(field) : std::string();
    if (i % 2 == 0 && text.empty()) text = "#";  // An empty value entry gets a placeholder
    written = svc::write_line(w.file, as_one_line(text)) != 0 && written;
  }
  bool saved = finish_safe_write(w, written);
  report(saved ? REPORT_PATTERN_WRITTEN : REPORT_PATTERN_FAILED, editor.dna_source);
}
