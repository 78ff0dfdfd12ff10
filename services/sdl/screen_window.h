// screen_window.h -- the SDL window platform's own declaration between its files: the flags a window
// needs for the screen that may open on it (windows.cpp asks, screen_renderer.cpp knows the renderer)
#pragma once
#include <SDL.h>

namespace svc::sdl {

// The window flags the screen's renderer needs from the start (SDL_WINDOW_OPENGL where OpenGL is
// built in): without them SDL replaces the window by a new one when the screen opens, and whoever
// found the first window (a window manager, a test) holds a window that is gone.
Uint32 screen_window_flags();

}  // namespace svc::sdl
