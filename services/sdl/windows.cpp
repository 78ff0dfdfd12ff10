// windows.cpp -- SDL windows in a numbered table, and the event queue reduced to the program's event codes
#include "services/windows.h"

#include <errno.h>

#include <cstdio>

#include "argument_rules.h"
#include "display_text.h"
#include "os.h"
#include "screen_window.h"
#include "state.h"

namespace svc {

using sdl::state;

int open_window(int window, int x, int y, int inner_width, int inner_height, const std::string& title, int flags) {
  if (!state.started || !detail::window_size_allowed(inner_width, inner_height) || state.windows.pick(window) < 0)
    return 0;
  if (window >= 0 && state.windows.has(window)) close_window(window);  // Reusing a number replaces the window
  Uint32 sdl_flags = SDL_WINDOW_SHOWN;
  int wx = x, wy = y;
  if (flags & WINDOW_BORDERLESS) {
    sdl_flags |= SDL_WINDOW_BORDERLESS;
  } else if (flags & WINDOW_SIZABLE) {
    sdl_flags |= SDL_WINDOW_RESIZABLE;
  } else if (flags & WINDOW_CENTRED_CAPTION) {
    wx = wy = SDL_WINDOWPOS_CENTERED;
  }
  // The window is made as the screen's renderer wants it, so that it is never replaced later; a
  // system whose OpenGL refuses such a window gets a plain one.
  const std::string shown_title = detail::held_title(detail::display_lines(title));
  SDL_Window* w = SDL_CreateWindow(shown_title.c_str(), wx, wy, inner_width, inner_height,
                                   sdl_flags | sdl::screen_window_flags());
  if (!w && sdl::screen_window_flags())
    w = SDL_CreateWindow(shown_title.c_str(), wx, wy, inner_width, inner_height, sdl_flags);
  if (!w) {
    // The program says that it has no window in its own words. With a display, SDL's reason goes to
    // the error stream too: something unusual happened there.
    if (SDL_WasInit(SDL_INIT_VIDEO))
      std::fprintf(stderr, "%s: SDL could not open a window: %s\n", os::program_name().c_str(), SDL_GetError());
    return 0;
  }
  int number = state.windows.pick(window);
  if (number < 0) {
    SDL_DestroyWindow(w);
    return 0;
  }
  state.windows.store(number, w);
  SDL_RaiseWindow(w);
  return detail::created(window, number);
}

int is_window(int window) { return state.windows.has(window) ? 1 : 0; }

WindowHandle window_handle(int window) {
  SDL_Window** w = state.windows.get(window);
  return w ? reinterpret_cast<WindowHandle>(*w) : 0;
}

void set_window_title(int window, const std::string& title) {
  if (SDL_Window** w = state.windows.get(window))
    SDL_SetWindowTitle(*w, detail::held_title(detail::display_lines(title)).c_str());
}

// Closing the window that holds the screen takes the screen and every texture with it.
void close_window(int window) {
  SDL_Window** w = state.windows.get(window);
  if (!w) return;
  if (*w == state.screen_window) sdl::destroy_screen();
  SDL_DestroyWindow(*w);
  state.windows.release(window);
}

// Repaint or close, from the SDL events (see sdl::next_event_code).
int wait_window_event(int timeout_ms) {
  if (!state.started) return EVENT_NONE;
  return sdl::next_event_code(timeout_ms);
}

}  // namespace svc

namespace svc::sdl {

SDL_Window* main_window() {
  if (state.screen_window) return state.screen_window;
  int first = state.windows.find([](SDL_Window*) { return true; });
  return first >= 0 ? *state.windows.get(first) : nullptr;
}

int translate_event(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:  // also SIGTERM and SIGINT
      return EVENT_CLOSE;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) return EVENT_CLOSE;
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED) return EVENT_REPAINT;
      return EVENT_NONE;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      // What target sprites held is gone (Direct3D's device reset); the event watch noted it for
      // target_sprites_lost as SDL sent it (renderer_resets.cpp). The screen is drawn again.
      return EVENT_REPAINT;
    case SDL_KEYDOWN: {
      // Escape and Alt+F4 close: the engine's borderless desktop-sized window has no other way out.
      SDL_Scancode sc = event.key.keysym.scancode;
      if (sc == SDL_SCANCODE_ESCAPE || (sc == SDL_SCANCODE_F4 && (event.key.keysym.mod & KMOD_ALT))) return EVENT_CLOSE;
      int code = pc_scan_code(sc);
      if (code > 0 && code < 256 && !event.key.repeat) state.key_latch[code] = true;
      return EVENT_NONE;
    }
    case SDL_MOUSEWHEEL: {
      int steps = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
      state.wheel_steps += steps;
      return EVENT_NONE;
    }
    default: return EVENT_NONE;
  }
}

}  // namespace svc::sdl
