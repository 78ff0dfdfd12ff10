// converter.cpp -- mapconvert's body: for now a centred window that runs until closed
#include "converter.h"
#include "services/desktops.h"
#include "services/lifecycle.h"
#include "services/windows.h"

int run_mapconvert() {
  svc::start_services();
  svc::examine_desktops();
  if (svc::open_window(0, 0, 0, svc::desktop_width(0), svc::desktop_height(0), "VARDO BY ORVANEL. ",
                       svc::WINDOW_CENTRED_CAPTION)) {
    while (svc::wait_window_event(9) != svc::EVENT_CLOSE) {
    }
  }
  svc::stop_services();
  return 0;
}
