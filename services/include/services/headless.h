// headless.h -- the display-less platform's script and record: queue what a user would do, read back
// what was shown
//
// Programs that link services_core + services_headless run without a display: the command-line
// tools (which need no user, and take the answers below when the queues are empty) and the tests
// (which queue a user's actions). Events, menu picks, message-box answers, requester results, key
// snapshots, wheel steps and joystick axes come from the queues below; titles, boxes, fields, menus
// and drawing calls are recorded for whoever wants to read them.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace svc::headless {

void reset();  // Forgets every queue, record and object; desktop back to 1920 x 1080

// Desktops.
void set_desktop(int width, int height, int frequency = 60, int depth = 24);  // Display 0
void set_desktop_count(int count);                                            // 0 simulates a machine without displays

// Failures to simulate.
void fail_open_window(bool fail);
void fail_open_screen(bool fail);
void lose_target_sprites();  // As a device reset: target sprites and the back buffer turn magenta, target_sprites_lost reports it once
// The same at the given switch of drawing into a target sprite from now (1: the next), as a renderer
// that resets while a frame is drawn: what was drawn before that switch turns magenta.
void lose_target_sprites_at(int switches);
void fail_target_sprites_after(int count);  // Creations of target sprites after `count` more fail; -1 never
void fail_create_menu(bool fail);
void fail_create_field(int field_number, int times = 1);  // The next `times` creations of that number fail

// Events and answers. When a queue is empty: events give EVENT_NONE, message boxes answer
// ANSWER_OK / ANSWER_YES (flags 0 / others), requesters answer "".
void queue_event(int code);         // A raw event code
void queue_menu_pick(int id);       // EVENT_MENU whose event_menu() is id
void queue_field_event(int field);  // EVENT_FIELD whose event_field() is field
void queue_message_answer(int answer);
void queue_requester_result(const std::string& path);
void queue_key_snapshot(const std::vector<int>& held_scan_codes);  // Taken by the next examine_keyboard
void queue_wheel(int steps);                                       // Taken by the next examine_mouse
void queue_joystick(int raw_x, int raw_y);  // Raw axes -1000..1000, taken by the next examine_joystick
void set_joystick_present(bool present);    // Absent after reset()
void close_when_idle(bool on);              // On (the default after reset()): an empty event queue gives EVENT_CLOSE
int events_pending();                       // Events still queued

// What the program showed.
struct MessageShown {
  std::string title, text;
  int flags;
  int answer;
};
const std::vector<MessageShown>& messages();
void clear_messages();  // Forgets the boxes shown so far (a long run's record would grow)

struct RequesterShown {
  std::string kind, title, default_path, pattern;
  int pattern_index;
  std::string result;
};
const std::vector<RequesterShown>& requesters();  // kind: "open", "save", "path"

struct WindowInfo {
  bool exists;
  int x, y, width, height, flags;
  std::string title;
};
WindowInfo window_info(int window);

struct FieldInfo {
  bool exists;
  bool label;
  int x, y, width, height, flags;
  std::string text;
  int32_t text_colour, back_colour;
  bool text_colour_set, back_colour_set;
  std::intptr_t font;
};
FieldInfo field_info(int field);
void type_into_field(int field, const std::string& text);  // As if the user replaced the text (queues no event)
void set_window_inner_height(int window, int height);      // Overrides the measured client height
// window_inner_height() is the opened inner height (or this override): the headless menu bar is 0 pixels high.

// under_title: the index in menu_entries() of the title an item is under; -1 = the bar (and for titles).
struct MenuEntry {
  bool title;
  int id;
  std::string text;
  int under_title;
};
std::vector<MenuEntry> menu_entries(int menu);

struct FontInfo {
  bool exists;
  std::string face;
  int points;
};
FontInfo font_info(int font);

// Drawing calls, in order. Kinds and their fields:
//   "clear" colour; "flip"; "box" a,b = x,y  c,d = width,height  colour; "plot" a,b = x,y  colour;
//   "text" a,b = x,y  text  colour = front  colour2 = back; "sprite" a = sprite  b,c = x,y;
//   "grab" a = sprite  b,c = x,y  d,e = width,height; "start_3d"; "stop_3d";
//   "sprite3d" a = 3D sprite  b,c = x,y  d = alpha  e = source factor  f = destination factor;
//   "quality" a; "blend" a = source  b = destination; "start_drawing" a = target; "stop_drawing";
//   "picture" text = path (show_picture_file);
//   "zoom" a = 3D sprite  b,c = width,height.
struct DrawCall {
  std::string kind;
  int a = 0, b = 0, c = 0, d = 0, e = 0;  // Positions, sizes, ids, alpha or factors, as the kind needs
  int32_t colour = 0, colour2 = 0;
  std::string text;
  int f = 0;  // Destination blend factor of "sprite3d"
};
const std::vector<DrawCall>& draw_calls();
void clear_draw_calls();
void record_drawing(bool on);        // Off speeds up long runs; on by default
int32_t screen_pixel(int x, int y);  // The back buffer as drawn so far (2D operations and sprites)

// For batch scans of large pictures: decodes a picture file straight onto the back buffer at (0, 0),
// with no sprite and no second copy of its pixels; the colours read back are those display_sprite of
// the loaded picture gives. `prepare` gets the picture's size first and opens the screen; the picture
// is drawn only when it fits the open screen whole. 1 when drawn; 0 when the file can't be decoded,
// prepare returns false or the picture doesn't fit (the screen then stays as prepare left it).
int show_picture_file(const std::string& path, const std::function<bool(int width, int height)>& prepare);
int sprite3d_size(int sprite3d, int* width, int* height);  // The zoomed size; 0 when no such 3D sprite
int sprite3d_picture(int sprite3d);                        // The sprite under the 3D sprite
int live_sprite3d_count();                                 // 3D sprites currently allocated
void mouse_position(int* x, int* y);                       // Where mouse_locate last put the mouse

// Ending the program. end_program() inside run_program() returns here with its exit code; outside
// run_program() it ends the process. run_program() stops the services after the body, as a process end would.
int run_program(const std::function<int()>& body);  // The body's result, or the code passed to end_program

}  // namespace svc::headless
