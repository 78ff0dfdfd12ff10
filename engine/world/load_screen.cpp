// load_screen.cpp -- a full-screen picture, one of two variants chosen at random, shown for four
// seconds right after the screen opens
//
// The choice is the first draw of the run from the engine-wide generator, so a configured
// WORLDRANDOM always shows the same variant. Without a window (the world dump) the draw is still
// made, so the world that follows is the same, but nothing is loaded or shown and nobody waits.
#include "world/load_screen.h"

#include "base/state.h"
#include "services/clock.h"
#include "services/files.h"
#include "services/input.h"
#include "services/random.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"

namespace {
int loadScreenWaitMs = 4000;
std::string drawnName;  // the name the last draw gave

void free_load_screen_picture() {
  if (svc::is_sprite3d(engine.loadScreenSprite3D)) svc::free_sprite3d(engine.loadScreenSprite3D);
  if (svc::is_sprite(engine.loadScreenSprite)) svc::free_sprite(engine.loadScreenSprite);
  engine.loadScreenSprite3D = 0;
  engine.loadScreenSprite = 0;
}

// The picture as a 3D sprite the size of the screen.
void make_load_screen_sprite3d() {
  if (svc::is_sprite(engine.loadScreenSprite) && !svc::is_sprite3d(engine.loadScreenSprite3D))
    engine.loadScreenSprite3D = svc::create_sprite3d(-1, engine.loadScreenSprite);
  if (svc::is_sprite3d(engine.loadScreenSprite3D))
    svc::zoom_sprite3d(engine.loadScreenSprite3D, svc::round_nearest(engine.screenWidth),
                       svc::round_nearest(engine.screenHeight));
}
}  // namespace

const std::string& load_screen_picture() { return drawnName; }

bool reload_load_screen_picture(const std::string& name) {
  if (engine.windowless) return true;
  if (name.empty() || svc::file_size(name) == -1) {
    free_load_screen_picture();
    return true;
  }
  svc::transparent_sprite_colour(-1, svc::rgb(255, 0, 255));
  const int sprite = svc::load_sprite(-1, name, svc::SPRITE_TEXTURE);
  if (!svc::is_sprite(sprite)) return false;
  free_load_screen_picture();
  engine.loadScreenSprite = sprite;
  make_load_screen_sprite3d();
  return true;
}

void set_load_screen_wait(int milliseconds) { loadScreenWaitMs = milliseconds; }

std::string load_screen_name(const std::string& pattern, int digit) {
  int p = svc::find_string(pattern, "#", 1);
  if (p <= 0) return "";
  return svc::left_string(pattern, p - 1) + svc::int_to_string(digit) +
         svc::mid_string(pattern, p + 1, svc::string_length(pattern));
}

std::string draw_load_screen_name() {
  // One draw picks the variant, only when the template has a "#".
  drawnName.clear();
  if (svc::find_string(engine.loadScreen, "#", 1) <= 0) return "";
  drawnName = load_screen_name(engine.loadScreen, svc::random(1));
  return drawnName;
}

void show_load_screen() {
  // The pointer goes to the top-left corner, out of the picture's way.
  svc::examine_mouse();
  svc::mouse_locate(0, 0);

  free_load_screen_picture();

  const std::string name = draw_load_screen_name();

  svc::transparent_sprite_colour(-1, svc::rgb(255, 0, 255));
  if (engine.windowless) return;

  if (!svc::is_sprite(engine.loadScreenSprite) && !name.empty())
    engine.loadScreenSprite = svc::load_sprite(-1, name, svc::SPRITE_TEXTURE);
  make_load_screen_sprite3d();
  if (!svc::is_sprite3d(engine.loadScreenSprite3D)) return;  // nothing to show, no wait

  svc::clear_screen(svc::rgb(0, 0, 0));
  // Three passes leave the picture on both buffers of the double-buffered screen.
  for (int i = 0; i < 3; i++) {
    svc::start_3d();
    svc::display_sprite3d(engine.loadScreenSprite3D, 0, 0, 255);
    svc::stop_3d();
    svc::flip_buffers();
  }
  svc::delay(loadScreenWaitMs);
}
