// engine.cpp -- simengine's body: for now a borderless desktop-sized window that runs until closed
#include "core/engine.h"
#include "core/engine_state.h"
#include "services/desktops.h"
#include "services/lifecycle.h"
#include "services/windows.h"

int run_simengine() {
  svc::start_services();
  reset_engine_state();
  svc::examine_desktops();
  int w = svc::desktop_width(0), h = svc::desktop_height(0);
  engine.window = svc::open_window(-1, 0, 0, w, h, engine.windowTitle, svc::WINDOW_BORDERLESS);
  if (engine.window) {
    do {
      engine.lastEvent = svc::wait_window_event(10);
    } while (engine.lastEvent != svc::EVENT_CLOSE);
  }
  svc::stop_services();
  return 0;
}
