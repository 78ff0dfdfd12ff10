// state.h -- the headless platform's one state record: object tables, queues and records
//
// A display-less platform: every operation works without a window system. Events and answers come
// from a script (services/headless.h), drawing goes to a CPU screen and is recorded. The shipped
// command-line tools (mapscan, worlddump, worldmake) link it to run the programs' own code without a
// display; the tests link it to script a user.
// Implements (one file each, named as the header): desktops.h, fields.h, headless.h, input.h,
// lifecycle.h, menus.h, messages.h, requesters.h, screen.h, sprites.h, windows.h.
// Limitations: draw_text is recorded but draws nothing, and 3D sprites are scaled without filtering
// whatever sprite3d_quality asks.
// Does not implement: clock.h, faults.h, files.h, grid.h, list.h, pictures.h, random.h, text.h, which
// services/core serves alike for every platform, as it does the readers of the display table
// (desktops.h) and of the input snapshots (input.h).
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "services/headless.h"
#include "services/pictures.h"
#include "number_table.h"
#include "surface.h"

namespace svc::headless::detail {

struct QueuedEvent {
  int code = 0;
  int menu = 0;   // event_menu() after this event
  int field = 0;  // event_field() after this event
};

struct Window {
  int x = 0, y = 0, width = 0, height = 0, flags = 0;
  std::string title;
  std::intptr_t handle = 0;
  int inner_height_override = -1;  // -1: the opened height
};

struct Menu {
  std::intptr_t window = 0;
  std::vector<MenuEntry> entries;
  int last_title = -1;  // Entry index of the last title, -1 before any
};

struct Field {
  std::intptr_t window = 0;
  bool label = false;
  int x = 0, y = 0, width = 0, height = 0, flags = 0;
  std::string text;
  int32_t text_colour = 0, back_colour = 0;
  bool text_colour_set = false, back_colour_set = false;
  std::intptr_t font = 0;
};

struct Font {
  std::string face;
  int points = 0;
  std::intptr_t handle = 0;
};

struct Sprite {
  std::shared_ptr<Picture> picture;  // Shared with the 3D sprites made from it
  int mode = 0;
  bool drawable = false;  // A target sprite: drawing may go into it
};

struct Sprite3D {
  int sprite = 0;                          // The sprite it was made from
  std::shared_ptr<const Picture> picture;  // Kept while the 3D sprite lives
  int width = 0, height = 0;               // Drawn size
};

struct Desktop {
  int width = 1920, height = 1080, frequency = 60, depth = 24;
};

struct Screen {
  bool open = false;
  std::intptr_t window = 0;
  int x = 0, y = 0;
  svc::detail::Surface surface;
  // While a picture of this size is shown straight onto the screen, a screen opened at least as large
  // is left uncleared (the picture's shower clears what the picture does not cover) and says so in
  // `opened_uncleared`.
  int picture_width = 0, picture_height = 0;
  bool opened_uncleared = false;
};

struct State {
  // Script: what the simulated user does.
  std::deque<QueuedEvent> events;
  std::deque<int> message_answers;
  std::deque<std::string> requester_results;
  std::deque<std::vector<int>> key_snapshots;
  std::deque<int> wheel_steps;
  std::deque<std::pair<int, int>> joystick_axes;
  bool joystick_present = false;
  bool close_when_idle = true;
  std::map<int, int> field_failures;  // Field number -> creations still to fail
  bool fail_open_window = false, fail_open_screen = false, fail_create_menu = false;

  // Desktops: what examine_desktops() finds.
  Desktop desktop;
  int desktop_count = 1;

  // Objects.
  svc::detail::NumberTable<Window> windows;
  svc::detail::NumberTable<Menu> menus;
  int current_menu = -1;
  svc::detail::NumberTable<Field> fields;
  std::intptr_t field_window = 0;  // Parent of the fields created next
  std::intptr_t default_field_font = 0;
  svc::detail::NumberTable<Font> fonts;
  svc::detail::NumberTable<Sprite> sprites;
  svc::detail::NumberTable<Sprite3D> sprites3d;
  int32_t transparent_colour = -1;  // -1: none for later loads
  Screen screen;
  std::intptr_t next_handle = 0x1000;

  // Current event's values.
  int event_menu = 0, event_field = 0;

  // 3D pass.
  int blend_source = 5, blend_destination = 6;
  int quality = 0;
  bool targets_lost = false;           // lose_target_sprites ran since target_sprites_lost asked
  int target_creations_left = -1;      // fail_target_sprites_after: creations that still succeed; -1 all
  int lose_targets_at = 0;             // lose_target_sprites_at: switches into a target sprite before the loss; 0 none
  int drawing_into = 0;                // The target sprite drawn into (its pixels are the screen surface meanwhile)
  svc::detail::Surface saved_screen;  // The back buffer while a target sprite is drawn into
  bool in_3d = false, in_drawing = false;
  int mouse_x = 0, mouse_y = 0;

  // Records.
  std::vector<MessageShown> messages;
  std::vector<RequesterShown> requesters;
  std::vector<DrawCall> draw_calls;
  bool recording = true;

  // Lifecycle.
  bool started = false;
  int run_depth = 0;  // How many run_program() calls are active; reset() keeps it
};

// Thrown by end_program() inside run_program(), caught only there.
struct ProgramEnded {
  int exit_code;
};

extern State state;

// The numbers of a drawing call, in the order of DrawCall's a, b, c, d, e and f.
struct CallNumbers {
  int a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
};
// Records a drawing call when recording is on (when it is off, nothing is built).
void record(const char* kind, const CallNumbers& numbers = {}, int32_t colour = 0, int32_t colour2 = 0,
            const std::string& text = std::string());
// The window number whose handle this is; -1 when none.
int window_of_handle(std::intptr_t handle);
// A fresh non-zero handle for a window, font or menu.
std::intptr_t new_handle();
// Releases every window, screen, sprite, font, field and menu.
void release_objects();

}  // namespace svc::headless::detail
