// sprites.cpp -- the tools' sprites: decoded pictures copied onto the CPU back buffer
//
// The converter loads, measures and shows pictures; 3D sprites are kept as records and drawn with
// plain source-alpha blending, enough for any tool that wants them.
#include "services/sprites.h"

#include <algorithm>
#include <memory>

#include "argument_rules.h"
#include "services/pictures.h"
#include "state.h"
#include "surface.h"

namespace svc {

using fltk::state;

namespace {

int store_sprite(int requested, int number, Picture&& picture) {
  state.sprites.store(number, std::make_shared<const Picture>(std::move(picture)));
  return detail::created(requested, number);
}

}  // namespace

namespace fltk {

void forget_sprites() {
  state.sprites.clear();
  state.sprites3d.clear();
  state.transparent_colour = -1;
}

}  // namespace fltk

int init_sprite3d() { return 1; }

void transparent_sprite_colour(int sprite, int32_t colour) {
  if (sprite == -1) {
    state.transparent_colour = colour;
    return;
  }
  if (std::shared_ptr<const Picture>* picture = state.sprites.get(sprite))
    *picture = detail::transparent_copy(**picture, colour);
}

int load_sprite(int sprite, const std::string& path, int) {
  const int number = state.sprites.pick(sprite);
  if (number < 0) return 0;
  Picture picture;
  if (!detail::decode_sprite_picture(path, state.transparent_colour, picture)) {
    state.sprites.release(number);  // A failed load leaves no sprite under that number
    return 0;
  }
  return store_sprite(sprite, number, std::move(picture));
}

int is_sprite(int sprite) { return state.sprites.has(sprite) ? 1 : 0; }

void free_sprite(int sprite) { state.sprites.release(sprite); }

int sprite_width(int sprite) {
  const std::shared_ptr<const Picture>* picture = state.sprites.get(sprite);
  return picture ? (*picture)->width : 0;
}

int sprite_height(int sprite) {
  const std::shared_ptr<const Picture>* picture = state.sprites.get(sprite);
  return picture ? (*picture)->height : 0;
}

void display_sprite(int sprite, int x, int y) {
  const std::shared_ptr<const Picture>* picture = state.sprites.get(sprite);
  if (!picture) return;
  detail::surface_blit(state.screen.back, **picture, x, y);
  fltk::mark_dirty(x, y, (*picture)->width, (*picture)->height);
}

int grab_sprite(int sprite, int x, int y, int width, int height, int) {
  const int number = state.sprites.pick(sprite);
  if (number < 0 || !state.screen.widget) return 0;
  if (!detail::grab_size_allowed(width, height)) return 0;
  Picture picture;
  detail::surface_grab(state.screen.back, x, y, width, height, picture);
  return store_sprite(sprite, number, std::move(picture));
}

int create_sprite3d(int sprite3d, int sprite) {
  const int number = state.sprites3d.pick(sprite3d);
  const std::shared_ptr<const Picture>* picture = state.sprites.get(sprite);
  if (number < 0 || !picture) return 0;
  state.sprites3d.store(number, {*picture, (*picture)->width, (*picture)->height});
  return detail::created(sprite3d, number);
}

int is_sprite3d(int sprite3d) { return state.sprites3d.has(sprite3d) ? 1 : 0; }

void free_sprite3d(int sprite3d) { state.sprites3d.release(sprite3d); }

void zoom_sprite3d(int sprite3d, int width, int height) {
  fltk::Sprite3D* s = state.sprites3d.get(sprite3d);
  if (!s) return;
  s->width = width;
  s->height = height;
}

int start_3d() { return state.screen.widget ? 1 : 0; }

void stop_3d() {}

// Nearest-neighbour scaling, source alpha times the quad's alpha over the opaque back buffer.
void display_sprite3d(int sprite3d, int x, int y, int alpha) {
  const fltk::Sprite3D* s = state.sprites3d.get(sprite3d);
  if (!s) return;
  const Picture& pic = *s->picture;
  const int width = s->width, height = s->height;
  detail::Surface& dst = state.screen.back;
  if (width <= 0 || height <= 0 || pic.width <= 0 || pic.height <= 0) return;
  if (pic.rgba.size() < static_cast<size_t>(pic.width) * pic.height * 4) return;
  const int quad_alpha = std::clamp(alpha, 0, 255);
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t{x} + width, dst.width);
  const int64_t y1 = std::min<int64_t>(int64_t{y} + height, dst.height);
  for (int64_t row = y0; row < y1; ++row) {
    const int64_t sy = (row - y) * pic.height / height;
    uint32_t* out = dst.pixels.data() + row * dst.width;
    for (int64_t col = x0; col < x1; ++col) {
      const int64_t sx = (col - x) * pic.width / width;
      const uint8_t* in = pic.rgba.data() + (sy * pic.width + sx) * 4;
      const int a = in[3] * quad_alpha / 255;
      uint32_t blended = 0xFF000000u;
      for (int ch = 0; ch < 3; ++ch) {
        const int d = static_cast<int>((out[col] >> (8 * ch)) & 0xFF);
        blended |= static_cast<uint32_t>((in[ch] * a + d * (255 - a) + 127) / 255) << (8 * ch);
      }
      out[col] = blended;
    }
  }
  fltk::mark_dirty(x, y, width, height);
}

void sprite3d_quality(int) {}

void sprite3d_blending_mode(int, int) {}

void sprite3d_exact_sampling(int) {}  // Samples are taken the same way wherever a quad lies

// Every quad is drawn on the CPU here already.
int start_cpu_drawing(int32_t) { return 0; }
void finish_cpu_drawing() {}

int sprite3d_width(int sprite3d) {
  const fltk::Sprite3D* s = state.sprites3d.get(sprite3d);
  return s ? s->width : 0;
}

int sprite3d_height(int sprite3d) {
  const fltk::Sprite3D* s = state.sprites3d.get(sprite3d);
  return s ? s->height : 0;
}

// The tools draw no world: no target sprites on this platform.
int create_target_sprite(int, int, int) { return 0; }
int draw_into_sprite(int) { return 0; }
int target_sprites_lost() { return 0; }

}  // namespace svc
