// sprites.cpp -- sprites as SDL textures: loaded from picture files or grabbed from the back buffer
#include <algorithm>
#include "sdl_state.h"
#include "services/pictures.h"
#include "services/sprites.h"

namespace svc::sdl {

namespace {

// A copy that keeps the back buffer's alpha at 255: colour replaced, alpha left as it was. Renderers
// without composed modes copy alpha too (SDL_BLENDMODE_NONE).
SDL_BlendMode copy_mode() {
  static SDL_BlendMode mode =
      SDL_ComposeCustomBlendMode(SDL_BLENDFACTOR_ONE, SDL_BLENDFACTOR_ZERO, SDL_BLENDOPERATION_ADD,
                                 SDL_BLENDFACTOR_ZERO, SDL_BLENDFACTOR_ONE, SDL_BLENDOPERATION_ADD);
  return state.custom_blend ? mode : SDL_BLENDMODE_NONE;
}

// Uploads a decoded picture into the sprite's texture; false when the renderer cannot hold it.
bool upload(Sprite& sprite, const Picture& picture) {
  SDL_Texture* t = create_texture(SDL_TEXTUREACCESS_STATIC, picture.width, picture.height);
  if (!t) return false;
  if (SDL_UpdateTexture(t, nullptr, picture.rgba.data(), picture.width * 4) != 0) {
    forget_texture(t, picture.width, picture.height);
    return false;
  }
  sprite.texture = t;
  sprite.width = picture.width;
  sprite.height = picture.height;
  return true;
}

void release_texture(Sprite& sprite) {
  if (!sprite.texture) return;
  // Keep one grab texture for the next grab of the same size: the engine grabs the whole screen
  // every frame and frees the previous grab.
  if (sprite.target && !state.spare_target) {
    state.spare_target = sprite.texture;
    state.spare_width = sprite.width;
    state.spare_height = sprite.height;
  } else {
    forget_texture(sprite.texture, sprite.width, sprite.height);
  }
  sprite.texture = nullptr;
}

}  // namespace

// Only what changes is set. A scale mode is applied to the texture at once, not queued like the
// draws, so the draws already queued are sent first.
bool prepare_texture(Sprite& sprite, SDL_BlendMode blend, SDL_BlendMode fallback, int alpha, int scale_mode) {
  bool accepted = true;
  if (sprite.blend != blend) {
    if (SDL_SetTextureBlendMode(sprite.texture, blend) != 0) {
      state.custom_blend = false;
      accepted = false;
      blend = fallback;
      SDL_SetTextureBlendMode(sprite.texture, blend);
    }
    sprite.blend = blend;
  }
  if (sprite.alpha_mod != alpha) {
    SDL_SetTextureAlphaMod(sprite.texture, static_cast<Uint8>(alpha));
    sprite.alpha_mod = alpha;
  }
  if (sprite.scale_mode != scale_mode) {
    SDL_RenderFlush(state.renderer);
    SDL_SetTextureScaleMode(sprite.texture, static_cast<SDL_ScaleMode>(scale_mode));
    sprite.scale_mode = scale_mode;
  }
  return accepted;
}

void free_all_sprites() {
  state.sprites.for_each([](int, Sprite& s) { forget_texture(s.texture, s.width, s.height); });
  state.sprites.clear();
  state.sprites3d.clear();
}

}  // namespace svc::sdl

