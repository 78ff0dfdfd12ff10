// sprites.cpp -- sprites as SDL textures (loaded from picture files or grabbed from the back buffer),
// and 3D sprites: scaled, alpha-blended quads over a sprite's texture, with their blend factors
#include "services/sprites.h"

#include <algorithm>
#include <vector>

#include "argument_rules.h"
#include "blend_factors.h"
#include "services/pictures.h"
#include "state.h"
#include "surface.h"

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
  sprite.partial_alpha = false;
  sprite.opaque = true;
  for (size_t i = 3; i < picture.rgba.size() && !sprite.partial_alpha; i += 4) {
    sprite.partial_alpha = picture.rgba[i] != 0 && picture.rgba[i] != 255;
    sprite.opaque = sprite.opaque && picture.rgba[i] == 255;
  }
  sprite.opaque = sprite.opaque && !sprite.partial_alpha;
  sprite.rgba = picture.rgba;
  return true;
}

// The most memory the scaled copies take: 64 MiB of RGBA pixels (a world's pictures at one cell
// size take far less; the rest holds the sizes of earlier zoom steps).
constexpr int64_t kCopyBytes = int64_t{64} << 20;

int64_t copy_size(const Sprite& copy) { return int64_t{copy.width} * copy.height * 4; }

void drop_copies(Sprite& sprite) {
  for (Sprite& c : sprite.copies) {
    forget_texture(c.texture, c.width, c.height);
    state.copy_bytes -= copy_size(c);
  }
  sprite.copies.clear();
}

// Frees the least recently drawn copies until `bytes` more fit the bound; false when they cannot.
bool make_room(int64_t bytes) {
  while (state.copy_bytes + bytes > kCopyBytes) {
    Sprite* owner = nullptr;
    size_t oldest = 0;
    state.sprites.for_each([&](int, Sprite& s) {
      for (size_t i = 0; i < s.copies.size(); i++)
        if (!owner || s.copies[i].last_use < owner->copies[oldest].last_use) owner = &s, oldest = i;
    });
    if (!owner) return false;
    Sprite& c = owner->copies[oldest];
    forget_texture(c.texture, c.width, c.height);
    state.copy_bytes -= copy_size(c);
    owner->copies.erase(owner->copies.begin() + static_cast<std::ptrdiff_t>(oldest));
  }
  return true;
}

// Texel of each of `to` pixels over `from` texels: the one under the pixel's centre, (2i + 1) * from /
// (2 * to) rounded down, so where the centre falls exactly on an edge between texels, the one after it
// (as OpenGL's rule and SDL's software scaling take it).
std::vector<int> nearest_texels(int from, int to) {
  std::vector<int> texels(static_cast<size_t>(to));
  const int64_t den = int64_t{2} * to;
  for (int i = 0; i < to; i++) {
    const int64_t num = (int64_t{2} * i + 1) * from;
    texels[static_cast<size_t>(i)] = static_cast<int>(std::clamp<int64_t>(num / den, 0, from - 1));
  }
  return texels;
}

// The sprite's picture scaled to width x height with nearest sampling, made on first use; nullptr
// when the sprite keeps no pixels (a target) or the copy does not fit the memory bound or the
// renderer. Drawing the copy unscaled gives the same pixels wherever it lies and on every renderer,
// and an unscaled copy is the cheapest draw there is.
Sprite* scaled_copy(Sprite& sprite, int width, int height) {
  if (sprite.rgba.empty()) return nullptr;
  for (Sprite& c : sprite.copies)
    if (c.width == width && c.height == height) {
      c.last_use = ++state.copy_uses;
      return &c;
    }
  const int64_t bytes = int64_t{width} * height * 4;
  if (bytes > kCopyBytes || !make_room(bytes)) return nullptr;
  const std::vector<int> columns = nearest_texels(sprite.width, width), rows = nearest_texels(sprite.height, height);
  std::vector<uint8_t> pixels(static_cast<size_t>(bytes));
  bool partial = false, opaque = true;
  const auto* from = reinterpret_cast<const uint32_t*>(sprite.rgba.data());
  auto* to = reinterpret_cast<uint32_t*>(pixels.data());
  for (int y = 0; y < height; y++) {
    const uint32_t* row = from + static_cast<size_t>(rows[static_cast<size_t>(y)]) * sprite.width;
    for (int x = 0; x < width; x++) *to++ = row[columns[static_cast<size_t>(x)]];
  }
  for (size_t i = 3; i < pixels.size() && !partial; i += 4) {
    partial = pixels[i] != 0 && pixels[i] != 255;
    opaque = opaque && pixels[i] == 255;
  }
  SDL_Texture* t = create_texture(SDL_TEXTUREACCESS_STATIC, width, height);
  if (!t) return nullptr;
  if (SDL_UpdateTexture(t, nullptr, pixels.data(), width * 4) != 0) {
    forget_texture(t, width, height);
    return nullptr;
  }
  Sprite c;
  c.texture = t;
  c.width = width;
  c.height = height;
  c.partial_alpha = partial;
  c.opaque = opaque && !partial;
  c.rgba = std::move(pixels);  // for drawing on the CPU
  c.last_use = ++state.copy_uses;
  state.copy_bytes += bytes;
  sprite.copies.push_back(std::move(c));
  return &sprite.copies.back();
}

