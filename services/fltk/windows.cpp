// windows.cpp -- top-level FLTK windows, their numbers, and the event queue the program reads
#include "services/windows.h"
#include "services/fields.h"
#include "services/menus.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <algorithm>
#include <chrono>
#include <deque>

#include "fltk_platform.h"
#include "services/text.h"

namespace svc::fltk {
namespace {

struct QueuedEvent {
  int code;
  int menu_id;
  int field;
};

std::deque<QueuedEvent> event_queue;

// The close button asks the program; the window stays until the program closes it.
// FLTK also calls a window's callback for Escape, which is not a close request here.
void window_close_requested(Fl_Widget*, void*) {
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  queue_event(EVENT_CLOSE, 0, 0);
}

}  // namespace

std::map<int, WindowRecord>& window_table() {
  static std::map<int, WindowRecord> table;
  return table;
}

WindowRecord* window_record(WindowHandle handle) {
  if (handle == 0) return nullptr;
  for (auto& [number, record] : window_table())
    if (reinterpret_cast<WindowHandle>(record.window) == handle) return &record;
  return nullptr;
}

int window_number(WindowHandle handle) {
  if (handle == 0) return -1;
  for (auto& [number, record] : window_table())
    if (reinterpret_cast<WindowHandle>(record.window) == handle) return number;
  return -1;
}

void queue_event(int code, int menu_id, int field) { event_queue.push_back({code, menu_id, field}); }

void close_all_windows() {
  while (!window_table().empty()) svc::close_window(window_table().begin()->first);
  event_queue.clear();
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

std::string normalise_breaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace svc::fltk

namespace svc {

using fltk::window_table;

namespace {
int last_menu_id = 0;
int last_field = 0;
}  // namespace

int open_window(int window, int x, int y, int inner_width, int inner_height, const std::string& title, int flags) {
  if (window < -1 || inner_width <= 0 || inner_height <= 0) return 0;
  int number = window;
  if (number == -1) {
    number = 1;
    while (window_table().count(number)) ++number;
  }
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
  win->copy_label(to_display_text(title).c_str());
  win->callback(fltk::window_close_requested);

  fltk::WindowRecord record;
  record.window = win;
  record.flags = flags;
  window_table()[number] = record;

  win->show();
  Fl::check();
  return window == -1 ? number : 1;
}

int is_window(int window) { return window_table().count(window) ? 1 : 0; }

WindowHandle window_handle(int window) {
  auto it = window_table().find(window);
  return it == window_table().end() ? 0 : reinterpret_cast<WindowHandle>(it->second.window);
}

void set_window_title(int window, const std::string& title) {
  auto it = window_table().find(window);
  if (it == window_table().end()) return;
  it->second.window->copy_label(to_display_text(title).c_str());  // FLTK keeps its own copy
}

void close_window(int window) {
  auto it = window_table().find(window);
  if (it == window_table().end()) return;
  Fl_Window* win = it->second.window;
  fltk::forget_window_fields(win);
  fltk::forget_window_menus(win);
  fltk::forget_window_screen(win);
  window_table().erase(it);
  win->hide();
  Fl::delete_widget(win);
  Fl::check();
}

int wait_window_event(int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  auto& queue = fltk::event_queue;
  if (queue.empty()) {
    if (timeout_ms == 0) {
      Fl::check();
    } else if (timeout_ms > 0) {
      const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
      for (;;) {
        const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
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
  if (event.code == EVENT_MENU) last_menu_id = event.menu_id;
  if (event.code == EVENT_FIELD) last_field = event.field;
  return event.code;
}

int event_menu() { return last_menu_id; }

int event_field() { return last_field; }

}  // namespace svc
