// dna_file.cpp -- reads DNA files into the entry fields and writes the fields back
#include "dna_file.h"

#include "notices.h"
#include "safe_write.h"
#include "settings.h"
#include "services/fields.h"
#include "services/paths.h"
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

// Entry fields are numbered from 1 without gaps: the number of the last one.
static int entry_field_count() {
  int n = 0;
  while (is_entry_field(n + 1)) ++n;
  return n;
}

void remember_dna_text(DnaText& text) {
  editor.kept_tail = std::move(text.tail);
  editor.text_utf8 = text.utf8;
}

void load_dna_file(const std::string& path) {
  DnaText text;
  DnaReadState state = read_dna_text(path, static_cast<size_t>(entry_field_count()), text);
  if (state == DNA_MISSING) return;  // A cancelled dialog or an unreadable file: nothing changes
  if (state != DNA_READ) {
    report(REPORT_LOAD_FAILED, path + "\n" + dna_read_problem(state));
    return;
  }

  DnaNameColour name_colour = dna_name_colour(path);
  std::string name = svc::get_file_part(path);
  svc::set_window_title(0, editor.window_title + "  " + path + " DNA PART:" + name + "R:" + name_colour.red +
                               "G:" + name_colour.green + "B:" + name_colour.blue);
  svc::set_field_color(SWATCH_FIELD, svc::FIELD_BACK_COLOUR, name_colour.colour);
  svc::set_field_color(SWATCH_FIELD, svc::FIELD_TEXT_COLOUR, name_colour.colour);

  // Line n fills field n; lines beyond the last entry field are kept and written back by a save.
  int n = 1;
  for (const std::string& line : text.lines) {
    svc::set_field_text(n, line);
    bool is_template = is_template_line(svc::get_field_text(n));
    svc::set_field_color(n, svc::FIELD_BACK_COLOUR, is_template ? template_colour(n) : loaded_colour(n));
    ++n;
  }
  // Fields the file did not reach keep their text and show that they were not loaded.
  for (; is_entry_field(n); ++n) svc::set_field_color(n, svc::FIELD_BACK_COLOUR, template_colour(n));

  remember_dna_text(text);
  editor.current_dna_path = path;
  report(REPORT_LOADED, path);
}

// Appends a field's text as one line in the shown text's encoding; false when the encoding cannot
// hold one of its characters. A pasted line break (or NUL) would split the entry in two and shift
// every following entry into the other role, so it is written as a blank.
static bool append_line(std::string& out, std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  std::string bytes;
  if (!field_text_to_file(text, editor.text_utf8, bytes)) return false;
  out += bytes;
  out += "\r\n";
  return true;
}

// The second line of the failure message when a field holds a character Windows-1252 has no byte for.
static std::string unstorable(const std::string& path, int field) {
  return path + "\nField " + std::to_string(field) +
         " holds a character that Windows-1252, the encoding of this text, cannot store";
}

void save_dna_file(const std::string& path) {
  // Everything is encoded before the file is touched: a field that cannot be stored stops the save.
  std::string lines;
  for (int n = 1; is_entry_field(n); ++n) {
    std::string text = svc::get_field_text(n);
    if (is_template_line(text)) continue;
    if (!append_line(lines, text)) {
      report(REPORT_SAVE_FAILED, unstorable(path, n));
      return;
    }
  }
  bool saved = replace_file(path, {lines, editor.kept_tail});
  report(saved ? REPORT_SAVED : REPORT_SAVE_FAILED, path);
}

void write_default_pattern() {
  std::string lines;
  for (int64_t i = 1; i <= editor.max_entries; ++i) {
    int field = i <= MAX_ENTRY_FIELD ? static_cast<int>(i) : 0;
    std::string text = is_entry_field(field) ? svc::get_field_text(field) : std::string();
    if (i % 2 == 0 && text.empty()) text = "#";  // An empty value entry gets a placeholder
    if (!append_line(lines, text)) {
      report(REPORT_PATTERN_FAILED, unstorable(editor.dna_source, field));
      return;
    }
  }
  bool saved = replace_file(editor.dna_source, {lines});
  report(saved ? REPORT_PATTERN_WRITTEN : REPORT_PATTERN_FAILED, editor.dna_source);
}
