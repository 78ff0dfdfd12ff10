// offscreen_windows.h -- the offscreen platform's own declarations between its files: its windows are
// records of its own (windows.cpp), which the screen's renderer and the stop of the services consult
#pragma once
#include "services/windows.h"

namespace svc::sdl {

bool window_known(WindowHandle window);  // Whether the handle is an open window's
void forget_windows();                   // Forgets every window (the services stop)

}  // namespace svc::sdl
