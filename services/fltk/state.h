// state.h -- the FLTK platform's one state record: windows, the event queue, fields, fonts, menus,
// the screen and sprites
//
// The tools' platform (converter and editor): ordinary windows with menu bars, fields, message
// boxes, choosers and a CPU screen.
// Implements (one file each, named as the header): desktops.h, fields.h, input.h (every snapshot
// empty), lifecycle.h, menus.h, messages.h, requesters.h, screen.h, sprites.h, windows.h.
// Limitations: 3D sprites ignore blend factors (always source alpha over inverse source alpha) and
// sprite3d_quality (always unfiltered).
// Does not implement: headless.h (the display-less platform's script). clock.h, faults.h, files.h, grid.h,
// list.h, pictures.h, random.h and text.h come from services/core, alike for every platform, as do
// the readers of the display table (desktops.h) and of the input snapshots (input.h).
#pragma once
#include <FL/Fl_Menu_Item.H>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "number_table.h"
#include "services/fields.h"
#include "services/pictures.h"
#include "services/windows.h"
#include "surface.h"

class Fl_Menu_Bar;
class Fl_Widget;
class Fl_Window;

namespace svc::fltk {

// One open top-level window of the program.
struct WindowRecord {
  Fl_Window* window = nullptr;
  Fl_Menu_Bar* bar = nullptr;  // The menu bar, once create_menu has run
  int bar_height = 0;          // Client coordinates start this far below the window's top
  int flags = 0;
};

struct QueuedEvent {
  int code;
  int menu_id;
  int field;
};

struct FieldRecord {
  Fl_Widget* widget = nullptr;
  Fl_Window* window = nullptr;
  bool label = false;
  bool utf8 = true;        // The last text the program set was valid UTF-8
  std::string label_text;  // A label's text as the program gave it
};

struct FontRecord {
  int fl_font = 0;
  int pixels = 0;
};

struct MenuEntry {
  bool title;
  int id;
  std::string label;  // Display text, escaped for FLTK
};

struct MenuRecord {
  Fl_Window* window = nullptr;
  Fl_Menu_Bar* bar = nullptr;
  std::vector<MenuEntry> entries;
  std::vector<Fl_Menu_Item> items;  // Built from entries; the bar points into it
};

// The tools' one screen: back and front CPU buffers and the widget that shows them.
struct Screen {
  Fl_Window* window = nullptr;
  Fl_Widget* widget = nullptr;  // nullptr while no screen is open
  detail::Surface back;         // What drawing changes
  detail::Surface front;        // What the widget shows
  bool drawing = false;         // Inside start_drawing / stop_drawing
  bool dirty = false;           // The back buffer changed since the last flip, inside the box below
  int dirty_x0 = 0, dirty_y0 = 0, dirty_x1 = 0, dirty_y1 = 0;
};

struct Sprite3D {
  std::shared_ptr<const Picture> picture;  // Shared with the sprite it was made from
  int width = 0, height = 0;               // The size it is drawn at
};

struct State {
  // Windows and the event queue that wait_window_event takes from; callbacks fill it.
  detail::NumberTable<WindowRecord> windows;
  std::deque<QueuedEvent> events;
  int event_menu = 0, event_field = 0;  // The values of the last menu and field events

  // Fields and fonts.
  detail::NumberTable<FieldRecord> fields;
  Fl_Window* field_window = nullptr;  // Parent of the fields created next
  FontHandle default_field_font = 0;  // 0: FLTK's own
  detail::NumberTable<FontRecord> fonts;
  // Faces given to FLTK, which keeps the name's pointer: they stay for the whole run.
  std::deque<std::string> face_names;
  std::map<std::string, int> face_index;  // Face -> FLTK font index

  // Menus.
  detail::NumberTable<MenuRecord> menus;
  int current_menu = -1;  // The menu that menu_title and menu_item add to

  // The screen, sprites and 3D sprites.
  Screen screen;
  detail::NumberTable<std::shared_ptr<const Picture>> sprites;
  detail::NumberTable<Sprite3D> sprites3d;
  int32_t transparent_colour = -1;  // -1: none for later loads
};

extern State state;

WindowRecord* window_record(WindowHandle handle);  // The record of an Fl_Window*, or nullptr
int window_number(WindowHandle handle);            // Its number, or -1

// Queues an event for wait_window_event.
void queue_event(int code, int menu_id, int field);

// Drop what belonged to a window once it and its widgets are deleted (the pointer is only compared).
void forget_window_fields(Fl_Window* window);
void forget_window_menus(Fl_Window* window);
void forget_window_screen(Fl_Window* window);

void close_all_windows();  // Hides and deletes every window and what it holds
void forget_fonts();       // Empties the font table
void forget_sprites();     // Frees every sprite and 3D sprite

void mark_dirty(int x, int y, int width, int height);  // Screen area changed; clipped to the back buffer

// FLTK reads '@' (symbols) and '&' (underline) in labels; this doubles them so text shows as written.
std::string literal_label(const std::string& display_text);

// Requester patterns ("desc|*.ext|desc2|*.e2" or a bare "*.ext") as an FLTK chooser filter
// ("desc\t*.ext\ndesc2\t*.e2" or "*.ext"), where "*.*" becomes "*": every file, as on Windows.
std::string chooser_filter(const std::string& pattern);
std::string chooser_pattern(const std::string& filter);  // One filter in FLTK's spelling
void use_toolkit_chooser(bool on);                       // On: FLTK's own file chooser even where GTK is installed

}  // namespace svc::fltk
