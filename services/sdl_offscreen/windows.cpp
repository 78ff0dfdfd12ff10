// windows.cpp -- the offscreen platform's windows: numbered records without a window system, and the close request
#include <string>

#include "argument_rules.h"
#include "number_table.h"
#include "offscreen_windows.h"
#include "services/windows.h"
#include "state.h"

namespace svc::sdl {

namespace {

struct OffscreenWindow {
  int width = 0, height = 0;
  std::string title;
};

detail::NumberTable<OffscreenWindow>& windows() {
  static detail::NumberTable<OffscreenWindow> table;
  return table;
}

// A window's handle is its number plus one: never 0, which means no window.
WindowHandle handle_of(int number) { return static_cast<WindowHandle>(number) + 1; }

}  // namespace

bool window_known(WindowHandle window) {
  return window > 0 && window <= INT32_MAX && windows().has(static_cast<int>(window - 1));
}

void forget_windows() { windows().clear(); }

// No window of SDL's: nothing to warp the mouse in or to put a box over.
SDL_Window* main_window() { return nullptr; }

// Only a close request (SIGINT, SIGTERM) means anything without a display.
int translate_event(const SDL_Event& event) { return event.type == SDL_QUIT ? EVENT_CLOSE : EVENT_NONE; }

}  // namespace svc::sdl

namespace svc {

using sdl::state;

int open_window(int window, int x, int y, int inner_width, int inner_height, const std::string& title, int flags) {
  (void)x;
  (void)y;
  (void)flags;
  if (!state.started || !detail::window_size_allowed(inner_width, inner_height)) return 0;
  if (window >= 0 && sdl::windows().has(window)) close_window(window);
  const int number = sdl::windows().pick(window);
  if (number < 0) return 0;
  sdl::windows().store(number, {inner_width, inner_height, title});
  return detail::created(window, number);
}

int is_window(int window) { return sdl::windows().has(window) ? 1 : 0; }

WindowHandle window_handle(int window) { return sdl::windows().has(window) ? sdl::handle_of(window) : 0; }

void set_window_title(int window, const std::string& title) {
  if (auto* w = sdl::windows().get(window)) w->title = title;
}

// The screen lives as long as some window does, as on the SDL platform's screen window.
void close_window(int window) {
  if (!sdl::windows().has(window)) return;
  sdl::windows().release(window);
  if (sdl::windows().size() == 0 && state.renderer) sdl::destroy_screen();
}

int wait_window_event(int timeout_ms) {
  if (!state.started) return EVENT_NONE;
  return sdl::next_event_code(timeout_ms);
}

}  // namespace svc
