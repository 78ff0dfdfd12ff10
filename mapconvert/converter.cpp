// converter.cpp -- mapconvert's body: settings, window, screen and menu, then the event loop
#include "converter.h"

#include "notices.h"
#include "commands.h"
#include "state.h"
#include "settings.h"
#include "shown_frame.h"
#include "services/desktops.h"
#include "services/faults.h"
#include "services/paths.h"
#include "services/input.h"
#include "services/lifecycle.h"
#include "services/messages.h"
#include "services/menus.h"
#include "services/pictures.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/windows.h"
#include "services/text.h"

ConverterState converter_state;

namespace {

// A run-time fault: say what happened (the services end the program afterwards).
int on_fault() {
  svc::message_requester("Error:", svc::error_message(), svc::MESSAGE_OK);
  return 0;
}

}  // namespace

void start_converter(ConverterState& state) {
  svc::register_image_decoders();
  state = ConverterState();
  state.base_path = svc::current_directory();
  state.mode = MODE_IDLE;

  read_settings_file(read_pointer_file(state.base_path + "ini.ini"), state);

  svc::examine_desktops();
  const int width = svc::desktop_width(0), height = svc::desktop_height(0);
  failure_check(
      svc::open_window(0, 0, 0, width, height, "VARDO BY ORVANEL. " + state.title_suffix, svc::WINDOW_CENTRED_CAPTION),
      "FAIL: WINDOW");
  failure_check(svc::init_sprite(), "FAIL: DX");
  failure_check(svc::init_keyboard(), "FAIL: KEYBOARD");
  failure_check(svc::init_mouse(), "FAIL: MAUSE");
  failure_check(svc::init_sprite3d(), "FAIL: DX (Sprite3D)");
  failure_check(svc::open_windowed_screen(svc::window_handle(0), 0, 0, width, height, 0, 0, 0), "FAIL: SCREEN");
  failure_check(create_converter_menu(), "FAIL: Create MENU");
  state.mode = MODE_IDLE;
}

void run_event_loop(ConverterState& state) {
  for (;;) {
    failure_check(svc::is_window(0), "FAIL: WINDOW_ID = " + svc::int_to_string(0));
    svc::set_error_handler(on_fault);
    const int event = svc::wait_window_event(9);
    if (event == svc::EVENT_MENU && state.mode == MODE_IDLE) run_menu_command(state, svc::event_menu());
    draw_shown_frame(state);  // Scans read exactly this frame
    svc::flip_buffers();
    if (state.mode == MODE_QUIT || event == svc::EVENT_CLOSE) break;
  }
}

int run_mapconvert() {
  svc::start_services();
  start_converter(converter_state);
  run_event_loop(converter_state);

  svc::stop_services();
  return 0;
}