void release_texture(Sprite& sprite) {
  drop_copies(sprite);
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
    case BlendKind::SrcAlphaSat: return SDL_BLENDFACTOR_ZERO;  // min(As, 1 - Ad) over the opaque back buffer
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
// (255), so destination-alpha factors read 1 and saturated source alpha reads 0.
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

// A screen-sized scratch texture of one access kind, made on first use.
SDL_Texture* scratch(SDL_Texture*& texture, int access) {
  if (!texture) texture = create_texture(access, state.screen_width, state.screen_height);
  return texture;
}

// Where the renderer has no composed modes (SDL's software renderer, in memory) a pair that no fixed
// mode gives is blended on the CPU with the core table, so it gives the pixels of every other
// platform: SDL draws the quad into a scratch target (so it covers exactly the pixels a direct copy
// would), both it and the screen under it are read back, blended, and copied back without blending.
void composite_on_cpu(Sprite& sprite, const SDL_Rect& dst, int alpha, int scale_mode) {
  SDL_Rect clip;
  const SDL_Rect screen = state.drawing_into ? SDL_Rect{0, 0, state.drawing_width, state.drawing_height}
                                             : SDL_Rect{0, 0, state.screen_width, state.screen_height};
  const SDL_Rect scratch_area = {0, 0, state.screen_width, state.screen_height};
  if (!SDL_IntersectRect(&dst, &screen, &clip) || !SDL_IntersectRect(&clip, &scratch_area, &clip)) return;
  SDL_Renderer* r = state.renderer;
  SDL_Texture* quad = scratch(state.scratch_target, SDL_TEXTUREACCESS_TARGET);
  SDL_Texture* result = scratch(state.scratch_upload, SDL_TEXTUREACCESS_STREAMING);
  if (!quad || !result) return;
  const size_t count = static_cast<size_t>(clip.w) * clip.h;
  std::vector<uint8_t> source(count * 4), under(count * 4);
  prepare_texture(sprite, SDL_BLENDMODE_NONE, SDL_BLENDMODE_NONE, 255, scale_mode);
  SDL_SetRenderTarget(r, quad);
  SDL_RenderCopy(r, sprite.texture, nullptr, &dst);
  const bool read = SDL_RenderReadPixels(r, &clip, SDL_PIXELFORMAT_RGBA32, source.data(), clip.w * 4) == 0;
  SDL_SetRenderTarget(r, drawing_target());
  if (!read || SDL_RenderReadPixels(r, &clip, SDL_PIXELFORMAT_RGBA32, under.data(), clip.w * 4) != 0) return;
  const detail::BlendKind from = detail::source_blend_kind(state.blend_source);
  const detail::BlendKind onto = detail::destination_blend_kind(state.blend_destination);
  const float quad_alpha = alpha / 255.0f;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* s = &source[i * 4];
    uint8_t* d = &under[i * 4];
    const uint32_t below = d[0] | (d[1] << 8) | (uint32_t{d[2]} << 16);
    const uint32_t mixed = detail::blend_pixel(s, s[3] / 255.0f * quad_alpha, below, from, onto);
    d[0] = mixed & 0xFF, d[1] = (mixed >> 8) & 0xFF, d[2] = (mixed >> 16) & 0xFF, d[3] = 255;
  }
  SDL_UpdateTexture(result, &clip, under.data(), clip.w * 4);
  SDL_SetTextureBlendMode(result, SDL_BLENDMODE_NONE);
  SDL_RenderCopy(r, result, &clip, &clip);
}

