// windows.cpp -- top-level FLTK windows, their numbers, and the event queue the program reads
#include "services/windows.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <algorithm>

#include "services/text.h"
#include "argument_rules.h"
#include "display_text.h"
#include "os.h"
#include "state.h"

namespace svc::fltk {
namespace {

// The close button asks the program; the window stays until the program closes it.
// FLTK also calls a window's callback for Escape, which is not a close request here.
void window_close_requested(Fl_Widget*, void*) {
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  queue_event(EVENT_CLOSE, 0, 0);
}

}  // namespace

WindowRecord* window_record(WindowHandle handle) { return state.windows.get(window_number(handle)); }

int window_number(WindowHandle handle) {
  if (handle == 0) return -1;
  return state.windows.find(
      [handle](const WindowRecord& record) { return reinterpret_cast<WindowHandle>(record.window) == handle; });
}

void queue_event(int code, int menu_id, int field) { state.events.push_back({code, menu_id, field}); }

void close_all_windows() {
  while (state.windows.size() > 0) svc::close_window(state.windows.find([](const WindowRecord&) { return true; }));
  state.events.clear();
}

std::string literal_label(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '@' || c == '&') out += c;
    out += c;
  }
  return out;
}

}  // namespace svc::fltk

namespace svc {

using fltk::state;

int open_window(int window, int x, int y, int inner_width, int inner_height, const std::string& title, int flags) {
  int number = state.windows.pick(window);
  if (number < 0 || !detail::window_size_allowed(inner_width, inner_height)) return 0;
  close_window(number);  // A number in use gets a fresh window

  if (flags & WINDOW_CENTRED_CAPTION) {
    int wx, wy, ww, wh;
    Fl::screen_work_area(wx, wy, ww, wh, 0);
    inner_width = std::min(inner_width, ww);
    inner_height = std::min(inner_height, wh);
    x = wx + (ww - inner_width) / 2;
    y = wy + (wh - inner_height) / 2;
  }

  Fl_Group::current(nullptr);
  Fl_Window* win = new Fl_Window(x, y, inner_width, inner_height);
  win->end();
  if (flags & WINDOW_BORDERLESS) win->clear_border();
  if (flags & WINDOW_SIZABLE)
    win->size_range(64, 32);  // Sizable with minimise and maximise; children keep their places
  else
    win->size_range(inner_width, inner_height, inner_width, inner_height);
  win->copy_label(detail::held_title(to_display_text(title)).c_str());
  win->callback(fltk::window_close_requested);

  fltk::WindowRecord record;
  record.window = win;
  record.flags = flags;
  state.windows.store(number, record);

  win->show();
  Fl::check();
  return detail::created(window, number);
}

int is_window(int window) { return state.windows.has(window) ? 1 : 0; }

WindowHandle window_handle(int window) {
  const fltk::WindowRecord* record = state.windows.get(window);
  return record ? reinterpret_cast<WindowHandle>(record->window) : 0;
}

void set_window_title(int window, const std::string& title) {
  fltk::WindowRecord* record = state.windows.get(window);
  if (!record) return;
  record->window->copy_label(detail::held_title(to_display_text(title)).c_str());  // FLTK keeps its own copy
}

void close_window(int window) {
  fltk::WindowRecord* record = state.windows.get(window);
  if (!record) return;
  Fl_Window* win = record->window;
  state.windows.release(window);
  win->hide();
  Fl::delete_widget(win);
  Fl::check();  // Deletes the window and its widgets
  // Only now is what the widgets point at released: a menu bar reads its item array while its
  // window hides, so freeing the items first would let it read freed memory. `win` is compared, never used.
  fltk::forget_window_fields(win);
  fltk::forget_window_menus(win);
  fltk::forget_window_screen(win);
}

int wait_window_event(int timeout_ms) {
  auto& queue = state.events;
  if (queue.empty()) {
    if (timeout_ms == 0) {
      Fl::check();
    } else if (timeout_ms > 0) {
      const uint64_t deadline = os::monotonic_microseconds() + uint64_t(timeout_ms) * 1000u;
      for (;;) {
        const double left = (double(deadline) - double(os::monotonic_microseconds())) / 1e6;
        if (left <= 0) break;
        Fl::wait(left);
        if (!queue.empty()) break;
      }
    } else {
      // Waits until a callback queues something; with no window shown nothing can arrive.
      while (queue.empty() && Fl::first_window()) Fl::wait();
      if (queue.empty()) Fl::check();
    }
  }
  if (queue.empty()) return EVENT_NONE;
  const fltk::QueuedEvent event = queue.front();
  queue.pop_front();
  if (event.code == EVENT_MENU) state.event_menu = event.menu_id;
  if (event.code == EVENT_FIELD) state.event_field = event.field;
  return event.code;
}

}  // namespace svc
