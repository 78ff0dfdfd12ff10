// shown_frame.cpp -- the converter's picture and the frame it shows
#include "shown_frame.h"

#include "services/screen.h"
#include "services/sprites.h"

void adopt_picture(ConverterState& state, int sprite, const std::string& path) {
  state.source_path = path;
  if (state.picture_loaded && state.picture != sprite && svc::is_sprite(state.picture)) svc::free_sprite(state.picture);
  state.picture = sprite;
  state.picture_width = svc::sprite_width(sprite);
  state.picture_height = svc::sprite_height(sprite);
  state.picture_loaded = true;
}

void draw_shown_frame(const ConverterState& state) {
  if (!state.picture_loaded) return;
  svc::clear_screen(0);
  svc::display_sprite(state.picture, 0, 0);
}

bool show_picture(ConverterState& state, const std::string& path) {
  const int sprite = svc::load_sprite(-1, path, svc::SPRITE_TEXTURE);
  if (!sprite) return false;
  adopt_picture(state, sprite, path);
  draw_shown_frame(state);
  svc::flip_buffers();
  return true;
}
