// windows.h -- top-level windows and the event queue
//
// Every platform keeps the same rules. Object numbers, here and in screen.h, sprites.h, menus.h and
// fields.h: -1 asks for the lowest free number from 1 up and gets it back; a number from 0 up to
// 2^20 - 1 may be chosen, answers 1 and replaces what held that number before; any other is refused
// (0). A window's client area is at least 1 x 1 pixel.
#pragma once
#include <cstdint>
#include <string>

namespace svc {

enum WindowFlags {
  WINDOW_BORDERLESS = 1,       // the engine: no caption, no border
  WINDOW_CENTRED_CAPTION = 2,  // the converter: caption and system menu, centred on the screen
  WINDOW_SIZABLE = 4,          // the editor: caption, system menu, sizing border, minimise and maximise
};

enum EventCode { EVENT_NONE = 0, EVENT_REPAINT = 15, EVENT_CLOSE = 16, EVENT_FIELD = 13100, EVENT_MENU = 13101 };

using WindowHandle = std::intptr_t;

// 0 when the number or size is refused, or the window system refuses the window.
int open_window(int window, int x, int y, int inner_width, int inner_height, const std::string& title, int flags);
int is_window(int window);               // Non-zero while it exists
WindowHandle window_handle(int window);  // The handle for screens and menus; 0 when none
void set_window_title(int window, const std::string& title);
void close_window(int window);
int wait_window_event(int timeout_ms);  // One event: 0 returns at once, n waits at most n ms, -1 waits for one

}  // namespace svc
