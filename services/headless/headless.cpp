// headless.cpp -- the test's side of the headless platform: queues to fill, records to read, reset,
// and run_program(), to which end_program() returns inside a test
#include "services/headless.h"

#include <algorithm>

#include "desktop_table.h"
#include "input_state.h"
#include "services/files.h"
#include "services/lifecycle.h"
#include "services/windows.h"
#include "state.h"

namespace svc::headless {

using detail::state;

void reset() {
  close_all_files();
  int run_depth = state.run_depth;  // A test may reset inside run_program()
  state = detail::State{};
  state.run_depth = run_depth;
  svc::detail::clear_input_state();
  svc::detail::store_desktops({});  // None exists before examine_desktops()
}

void set_desktop(int width, int height, int frequency, int depth) {
  state.desktop = detail::Desktop{width, height, frequency, depth};
}

void set_desktop_count(int count) { state.desktop_count = std::max(count, 0); }

void fail_open_window(bool fail) { state.fail_open_window = fail; }
void fail_open_screen(bool fail) { state.fail_open_screen = fail; }
void fail_target_sprites_after(int count) { state.target_creations_left = count; }
void fail_create_menu(bool fail) { state.fail_create_menu = fail; }

void fail_create_field(int field_number, int times) {
  if (times > 0)
    state.field_failures[field_number] = times;
  else
    state.field_failures.erase(field_number);
}

void queue_event(int code) { state.events.push_back({code, 0, 0}); }
void queue_menu_pick(int id) { state.events.push_back({EVENT_MENU, id, 0}); }
void queue_field_event(int field) { state.events.push_back({EVENT_FIELD, 0, field}); }
void queue_message_answer(int answer) { state.message_answers.push_back(answer); }
void queue_requester_result(const std::string& path) { state.requester_results.push_back(path); }
void queue_key_snapshot(const std::vector<int>& held_scan_codes) { state.key_snapshots.push_back(held_scan_codes); }
void queue_wheel(int steps) { state.wheel_steps.push_back(steps); }
void queue_joystick(int raw_x, int raw_y) { state.joystick_axes.emplace_back(raw_x, raw_y); }
void set_joystick_present(bool present) { state.joystick_present = present; }
void close_when_idle(bool on) { state.close_when_idle = on; }
int events_pending() { return static_cast<int>(state.events.size()); }

const std::vector<MessageShown>& messages() { return state.messages; }
void clear_messages() { std::vector<MessageShown>().swap(state.messages); }
const std::vector<RequesterShown>& requesters() { return state.requesters; }

WindowInfo window_info(int window) {
  const detail::Window* w = state.windows.get(window);
  if (!w) return WindowInfo{false, 0, 0, 0, 0, 0, ""};
  return WindowInfo{true, w->x, w->y, w->width, w->height, w->flags, w->title};
}

FieldInfo field_info(int field) {
  const detail::Field* found = state.fields.get(field);
  if (!found) return FieldInfo{false, false, 0, 0, 0, 0, 0, "", 0, 0, false, false, 0};
  const detail::Field& f = *found;
  return FieldInfo{true,    f.label, f.x,           f.y,           f.width,           f.height,
                   f.flags, f.text,  f.text_colour, f.back_colour, f.text_colour_set, f.back_colour_set,
                   f.font};
}

void type_into_field(int field, const std::string& text) {
  detail::Field* f = state.fields.get(field);
  if (f && !f->label) f->text = text;
}

void set_window_inner_height(int window, int height) {
  if (detail::Window* w = state.windows.get(window)) w->inner_height_override = height;
}

std::vector<MenuEntry> menu_entries(int menu) {
  const detail::Menu* m = state.menus.get(menu);
  return m ? m->entries : std::vector<MenuEntry>{};
}

FontInfo font_info(int font) {
  const detail::Font* f = state.fonts.get(font);
  if (!f) return FontInfo{false, "", 0};
  return FontInfo{true, f->face, f->points};
}

const std::vector<DrawCall>& draw_calls() { return state.draw_calls; }
void clear_draw_calls() { state.draw_calls.clear(); }
void record_drawing(bool on) { state.recording = on; }

int32_t screen_pixel(int x, int y) { return svc::detail::surface_point(state.screen.surface, x, y); }

int sprite3d_size(int sprite3d, int* width, int* height) {
  const headless::detail::Sprite3D* s = state.sprites3d.get(sprite3d);
  if (!s) return 0;
  if (width) *width = s->width;
  if (height) *height = s->height;
  return 1;
}

int sprite3d_picture(int sprite3d) {
  const headless::detail::Sprite3D* s = state.sprites3d.get(sprite3d);
  return s ? s->sprite : 0;
}

int live_sprite3d_count() { return state.sprites3d.size(); }

void mouse_position(int* x, int* y) {
  if (x) *x = state.mouse_x;
  if (y) *y = state.mouse_y;
}

namespace {

// Leaves run_program() by any road with the depth restored.
struct RunDepthGuard {
  RunDepthGuard() { ++state.run_depth; }
  ~RunDepthGuard() { --state.run_depth; }
};

}  // namespace

// This and end_program() are the suite's only use of an exception, which never leaves the two.
int run_program(const std::function<int()>& body) {
  int result = 0;
  {
    RunDepthGuard guard;
    try {
      result = body();
    } catch (const detail::ProgramEnded& ended) {
      result = ended.exit_code;
    }
  }
  // The process would end here: whatever the body left open is released.
  stop_services();
  return result;
}

}  // namespace svc::headless