// A quad scaled with nearest sampling. Its samples lie at the pixel centres, and where one falls
// exactly on the edge between two texels (a 4-texel picture over 7 pixels samples texel 2.0 at its
// fourth pixel) a GPU's interpolation picks either, by where on the target the quad lies. The quad
// is moved left and up by 1/256 pixel (the finest step of the renderers' rasterizers), which covers
// the same pixels and moves each sample by 1/256 pixel's worth of texels: such samples take the
// texel after the edge wherever the quad is drawn, so the same picture at the same size gives the
// same pixels at every position and on every target.
void copy_nearest_scaled(Sprite& sprite, const SDL_Rect& dst) {
  constexpr float kNudge = 1.0f / 256.0f;
  const SDL_FRect to = {float(dst.x) - kNudge, float(dst.y) - kNudge, float(dst.w), float(dst.h)};
  SDL_RenderCopyF(state.renderer, sprite.texture, nullptr, &to);
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

SDL_Texture* drawing_target() { return state.drawing_into ? state.drawing_into : state.back_buffer; }

void free_all_sprites() {
  state.drawing_into = nullptr;
  state.sprites.for_each([](int, Sprite& s) {
    drop_copies(s);
    forget_texture(s.texture, s.width, s.height);
  });
  state.sprites.clear();
  state.sprites3d.clear();
}

}  // namespace svc::sdl

