// engine.cpp -- simengine's body: start-up in its fixed order, the main loop, and shutdown
#include "base/state.h"
#include "base/notices.h"
#include "core/settings.h"
#include "core/engine.h"
#include "core/world_check.h"
#include "core/error_report.h"
#include "core/frame.h"
#include "core/live_reload.h"
#include "core/world_reload.h"
#include "services/desktops.h"
#include "services/faults.h"
#include "services/paths.h"
#include "services/input.h"
#include "services/lifecycle.h"
#include "services/pictures.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "services/windows.h"
#include "world/labyrinth.h"
#include "world/load_screen.h"
#include "world/world.h"
#include "world/world_build.h"

namespace {

// Start the sprite, input and sound devices. Only the joystick's answer is kept; a device
// that does not start stays quiet later (no key reads as held, the wheel reads 0).
void start_devices() {
  if (svc::init_sprite()) svc::transparent_sprite_colour(-1, svc::rgb(255, 0, 255));
  svc::init_sprite3d();
  svc::init_keyboard();
  svc::init_sound();
  svc::init_mouse();
  engine.joystickPresent = svc::init_joystick() ? 1 : 0;
}

// The borderless desktop-sized window and the screen inside it.
void open_window_and_screen() {
  int width = static_cast<int>(engine.screenWidth), height = static_cast<int>(engine.screenHeight);
  engine.window = svc::open_window(-1, 0, 0, width, height, engine.windowTitle, svc::WINDOW_BORDERLESS);
  if (!engine.window) fatal_message(FATAL_NO_WINDOW);
  engine.screenResult = svc::open_windowed_screen(svc::window_handle(engine.window), 0, 0, width, height, 1, 0, 0);
  if (!engine.screenResult) fatal_message(FATAL_NO_SCREEN);
}

}  // namespace

void engine_startup(bool with_window) {
  // The services, then the state record with its defaults (the record's initial values).
  svc::start_services();
  reset_engine_state();
  forget_world();
  engine.windowless = with_window ? 0 : 1;

  // Everything is found relative to the folder the engine was started in.
  engine.baseDirectory = svc::current_directory();
  engine.configPath = engine.baseDirectory + "DATA\\ini.txt";

  // The configuration; a missing file ends the program here.
  read_configuration(engine.configPath);
  remember_start_settings();

  // Every view and drawing step divides by the cell size: refuse to start without one.
  if (!(engine.resolution > 0.0f)) fatal_message(FATAL_BAD_RESOLUTION);

  start_devices();
  svc::register_image_decoders();

  // The primary desktop gives the window and screen size.
  svc::examine_desktops();
  engine.screenWidth = static_cast<float>(svc::desktop_width(0));
  engine.screenHeight = static_cast<float>(svc::desktop_height(0));
  engine.desktopFrequency = svc::desktop_frequency(0);
  engine.desktopDepth = static_cast<int8_t>(svc::desktop_depth(0));

  if (with_window) open_window_and_screen();

  show_load_screen();

  // The world: its grid, the catalogues, the cursor, then the map or the labyrinth.
  build_world();

  // From here on a run-time fault writes the error report.
  svc::set_error_handler(write_error_report);
}

void rebuild_if_variant_changed() {
  if (engine.labyrinthMode == 1 && engine.builtVariant != engine.baseVariant) build_variant(engine.baseVariant);
}

void build_variant(int32_t variant) {
  engine.baseVariant = variant;
  if (engine.labyrinthMode != 1) return;
  engine.variantPaged = 1;
  rebuild_base();
  engine.builtVariant = engine.baseVariant;
}

void run_main_loop() {
  do {
    rebuild_if_variant_changed();
    // A world file that changed and has settled since: the world is rebuilt in place.
    follow_world_files();
    // Exactly one event per pass; MULTITASK says how long to wait for it (not forever while
    // files are followed).
    engine.lastEvent = svc::wait_window_event(live_event_wait(engine.eventWaitMs));
    // The frame of the pass that took the close event is still drawn.
    run_frame();
  } while (engine.lastEvent != svc::EVENT_CLOSE);
}

void engine_shutdown() { svc::stop_services(); }

int run_simengine() {
  engine_startup(true);
  report_world_faults();  // One line on standard error when the world names something missing
  start_following_world_files();
  run_main_loop();
  stop_following_world_files();
  engine_shutdown();
  return 0;
}
