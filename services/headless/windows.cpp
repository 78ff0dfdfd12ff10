// windows.cpp -- headless windows, the scripted event queue, message boxes and the desktop table
#include "headless_state.h"
#include "services/desktops.h"
#include "services/messages.h"
#include "services/windows.h"

namespace svc {

using headless::detail::state;

int open_window(int window, int x, int y, int inner_width, int inner_height, const std::string& title, int flags) {
  int number = state.windows.pick(window);
  if (state.fail_open_window || number < 0 || inner_width < 0 || inner_height < 0) return 0;
  if (state.windows.has(number)) close_window(number);  // Reusing a number replaces the window
  headless::detail::Window& w = state.windows.store(number);
  w.x = x;
  w.y = y;
  w.width = inner_width;
  w.height = inner_height;
  w.flags = flags;
  w.title = title;
  w.handle = headless::detail::new_handle();
  return svc::detail::created(window, number);
}

int is_window(int window) { return state.windows.has(window) ? 1 : 0; }

WindowHandle window_handle(int window) {
  const headless::detail::Window* w = state.windows.get(window);
  return w ? w->handle : 0;
}

void set_window_title(int window, const std::string& title) {
  if (headless::detail::Window* w = state.windows.get(window)) w->title = title;
}

// Closing a window takes its menus, fields and screen with it.
void close_window(int window) {
  const headless::detail::Window* w = state.windows.get(window);
  if (!w) return;
  std::intptr_t handle = w->handle;
  state.menus.for_each([&](int n, const headless::detail::Menu& m) {
    if (m.window == handle) state.menus.release(n);
  });
  state.fields.for_each([&](int n, const headless::detail::Field& f) {
    if (f.window == handle) state.fields.release(n);
  });
  if (state.field_window == handle) state.field_window = 0;
  if (state.screen.open && state.screen.window == handle) state.screen = headless::detail::Screen{};
  state.windows.release(window);
}

// Never blocks: an empty queue answers at once, with EVENT_CLOSE while close_when_idle is on.
int wait_window_event(int) {
  if (state.events.empty()) return state.close_when_idle ? EVENT_CLOSE : EVENT_NONE;
  headless::detail::QueuedEvent e = state.events.front();
  state.events.pop_front();
  if (e.code == EVENT_MENU) state.event_menu = e.menu;
  if (e.code == EVENT_FIELD) state.event_field = e.field;
  return e.code;
}

int message_requester(const std::string& title, const std::string& text, int flags) {
  int answer = flags == MESSAGE_OK ? ANSWER_OK : ANSWER_YES;
  if (!state.message_answers.empty()) {
    answer = state.message_answers.front();
    state.message_answers.pop_front();
  }
  state.messages.push_back({title, text, flags, answer});
  return answer;
}

int examine_desktops() {
  state.desktops_examined = state.desktop_count;
  return state.desktops_examined;
}

namespace {

// Every simulated display has display 0's mode; none exists before examine_desktops().
const headless::detail::Desktop* desktop(int index) {
  if (index < 0 || index >= state.desktops_examined) return nullptr;
  return &state.desktop;
}

}  // namespace

int desktop_width(int index) { return desktop(index) ? desktop(index)->width : 0; }
int desktop_height(int index) { return desktop(index) ? desktop(index)->height : 0; }
int desktop_frequency(int index) { return desktop(index) ? desktop(index)->frequency : 0; }
int desktop_depth(int index) { return desktop(index) ? desktop(index)->depth : 0; }

}  // namespace svc
