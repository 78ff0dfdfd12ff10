// headless_state.h -- the headless platform's one state record: object tables, queues and records
#pragma once
#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "services/headless.h"
#include "services/pictures.h"
#include "number_pick.h"
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
};

struct Sprite3D {
  int sprite = 0;                          // The sprite it was made from
  std::shared_ptr<const Picture> picture;  // Kept while the 3D sprite lives; null marks a free number
  int width = 0, height = 0;               // Drawn size
};

// The 3D sprites: worlds make hundreds of thousands, so they live in one array indexed by number,
// as on the SDL platform. -1 takes the last freed number still free, else the next never-used
// one (creating and freeing are O(1)); a chosen number must lie in 1 .. kMaxExplicit - 1.
struct Sprite3DTable {
  static constexpr int kMaxExplicit = 1 << 20;             // Larger chosen numbers are refused, not allocated
  std::vector<Sprite3D> slots = std::vector<Sprite3D>(1);  // Number 0 is never used
  std::vector<int> released;
  int next_unused = 1;
  int live = 0;

  bool has(int n) const { return n > 0 && n < static_cast<int>(slots.size()) && slots[n].picture; }
  Sprite3D* get(int n) { return has(n) ? &slots[n] : nullptr; }
  // Stores a record (its picture set) under n, or under a free number for -1; 0 on failure.
  int take(int n, Sprite3D&& record) {
    if (n >= kMaxExplicit || !record.picture) return 0;
    if (n == -1) n = svc::detail::pick_free_number(released, next_unused, [this](int k) { return has(k); });
    if (n <= 0 || has(n)) return 0;
    if (n >= static_cast<int>(slots.size())) slots.resize(std::max<size_t>(n + 1, slots.size() * 2));
    slots[n] = std::move(record);
    live++;
    return n;
  }
  void release(int n) {
    if (!has(n)) return;
    slots[n] = Sprite3D{};
    released.push_back(n);
    live--;
  }
  void clear() {
    slots.assign(1, Sprite3D{});
    released.clear();
    next_unused = 1;
    live = 0;
  }
};

struct Desktop {
  int width = 1920, height = 1080, frequency = 60, depth = 24;
};

struct Screen {
  bool open = false;
  std::intptr_t window = 0;
  int x = 0, y = 0;
  svc::detail::Surface surface;
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

  // Desktops.
  Desktop desktop;
  int desktop_count = 1;
  int desktops_examined = 0;

  // Objects.
  std::map<int, Window> windows;
  std::map<int, Menu> menus;
  int current_menu = -1;
  std::map<int, Field> fields;
  std::intptr_t field_window = 0;  // Parent of the fields created next
  std::intptr_t default_field_font = 0;
  std::map<int, Font> fonts;
  std::map<int, Sprite> sprites;
  Sprite3DTable sprites3d;
  int32_t transparent_colour = -1;  // -1: none for later loads
  Screen screen;
  std::intptr_t next_handle = 0x1000;

  // Current event's values.
  int event_menu = 0, event_field = 0;

  // 3D pass.
  int blend_source = 5, blend_destination = 6;
  int quality = 0;
  bool in_3d = false, in_drawing = false;
  int mouse_x = 0, mouse_y = 0;

  // Records.
  std::vector<MessageShown> messages;
  std::vector<RequesterShown> requesters;
  std::vector<DrawCall> draw_calls;
  bool recording = true;

  // Lifecycle.
  bool started = false;
};

extern State state;

// Records a drawing call when recording is on.
void record(const DrawCall& call);
// The window number whose handle this is; -1 when none.
int window_of_handle(std::intptr_t handle);
// A fresh non-zero handle for a window, font or menu.
std::intptr_t new_handle();
// The lowest free number >= 1 in a table.
template <typename T>
int free_number(const std::map<int, T>& table) {
  // Fast path: when the numbers from 1 up are taken without a gap, the next one is free. Worlds
  // create hundreds of thousands of 3D sprites, and a scan from 1 each time would be quadratic.
  size_t from_one = table.size() - table.count(0);
  if (from_one == 0) return 1;
  if (table.rbegin()->first == static_cast<int>(from_one)) return static_cast<int>(from_one) + 1;
  int n = 1;
  for (const auto& entry : table) {
    if (entry.first < n) continue;
    if (entry.first != n) break;
    ++n;
  }
  return n;
}
// The number an object gets: -1 picks the lowest free one; other negatives are refused with -2.
template <typename T>
int pick_number(const std::map<int, T>& table, int requested) {
  if (requested == -1) return free_number(table);
  return requested < 0 ? -2 : requested;
}
// Releases every window, screen, sprite, font, field and menu.
void release_objects();

}  // namespace svc::headless::detail
