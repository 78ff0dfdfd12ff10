// editor_window.cpp -- opens the editor window and lays out its entry fields, swatch and menu bar
#include "editor_window.h"

#include <algorithm>
#include <cstdint>

#include "dna_file.h"
#include "editor_menu.h"
#include "notices.h"
#include "settings.h"
#include "services/desktops.h"
#include "services/fields.h"
#include "services/line_reader.h"
#include "services/menus.h"
#include "services/windows.h"

constexpr int FIELD_WIDTH = 200;
constexpr int FIELD_HEIGHT = 24;
constexpr int ROWS_PER_COLUMN = 40;
constexpr int ROW_TEST_HEIGHT = 25;  // The column wrap measures 25 pixels a row though fields are 24 apart

// A window size from the settings, held between 1 pixel and the desktop's size: a missing or zero size
// still opens a window the user can enlarge, and a huge one does not pass what the desktop shows.
static int window_extent(int32_t configured, int desktop) {
  int most = desktop > 0 ? desktop : 16384;
  return std::clamp<int32_t>(configured, 1, most);
}

void open_main_window() {
  int width = window_extent(editor.window_width, svc::desktop_width(0));
  int height = window_extent(editor.window_height, svc::desktop_height(0));
  if (!svc::open_window(0, 0, 0, width, height, editor.window_title, svc::WINDOW_SIZABLE)) report(REPORT_NO_WINDOW, "");
  if (!svc::use_field_list(svc::window_handle(0))) report(REPORT_NO_WINDOW, "");
  build_start_grid();
  if (!svc::create_menu(0, svc::window_handle(0))) report(REPORT_NO_WINDOW, "");
  build_menu(editor.menu_file);
}

static int create_entry_field(const GridLayout& g, const std::string& text) {
  return svc::create_edit_field(g.field, FIELD_WIDTH * g.column, FIELD_HEIGHT * g.row, FIELD_WIDTH, FIELD_HEIGHT, text,
                                svc::FIELD_CENTRED);
}

// Moves to the next field; a column ends after 40 rows or where the next row would pass the window.
static void advance(GridLayout& g) {
  ++g.field;
  ++g.row;
  if (g.row > ROWS_PER_COLUMN || ROW_TEST_HEIGHT * g.row > svc::window_inner_height(0)) {
    ++g.column;
    g.row = 1;
  }
}

// The black 50 x 50 label right of the last column that shows a loaded file's colour.
static void create_swatch(const GridLayout& g) {
  svc::create_label(SWATCH_FIELD, 205 * (g.column + 1), 24, 50, 50, "");
  svc::set_field_color(SWATCH_FIELD, svc::FIELD_BACK_COLOUR, 0);
  svc::set_field_color(SWATCH_FIELD, svc::FIELD_TEXT_COLOUR, 0);
}

void build_start_grid() {
  int font = svc::load_font(-1, "ARIAL", 12);
  DnaText text;
  DnaReadState state = read_dna_text(editor.dna_source, MAX_ENTRY_FIELD, text);
  if (state == DNA_NOT_A_FILE || state == DNA_TOO_LONG)
    report(REPORT_LOAD_FAILED, editor.dna_source + "\n" + dna_read_problem(state));
  if (state != DNA_READ || text.lines.empty()) {  // Missing, unusable or empty: a grid of empty fields
    report(REPORT_NO_DNA_SOURCE, "");
    build_failsafe_grid();
    return;
  }
  GridLayout g;
  for (const std::string& entry : text.lines) {
    // A field that cannot be created still uses up its number and place.
    create_entry_field(g, entry);
    svc::set_field_color(g.field, svc::FIELD_BACK_COLOUR, start_colour(g.field));
    if (font) svc::set_field_font(g.field, svc::font_handle(font));
    advance(g);
  }
  create_swatch(g);
  remember_dna_text(text);
}

void build_failsafe_grid() {
  GridLayout g;
  for (int64_t attempt = 0; attempt < editor.max_entries && g.field <= MAX_ENTRY_FIELD; ++attempt) {
    // A field that cannot be created gives its number and place to the next attempt.
    if (!create_entry_field(g, "")) continue;
    svc::set_field_color(g.field, svc::FIELD_BACK_COLOUR, start_colour(g.field));
    advance(g);
  }
  create_swatch(g);
}

void build_menu(const std::string& path) {
  bool read = svc::read_pairs(path, [](const std::string& keyword, const std::string& value) {
    if (keyword == "#_MENUE_PROJECT" || keyword == "#_MENU_RGB_DNA_CONTROL") {
      svc::menu_title(value);
    } else if (keyword == "_open_file_title$") {
      editor.dialog_title = value;
    } else if (int id = menu_id_of(keyword)) {
      svc::menu_item(id, value);
    }
  });
  if (!read) report(REPORT_NO_WINDOW, "");
}