namespace svc {

using sdl::state;

void transparent_sprite_colour(int sprite, int32_t colour) {
  if (sprite == -1) {
    state.transparent_colour = colour & 0xFFFFFF;
    return;
  }
  // One sprite: decode its file again with this colour transparent.
  sdl::Sprite* s = state.sprites.get(sprite);
  if (!s || s->path.empty()) return;
  Picture picture;
  if (!decode_picture(s->path, picture)) return;
  apply_transparent_colour(picture, colour & 0xFFFFFF);
  if (picture.width != s->width || picture.height != s->height) return;
  SDL_UpdateTexture(s->texture, nullptr, picture.rgba.data(), picture.width * 4);
  sdl::drop_copies(*s);
  s->rgba = std::move(picture.rgba);
}

int load_sprite(int sprite, const std::string& path, int mode) {
  (void)mode;  // every sprite is a texture, so every sprite can carry 3D sprites
  if (!state.renderer || state.sprites.pick(sprite) < 0) return 0;
  // Reusing a number replaces the sprite; a failed load leaves no sprite under that number.
  if (sprite >= 0) free_sprite(sprite);
  Picture picture;
  if (!detail::decode_sprite_picture(path, state.transparent_colour, picture) || picture.width <= 0 ||
      picture.height <= 0)
    return 0;
  int number = state.sprites.pick(sprite);
  if (number < 0) return 0;
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
  if (s->texture && s->texture == state.drawing_into) draw_into_sprite(0);
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
  sdl::send_cpu_canvas();
  sdl::Sprite* s = state.sprites.get(sprite);
  if (!s || !state.renderer) return;
  sdl::prepare_texture(*s, sdl::copy_mode(), SDL_BLENDMODE_NONE, 255, SDL_ScaleModeNearest);
  SDL_Rect dst = {x, y, s->width, s->height};
  SDL_RenderCopy(state.renderer, s->texture, nullptr, &dst);
}

// Copies the area into a new render-target texture on the GPU; parts outside the screen read black.
int grab_sprite(int sprite, int x, int y, int width, int height, int mode) {
  sdl::send_cpu_canvas();
  (void)mode;
  if (!state.renderer || !detail::grab_size_allowed(width, height) || state.sprites.pick(sprite) < 0) return 0;
  SDL_Texture* t = nullptr;
  if (state.spare_target && state.spare_width == width && state.spare_height == height) {
    t = state.spare_target;
    state.spare_target = nullptr;
  } else {
    t = sdl::create_texture(SDL_TEXTUREACCESS_TARGET, width, height);
    if (!t) return 0;
  }
  if (sprite >= 0) free_sprite(sprite);
  int number = state.sprites.pick(sprite);
  if (number < 0) {
    sdl::forget_texture(t, width, height);
    return 0;
  }
  sdl::Sprite& s = state.sprites.store(number);
  s.texture = t;
  s.width = width;
  s.height = height;
  s.target = true;
  s.partial_alpha = false;  // the back buffer is opaque

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
  SDL_SetRenderTarget(r, sdl::drawing_target());
  return detail::created(sprite, number);
}

int init_sprite3d() { return sdl::screens_available() ? 1 : 0; }

// A 3D sprite is only a record: a world holds hundreds of thousands over a few dozen textures.
int create_sprite3d(int sprite3d, int sprite) {
  sdl::Sprite* s = state.sprites.get(sprite);
  if (s && sprite3d == -1) {
    const int added = state.sprites3d.add(sdl::Sprite3D{sprite, s->width, s->height});
    return added < 0 ? 0 : added;
  }
  int number = s ? state.sprites3d.pick(sprite3d) : -1;
  if (number < 0) return 0;
  // A chosen number in use is taken over: its record is replaced where it stands.
  state.sprites3d.store(number, sdl::Sprite3D{sprite, s->width, s->height});
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
  const int quad_alpha = alpha > 255 ? 255 : alpha;
  const int scale_mode = state.quality ? SDL_ScaleModeLinear : SDL_ScaleModeNearest;
  SDL_Rect dst = {x, y, s3->width, s3->height};
  if (state.exact_sampling && scale_mode == SDL_ScaleModeNearest && (dst.w != s->width || dst.h != s->height))
    if (sdl::Sprite* copy = sdl::scaled_copy(*s, dst.w, dst.h)) s = copy;
  if (state.canvas.active) {
    if (sdl::cpu_draw(*s, dst, quad_alpha, scale_mode)) return;
    sdl::send_cpu_canvas();
  }
  if (state.custom_blend) {
    if (sdl::prepare_texture(*s, state.blend_mode, state.blend_fallback, quad_alpha, scale_mode)) {
      if (state.exact_sampling && scale_mode == SDL_ScaleModeNearest && (dst.w != s->width || dst.h != s->height))
        sdl::copy_nearest_scaled(*s, dst);
      else
        SDL_RenderCopy(state.renderer, s->texture, nullptr, &dst);
      return;
    }
    state.blend_mode = state.blend_fallback;  // the renderer has fixed modes only, from now on
  }
  // Fixed modes only: the default pair is the fixed blend where every texel is either transparent
  // or opaque (elsewhere SDL's integer blend is two levels off), a pair that leaves the screen as it
  // is draws nothing, and any other is blended on the CPU.
  if (state.blend_skip) return;
  if (state.blend_source == BLEND_SRC_ALPHA && state.blend_destination == BLEND_INV_SRC_ALPHA && quad_alpha == 255 &&
      !s->partial_alpha) {
    sdl::prepare_texture(*s, SDL_BLENDMODE_BLEND, SDL_BLENDMODE_BLEND, quad_alpha, scale_mode);
    SDL_RenderCopy(state.renderer, s->texture, nullptr, &dst);
    return;
  }
  sdl::composite_on_cpu(*s, dst, quad_alpha, scale_mode);
}

void sprite3d_quality(int filtered) { state.quality = filtered ? 1 : 0; }

void sprite3d_exact_sampling(int exact) { state.exact_sampling = exact != 0; }

// The pair becomes a composed SDL blend mode; a renderer that has none blends it on the CPU (and a
// pair that leaves the screen unchanged, such as zero and one, then draws nothing).
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

int sprite3d_width(int sprite3d) {
  const sdl::Sprite3D* s = state.sprites3d.get(sprite3d);
  return s ? s->width : 0;
}

int sprite3d_height(int sprite3d) {
  const sdl::Sprite3D* s = state.sprites3d.get(sprite3d);
  return s ? s->height : 0;
}

int create_target_sprite(int sprite, int width, int height) {
  sdl::send_cpu_canvas();
  if (!state.renderer || !detail::grab_size_allowed(width, height) || state.sprites.pick(sprite) < 0) return 0;
  SDL_Texture* t = sdl::create_texture(SDL_TEXTUREACCESS_TARGET, width, height);
  if (!t) return 0;
  if (sprite >= 0) free_sprite(sprite);
  const int number = state.sprites.pick(sprite);
  if (number < 0) {
    sdl::forget_texture(t, width, height);
    return 0;
  }
  sdl::Sprite& s = state.sprites.store(number);
  s.texture = t;
  s.width = width;
  s.height = height;
  s.partial_alpha = false;  // opaque black, and every blend keeps its alpha
  s.drawable = true;
  SDL_Renderer* r = state.renderer;
  SDL_SetRenderTarget(r, t);
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
  SDL_RenderClear(r);
  SDL_SetRenderTarget(r, sdl::drawing_target());
  return detail::created(sprite, number);
}

int draw_into_sprite(int sprite) {
  sdl::send_cpu_canvas();
  sdl::Sprite* s = sprite != 0 ? state.sprites.get(sprite) : nullptr;
  const bool target = s && s->texture && s->drawable;
  if (target && state.test_resets.planned) sdl::test_reset_point(false);
  state.drawing_into = target ? s->texture : nullptr;
  state.drawing_width = target ? s->width : 0;
  state.drawing_height = target ? s->height : 0;
  if (state.renderer) SDL_SetRenderTarget(state.renderer, sdl::drawing_target());
  return target ? 1 : 0;
}

// What is queued is carried out first: a reset that this drawing meets (Direct3D resets at the first
// drawing after the window's size changed) happens now and counts.
int target_sprites_lost() {
  sdl::send_cpu_canvas();
  if (state.renderer) SDL_RenderFlush(state.renderer);
  const bool lost = state.targets_lost;
  state.targets_lost = false;
  return lost ? 1 : 0;
}

}  // namespace svc
