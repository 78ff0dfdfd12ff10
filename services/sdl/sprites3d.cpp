// sprites3d.cpp -- 3D sprites (scaled, alpha-blended quads over a sprite's texture) and their blend factors
#include "blend_factors.h"
#include "sdl_state.h"
#include "services/sprites.h"

namespace svc::sdl {

namespace {

SDL_BlendFactor sdl_factor(detail::BlendKind kind) {
  using detail::BlendKind;
  switch (kind) {
    case BlendKind::Zero: return SDL_BLENDFACTOR_ZERO;
    case BlendKind::One: return SDL_BLENDFACTOR_ONE;
    case BlendKind::SrcColour: return SDL_BLENDFACTOR_SRC_COLOR;
    case BlendKind::InvSrcColour: return SDL_BLENDFACTOR_ONE_MINUS_SRC_COLOR;
    case BlendKind::SrcAlpha: return SDL_BLENDFACTOR_SRC_ALPHA;
    case BlendKind::InvSrcAlpha: return SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA;
    case BlendKind::DstAlpha: return SDL_BLENDFACTOR_DST_ALPHA;
    case BlendKind::InvDstAlpha: return SDL_BLENDFACTOR_ONE_MINUS_DST_ALPHA;
    case BlendKind::DstColour: return SDL_BLENDFACTOR_DST_COLOR;
    case BlendKind::InvDstColour: return SDL_BLENDFACTOR_ONE_MINUS_DST_COLOR;
  }
  return SDL_BLENDFACTOR_ONE;
}

SDL_BlendMode fixed_mode(detail::FixedBlend fixed) {
  switch (fixed) {
    case detail::FixedBlend::None: return SDL_BLENDMODE_NONE;
    case detail::FixedBlend::Add: return SDL_BLENDMODE_ADD;
    case detail::FixedBlend::Mod: return SDL_BLENDMODE_MOD;
    case detail::FixedBlend::Mul: return SDL_BLENDMODE_MUL;
    default: return SDL_BLENDMODE_BLEND;
  }
}

// The back buffer stands for a screen without alpha: every composed mode leaves its alpha as it is
// (255), so destination-alpha factors read 1.
SDL_BlendMode compose(int source, int destination) {
  int key = source * 16 + destination;
  auto it = state.composed_modes.find(key);
  if (it != state.composed_modes.end()) return it->second;
  SDL_BlendMode mode = SDL_ComposeCustomBlendMode(
      sdl_factor(detail::source_blend_kind(source)), sdl_factor(detail::destination_blend_kind(destination)),
      SDL_BLENDOPERATION_ADD, SDL_BLENDFACTOR_ZERO, SDL_BLENDFACTOR_ONE, SDL_BLENDOPERATION_ADD);
  state.composed_modes.emplace(key, mode);
  return mode;
}

// Numbers outside 1..11 stand for the pass's defaults; this keeps the cache key small.
int clamp_factor(int number, int fallback) { return number >= 1 && number <= 11 ? number : fallback; }

}  // namespace

}  // namespace svc::sdl

namespace svc {

using sdl::state;

int init_sprite3d() { return SDL_WasInit(SDL_INIT_VIDEO) ? 1 : 0; }

// A 3D sprite is only a record: a world holds hundreds of thousands over a few dozen textures.
int create_sprite3d(int sprite3d, int sprite) {
  sdl::Sprite* s = state.sprites.get(sprite);
  if (!s || sprite3d < -1 || sprite3d == 0) return 0;
  int width = s->width, height = s->height;
  if (sprite3d > 0) free_sprite3d(sprite3d);
  int number = state.sprites3d.pick(sprite3d);
  if (number <= 0) return 0;
  state.sprites3d.store(number, sdl::Sprite3D{sprite, width, height});
  return detail::created(sprite3d, number);
}

int is_sprite3d(int sprite3d) { return state.sprites3d.has(sprite3d) ? 1 : 0; }

void free_sprite3d(int sprite3d) { state.sprites3d.release(sprite3d); }

void zoom_sprite3d(int sprite3d, int width, int height) {
  if (sdl::Sprite3D* s = state.sprites3d.get(sprite3d)) {
    s->width = width;
    s->height = height;
  }
}

int start_3d() {
  sprite3d_blending_mode(BLEND_SRC_ALPHA, BLEND_INV_SRC_ALPHA);
  return state.renderer ? 1 : 0;
}

void stop_3d() {}

void display_sprite3d(int sprite3d, int x, int y, int alpha) {
  sdl::Sprite3D* s3 = state.sprites3d.get(sprite3d);
  if (!s3 || !state.renderer || alpha <= 0 || s3->width <= 0 || s3->height <= 0) return;
  sdl::Sprite* s = state.sprites.get(s3->sprite);
  if (!s) return;
  if (!state.custom_blend && state.blend_skip) return;
  if (!sdl::prepare_texture(*s, state.blend_mode, state.blend_fallback, alpha > 255 ? 255 : alpha,
                            state.quality ? SDL_ScaleModeLinear : SDL_ScaleModeNearest)) {
    state.blend_mode = state.blend_fallback;
    if (state.blend_skip) return;
  }
  SDL_Rect dst = {x, y, s3->width, s3->height};
  SDL_RenderCopy(state.renderer, s->texture, nullptr, &dst);
}

void sprite3d_quality(int filtered) { state.quality = filtered ? 1 : 0; }

// The pair becomes a composed SDL blend mode; a renderer that has none gets the nearest fixed mode,
// and a pair that leaves the screen unchanged (zero, one) then draws nothing.
void sprite3d_blending_mode(int source, int destination) {
  source = sdl::clamp_factor(source, BLEND_SRC_ALPHA);
  destination = sdl::clamp_factor(destination, BLEND_INV_SRC_ALPHA);
  state.blend_source = source;
  state.blend_destination = destination;
  detail::FixedBlend fixed =
      detail::nearest_fixed_blend(detail::source_blend_kind(source), detail::destination_blend_kind(destination));
  state.blend_fallback = sdl::fixed_mode(fixed);
  state.blend_skip = fixed == detail::FixedBlend::Skip;
  state.blend_mode = state.custom_blend ? sdl::compose(source, destination) : state.blend_fallback;
}

}  // namespace svc
