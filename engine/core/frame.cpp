// frame.cpp -- one frame of the main loop, narrated in the order the steps run
#include "base/state.h"
#include "core/frame.h"
#include "core/live_reload.h"
#include "core/view_input.h"
#include "core/world_drawing.h"
#include "services/screen.h"
#include "services/text.h"
#include "world/world.h"

void run_frame() {
  // Read the keys first, so a Page key released now shows its variant in this frame's overlay.
  keyboard_control();
  wheel_zoom();
  if (engine.joystickPresent) joystick_control();

  // The world is drawn only with the 3D-sprite flag; otherwise the overlay goes over whatever
  // the back buffer still holds.
  if (engine.useSprite3D == 1) {
    draw_world();
    draw_position_boxes();
  }

  timer_tick();
  debug_overlay();

  // Show what was drawn.
  svc::flip_buffers();
}

void timer_tick() {
  engine.refreshCounter++;
  if (engine.refreshCounter > engine.refreshPeriod) engine.refreshCounter = 0;
  if (engine.refreshCounter == 0) engine.InGameRelativeTimer++;
}

std::string debug_overlay_line(int line) {
  switch (line) {
    case 0: return "Debug:  InGameRelativeTimer: " + svc::int_to_string(engine.InGameRelativeTimer);
    case 1: return "Debug: actual map: " + svc::int_to_string(engine.baseVariant);
    case 2: return "Debug: GFXMEM:" + svc::int_to_string(svc::free_video_memory());
    case 3:
      return "Debug: max_x " + svc::float_to_string(static_cast<float>(engine.mapMaxX)) +
             "  max_y: " + svc::float_to_string(static_cast<float>(engine.mapMaxY));
    case 4: {
      const WorldCell* c = svc::cell(worldState.world, 1, 1);  // absent in a world of one column
      return "Debug: world: " + (c ? c->pictureName : std::string());
    }
    default: return "";
  }
}

void debug_overlay() {
  const int32_t front = svc::rgb(255, 255, 200), back = svc::rgb(0, 0, 0);
  svc::start_drawing(svc::screen_output());
  for (int line = 0; line < 5; line++) svc::draw_text(10, 10 + 14 * line, debug_overlay_line(line), front, back);
  // For a few seconds after a rebuild in place, a sixth line says what changed.
  const std::string reload = live_reload_line();
  if (!reload.empty()) svc::draw_text(10, 10 + 14 * 5, reload, front, back);
  svc::stop_drawing();
}
