// editor.cpp -- dnaedit's body: for now a sizable window that runs until closed
#include "editor.h"
#include "services/lifecycle.h"
#include "services/windows.h"

int run_dnaedit() {
  svc::start_services();
  if (svc::open_window(0, 0, 0, 640, 480, "dnaedit", svc::WINDOW_SIZABLE)) {
    while (svc::wait_window_event(50) != svc::EVENT_CLOSE) {
    }
  }
  svc::stop_services();
  return 0;
}
