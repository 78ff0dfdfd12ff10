// fltk_platform.h -- state shared by the FLTK platform's files: windows, the event queue, labels
#pragma once
#include <string>
#include "number_table.h"
#include "services/windows.h"

class Fl_Window;
class Fl_Menu_Bar;

namespace svc::fltk {

// One open top-level window of the program.
struct WindowRecord {
  Fl_Window* window = nullptr;
  Fl_Menu_Bar* bar = nullptr;  // The menu bar, once create_menu has run
  int bar_height = 0;          // Client coordinates start this far below the window's top
  int flags = 0;
};

detail::NumberTable<WindowRecord>& window_table();  // Window number -> record
WindowRecord* window_record(WindowHandle handle);   // The record of an Fl_Window*, or nullptr
int window_number(WindowHandle handle);             // Its number, or -1

// The event queue that wait_window_event takes from; callbacks fill it.
void queue_event(int code, int menu_id, int field);

// Drops what belongs to a window that is about to be deleted.
void forget_window_fields(Fl_Window* window);
void forget_window_menus(Fl_Window* window);
void forget_window_screen(Fl_Window* window);

void close_all_windows();  // Hides and deletes every window and what it holds
void forget_fonts();       // Empties the font table
void forget_sprites();     // Frees every sprite and 3D sprite

// FLTK reads '@' (symbols) and '&' (underline) in labels; this doubles them so text shows as written.
std::string literal_label(const std::string& display_text);

// Requester patterns ("desc|*.ext|desc2|*.e2" or a bare "*.ext") as an FLTK chooser filter
// ("desc\t*.ext\ndesc2\t*.e2" or "*.ext"), where "*.*" becomes "*": every file, as on Windows.
std::string chooser_filter(const std::string& pattern);
std::string chooser_pattern(const std::string& filter);  // One filter in FLTK's spelling
void use_toolkit_chooser(bool on);                       // On: FLTK's own file chooser even where GTK is installed

}  // namespace svc::fltk
