// sprites.cpp -- headless sprites and 3D sprites: decoded pictures blitted and alpha-blended on the CPU
#include "services/sprites.h"

#include <algorithm>
#include <functional>

#include "argument_rules.h"
#include "blend_factors.h"
#include "services/pictures.h"
#include "state.h"

namespace svc {

using headless::detail::record;
using headless::detail::state;

namespace {

// Stores a picture as a sprite; the result as the object-number rule asks.
int store_sprite(int requested, int number, Picture&& picture, int mode) {
  state.sprites.store(number, headless::detail::Sprite{std::make_shared<Picture>(std::move(picture)), mode});
  return svc::detail::created(requested, number);
}

// Draws a picture scaled (nearest neighbour) to width x height at (x, y), blended with the back buffer.
void blend_picture(const Picture& pic, int x, int y, int width, int height, int alpha) {
  svc::detail::Surface& dst = state.screen.surface;
  if (width <= 0 || height <= 0 || pic.width <= 0 || pic.height <= 0) return;
  if (pic.rgba.size() < static_cast<size_t>(pic.width) * pic.height * 4) return;
  const float quad_alpha = std::clamp(alpha, 0, 255) / 255.0f;
  const svc::detail::BlendKind source = svc::detail::source_blend_kind(state.blend_source);
  const svc::detail::BlendKind destination = svc::detail::destination_blend_kind(state.blend_destination);
  int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  int64_t x1 = std::min<int64_t>(int64_t{x} + width, dst.width);
  int64_t y1 = std::min<int64_t>(int64_t{y} + height, dst.height);
  for (int64_t row = y0; row < y1; ++row) {
    int64_t sy = (row - y) * pic.height / height;
    uint32_t* out = dst.pixels.data() + row * dst.width;
    for (int64_t col = x0; col < x1; ++col) {
      int64_t sx = (col - x) * pic.width / width;
      const uint8_t* in = pic.rgba.data() + (sy * pic.width + sx) * 4;
      out[col] = svc::detail::blend_pixel(in, in[3] / 255.0f * quad_alpha, out[col], source, destination);
    }
  }
}

}  // namespace

int init_sprite3d() { return 1; }

void transparent_sprite_colour(int sprite, int32_t colour) {
  if (sprite == -1) {
    state.transparent_colour = colour;
    return;
  }
  if (headless::detail::Sprite* s = state.sprites.get(sprite))
    s->picture = svc::detail::transparent_copy(*s->picture, colour);
}

int load_sprite(int sprite, const std::string& path, int mode) {
  int number = state.sprites.pick(sprite);
  if (number < 0) return 0;
  Picture picture;
  if (!svc::detail::decode_sprite_picture(path, state.transparent_colour, picture)) {
    state.sprites.release(number);  // A failed load leaves no sprite under that number
    return 0;
  }
  return store_sprite(sprite, number, std::move(picture), mode);
}

int is_sprite(int sprite) { return state.sprites.has(sprite) ? 1 : 0; }

void free_sprite(int sprite) {
  if (sprite != 0 && sprite == state.drawing_into) draw_into_sprite(0);
  state.sprites.release(sprite);
}

int sprite_width(int sprite) {
  const headless::detail::Sprite* s = state.sprites.get(sprite);
  return s ? s->picture->width : 0;
}

int sprite_height(int sprite) {
  const headless::detail::Sprite* s = state.sprites.get(sprite);
  return s ? s->picture->height : 0;
}

void display_sprite(int sprite, int x, int y) {
  record("sprite", {sprite, x, y});
  if (const headless::detail::Sprite* s = state.sprites.get(sprite))
    svc::detail::surface_blit(state.screen.surface, *s->picture, x, y);
}

int headless::show_picture_file(const std::string& path, const std::function<bool(int width, int height)>& prepare) {
  record("picture", {}, 0, 0, path);
  svc::detail::Surface& screen = state.screen.surface;
  // A screen that prepare opens for the picture is not cleared where the decoder writes every pixel:
  // what lies beyond the picture is cleared after the decoder, and all of it should the decoder fail.
  int uncleared_width = 0, uncleared_height = 0;
  auto onto_screen = [&](int width, int height, size_t& stride) -> uint8_t* {
    state.screen.opened_uncleared = false;
    state.screen.picture_width = width, state.screen.picture_height = height;
    const bool prepared = prepare(width, height);
    state.screen.picture_width = state.screen.picture_height = 0;
    if (state.screen.opened_uncleared) uncleared_width = width, uncleared_height = height;
    if (!prepared || !state.screen.open || width > screen.width || height > screen.height) return nullptr;
    // A back-buffer pixel holds red in its low byte, so its rows are RGBA rows (alpha is never read back).
    stride = static_cast<size_t>(screen.width) * 4;
    return reinterpret_cast<uint8_t*>(screen.pixels.data());
  };
  const int shown = decode_picture_into(path, onto_screen);
  if (uncleared_width > 0 && state.screen.open) {
    if (shown) {
      svc::detail::surface_box(screen, uncleared_width, 0, screen.width - uncleared_width, uncleared_height, 0);
      svc::detail::surface_box(screen, 0, uncleared_height, screen.width, screen.height - uncleared_height, 0);
    } else {
      svc::detail::surface_fill(screen, 0);
    }
  }
  return shown;
}

int grab_sprite(int sprite, int x, int y, int width, int height, int mode) {
  record("grab", {sprite, x, y, width, height});
  int number = state.sprites.pick(sprite);
  if (number < 0 || !state.screen.open) return 0;
  if (!svc::detail::grab_size_allowed(width, height)) return 0;
  Picture picture;
  svc::detail::surface_grab(state.screen.surface, x, y, width, height, picture);
  return store_sprite(sprite, number, std::move(picture), mode);
}

int create_sprite3d(int sprite3d, int sprite) {
  const headless::detail::Sprite* s = state.sprites.get(sprite);
  int number = state.sprites3d.pick(sprite3d);
  if (number < 0 || !s || !s->picture) return 0;
  const Picture& picture = *s->picture;  // Reusing a number replaces the 3D sprite
  state.sprites3d.store(number, headless::detail::Sprite3D{sprite, s->picture, picture.width, picture.height});
  return svc::detail::created(sprite3d, number);
}

int is_sprite3d(int sprite3d) { return state.sprites3d.has(sprite3d) ? 1 : 0; }

void free_sprite3d(int sprite3d) { state.sprites3d.release(sprite3d); }

void zoom_sprite3d(int sprite3d, int width, int height) {
  record("zoom", {sprite3d, width, height});
  if (headless::detail::Sprite3D* s = state.sprites3d.get(sprite3d)) {
    s->width = width;
    s->height = height;
  }
}

int start_3d() {
  record("start_3d");
  state.blend_source = BLEND_SRC_ALPHA;
  state.blend_destination = BLEND_INV_SRC_ALPHA;
  state.in_3d = true;
  return state.screen.open ? 1 : 0;
}

void stop_3d() {
  record("stop_3d");
  state.in_3d = false;
}

void display_sprite3d(int sprite3d, int x, int y, int alpha) {
  record("sprite3d", {sprite3d, x, y, alpha, state.blend_source, state.blend_destination});
  if (const headless::detail::Sprite3D* s = state.sprites3d.get(sprite3d))
    blend_picture(*s->picture, x, y, s->width, s->height, alpha);
}

void sprite3d_quality(int filtered) {
  record("quality", {filtered});
  state.quality = filtered;
}

void sprite3d_blending_mode(int source, int destination) {
  record("blend", {source, destination});
  state.blend_source = source;
  state.blend_destination = destination;
}

void sprite3d_exact_sampling(int) {}  // Samples are taken the same way wherever a quad lies

// Every quad is drawn on the CPU here already.
int start_cpu_drawing(int32_t) { return 0; }
void finish_cpu_drawing() {}

int sprite3d_width(int sprite3d) {
  const headless::detail::Sprite3D* s = state.sprites3d.get(sprite3d);
  return s ? s->width : 0;
}

int sprite3d_height(int sprite3d) {
  const headless::detail::Sprite3D* s = state.sprites3d.get(sprite3d);
  return s ? s->height : 0;
}

int create_target_sprite(int sprite, int width, int height) {
  record("target_sprite", {sprite, width, height});
  if (state.target_creations_left == 0) return 0;  // out of video memory, as fail_target_sprites_after asked
  const int number = state.sprites.pick(sprite);
  if (number < 0 || !svc::detail::grab_size_allowed(width, height)) return 0;
  if (state.target_creations_left > 0) state.target_creations_left--;
  if (sprite >= 0 && sprite == state.drawing_into) draw_into_sprite(0);
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
  for (size_t i = 3; i < picture.rgba.size(); i += 4) picture.rgba[i] = 255;
  state.sprites.store(number, headless::detail::Sprite{std::make_shared<Picture>(std::move(picture)), 0, true});
  return svc::detail::created(sprite, number);
}

// While a target sprite is drawn into, its pixels stand in for the back buffer; they go back into
// its picture (shared with its 3D sprites) when drawing leaves it.
int draw_into_sprite(int sprite) {
  record("draw_into", {sprite});
  if (state.lose_targets_at > 0 && sprite != 0 && --state.lose_targets_at == 0) {
    const headless::detail::Sprite* target = state.sprites.get(sprite);
    if (target && target->drawable)
      headless::lose_target_sprites();  // a renderer resets at this switch: what was drawn before is gone
    else
      state.lose_targets_at = 1;  // not a target: the next switch counts
  }
  if (state.drawing_into != 0) {
    if (headless::detail::Sprite* s = state.sprites.get(state.drawing_into)) {
      const svc::detail::Surface& from = state.screen.surface;
      Picture& p = *s->picture;
      for (size_t i = 0; i < from.pixels.size() && i * 4 + 3 < p.rgba.size(); ++i) {
        const uint32_t px = from.pixels[i];
        p.rgba[i * 4] = px & 0xFF, p.rgba[i * 4 + 1] = (px >> 8) & 0xFF, p.rgba[i * 4 + 2] = (px >> 16) & 0xFF;
        p.rgba[i * 4 + 3] = 255;
      }
    }
    std::swap(state.screen.surface, state.saved_screen);
    state.saved_screen = svc::detail::Surface();
    state.drawing_into = 0;
  }
  headless::detail::Sprite* s = sprite != 0 ? state.sprites.get(sprite) : nullptr;
  if (!s || !s->drawable) return 0;
  const Picture& p = *s->picture;
  svc::detail::Surface into;
  if (!svc::detail::surface_resize(into, p.width, p.height, false)) return 0;
  for (size_t i = 0; i < into.pixels.size(); ++i)
    into.pixels[i] = p.rgba[i * 4] | (p.rgba[i * 4 + 1] << 8) | (uint32_t{p.rgba[i * 4 + 2]} << 16) | 0xFF000000u;
  state.saved_screen = std::move(state.screen.surface);
  state.screen.surface = std::move(into);
  state.drawing_into = sprite;
  return 1;
}

int target_sprites_lost() {
  const bool lost = state.targets_lost;
  state.targets_lost = false;
  return lost ? 1 : 0;
}

void headless::lose_target_sprites_at(int switches) { state.lose_targets_at = std::max(switches, 0); }

void headless::lose_target_sprites() {
  if (state.drawing_into != 0) draw_into_sprite(0);
  state.sprites.for_each([](int, headless::detail::Sprite& s) {
    if (!s.drawable) return;
    for (size_t i = 0; i + 3 < s.picture->rgba.size(); i += 4) {
      s.picture->rgba[i] = 255, s.picture->rgba[i + 1] = 0, s.picture->rgba[i + 2] = 255;
    }
  });
  // The back buffer is a render target too: what the frame drew so far is gone.
  for (uint32_t& px : state.screen.surface.pixels) px = 0xFFFF00FFu;
  state.targets_lost = true;
}

}  // namespace svc