namespace svc {

using sdl::state;

void transparent_sprite_colour(int sprite, int32_t colour) {
  if (sprite == -1) {
    state.transparent_set = true;
    state.transparent_colour = colour & 0xFFFFFF;
    return;
  }
  // One sprite: decode its file again with this colour transparent.
  sdl::Sprite* s = state.sprites.get(sprite);
  if (!s || s->path.empty()) return;
  Picture picture;
  if (!decode_picture(s->path, picture)) return;
  apply_transparent_colour(picture, colour & 0xFFFFFF);
  if (picture.width == s->width && picture.height == s->height)
    SDL_UpdateTexture(s->texture, nullptr, picture.rgba.data(), picture.width * 4);
}

int load_sprite(int sprite, const std::string& path, int mode) {
  (void)mode;  // every sprite is a texture, so every sprite can carry 3D sprites
  if (!state.renderer || sprite < -1 || sprite == 0) return 0;
  Picture picture;
  if (!decode_picture(path, picture) || picture.width <= 0 || picture.height <= 0) return 0;
  if (state.transparent_set) apply_transparent_colour(picture, state.transparent_colour);
  if (sprite > 0) free_sprite(sprite);  // Reusing a number replaces the sprite
  int number = state.sprites.pick(sprite);
  if (number <= 0) return 0;
  sdl::Sprite s;
  if (!sdl::upload(s, picture)) return 0;
  s.path = path;
  state.sprites.store(number, s);
  return detail::created(sprite, number);
}

int is_sprite(int sprite) { return state.sprites.has(sprite) ? 1 : 0; }

void free_sprite(int sprite) {
  sdl::Sprite* s = state.sprites.get(sprite);
  if (!s) return;
  sdl::release_texture(*s);
  state.sprites.release(sprite);
}

int sprite_width(int sprite) {
  sdl::Sprite* s = state.sprites.get(sprite);
  return s ? s->width : 0;
}

int sprite_height(int sprite) {
  sdl::Sprite* s = state.sprites.get(sprite);
  return s ? s->height : 0;
}

void display_sprite(int sprite, int x, int y) {
  sdl::Sprite* s = state.sprites.get(sprite);
  if (!s || !state.renderer) return;
  sdl::prepare_texture(*s, sdl::copy_mode(), SDL_BLENDMODE_NONE, 255, SDL_ScaleModeNearest);
  SDL_Rect dst = {x, y, s->width, s->height};
  SDL_RenderCopy(state.renderer, s->texture, nullptr, &dst);
}

// Copies the area into a new render-target texture on the GPU; parts outside the screen read black.
int grab_sprite(int sprite, int x, int y, int width, int height, int mode) {
  (void)mode;
  if (!state.renderer || width <= 0 || height <= 0 || sprite < -1 || sprite == 0) return 0;
  SDL_Texture* t = nullptr;
  if (state.spare_target && state.spare_width == width && state.spare_height == height) {
    t = state.spare_target;
    state.spare_target = nullptr;
  } else {
    t = sdl::create_texture(SDL_TEXTUREACCESS_TARGET, width, height);
    if (!t) return 0;
  }
  if (sprite > 0) free_sprite(sprite);
  int number = state.sprites.pick(sprite);
  if (number <= 0) {
    sdl::forget_texture(t, width, height);
    return 0;
  }
  sdl::Sprite& s = state.sprites.store(number);
  s.texture = t;
  s.width = width;
  s.height = height;
  s.target = true;

  SDL_Renderer* r = state.renderer;
  SDL_SetRenderTarget(r, t);
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
  int x0 = std::max(x, 0), y0 = std::max(y, 0);
  int x1 = std::min(x + width, state.screen_width), y1 = std::min(y + height, state.screen_height);
  if (x1 > x0 && y1 > y0) {
    // Black where the area leaves the screen: strips right of and below the copied part (the
    // engine grabs from (1, 1), one pixel past the screen), or above and left of it.
    SDL_Rect strips[4] = {{0, 0, width, y0 - y},
                          {0, 0, x0 - x, height},
                          {x1 - x, 0, width - (x1 - x), height},
                          {0, y1 - y, width, height - (y1 - y)}};
    for (const SDL_Rect& strip : strips)
      if (strip.w > 0 && strip.h > 0) SDL_RenderFillRect(r, &strip);
    SDL_Rect src = {x0, y0, x1 - x0, y1 - y0};
    SDL_Rect dst = {x0 - x, y0 - y, x1 - x0, y1 - y0};
    SDL_RenderCopy(r, state.back_buffer, &src, &dst);
  } else {
    SDL_RenderClear(r);
  }
  SDL_SetRenderTarget(r, state.back_buffer);
  return detail::created(sprite, number);
}

}  // namespace svc
