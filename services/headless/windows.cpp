// windows.cpp -- headless windows and the scripted event queue
#include "services/windows.h"

#include "argument_rules.h"
#include "display_text.h"
#include "state.h"

namespace svc {

using headless::detail::state;

int open_window(int window, int x, int y, int inner_width, int inner_height, const std::string& title, int flags) {
  int number = state.windows.pick(window);
  if (state.fail_open_window || number < 0 || !detail::window_size_allowed(inner_width, inner_height)) return 0;
  if (state.windows.has(number)) close_window(number);  // Reusing a number replaces the window
  state.windows.store(
      number, headless::detail::Window{x, y, inner_width, inner_height, flags, svc::detail::held_title(title), headless::detail::new_handle()});
  return detail::created(window, number);
}

int is_window(int window) { return state.windows.has(window) ? 1 : 0; }

WindowHandle window_handle(int window) {
  const headless::detail::Window* w = state.windows.get(window);
  return w ? w->handle : 0;
}

void set_window_title(int window, const std::string& title) {
  if (headless::detail::Window* w = state.windows.get(window)) w->title = svc::detail::held_title(title);
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

}  // namespace svc

namespace svc::headless::detail {

int window_of_handle(std::intptr_t handle) {
  if (handle == 0) return -1;
  return state.windows.find([handle](const Window& w) { return w.handle == handle; });
}

std::intptr_t new_handle() { return state.next_handle++; }

}  // namespace svc::headless::detail
