// screen.cpp -- the double-buffered screen of both SDL platforms: a renderer (on a window or in
// memory, see each platform's screen_renderer.cpp) and a render-target back buffer, with the textures
// made on it, 2D drawing and pixel reads
#include "services/screen.h"

#include <algorithm>
#include <vector>

#include "argument_rules.h"
#include "state.h"
#include "surface.h"

namespace svc::sdl {

SDL_Texture* create_texture(int access, int width, int height) {
  if (!state.renderer || width <= 0 || height <= 0) return nullptr;
  if (state.max_texture_width > 0 && (width > state.max_texture_width || height > state.max_texture_height))
    return nullptr;
  SDL_Texture* t = SDL_CreateTexture(state.renderer, SDL_PIXELFORMAT_RGBA32, access, width, height);
  if (t) state.texture_bytes += static_cast<int64_t>(width) * height * 4;
  return t;
}

void forget_texture(SDL_Texture* texture, int width, int height) {
  if (!texture) return;
  SDL_DestroyTexture(texture);
  state.texture_bytes -= static_cast<int64_t>(width) * height * 4;
}

void destroy_screen() {
  watch_renderer_resets(false);
  flush_text_cache(true);
  free_cpu_canvas();
  free_all_sprites();
  if (state.spare_target) forget_texture(state.spare_target, state.spare_width, state.spare_height);
  state.spare_target = nullptr;
  for (SDL_Texture** t : {&state.scratch_target, &state.scratch_upload}) {
    forget_texture(*t, state.screen_width, state.screen_height);
    *t = nullptr;
  }
  if (state.back_buffer) forget_texture(state.back_buffer, state.screen_width, state.screen_height);
  state.back_buffer = nullptr;
  sdl::close_screen_renderer();
  state.screen_width = state.screen_height = 0;
  state.composed_modes.clear();
  state.custom_blend = true;
  state.memory_method = -1;
  state.texture_bytes = 0;
}

namespace {

// Filled rectangles and points replace what is under them, alpha included.
void set_draw_colour(int32_t colour) {
  SDL_SetRenderDrawBlendMode(state.renderer, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(state.renderer, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF, 255);
}

}  // namespace

}  // namespace svc::sdl

namespace svc {

using sdl::state;

int init_sprite() { return sdl::screens_available() ? 1 : 0; }

// Sound is started by the engine and never used, so nothing is opened (no device, no mixer thread).
int init_sound() { return 1; }

int open_windowed_screen(WindowHandle window, int x, int y, int width, int height, int auto_stretch, int right_offset,
                         int bottom_offset) {
  (void)right_offset;
  (void)bottom_offset;
  if (!detail::screen_size_allowed(width, height)) return 0;
  // The renderer of this platform variant (one screen per program: a new one replaces the old).
  if (!sdl::open_screen_renderer(window, width, height)) return 0;
  SDL_Renderer* r = state.renderer;
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(r, &info) != 0 || !(info.flags & SDL_RENDERER_TARGETTEXTURE)) {
    sdl::destroy_screen();
    return 0;
  }
  state.max_texture_width = info.max_texture_width;
  state.max_texture_height = info.max_texture_height;
  state.back_buffer = sdl::create_texture(SDL_TEXTUREACCESS_TARGET, width, height);
  if (!state.back_buffer) {
    sdl::destroy_screen();
    return 0;
  }
  SDL_SetTextureBlendMode(state.back_buffer, SDL_BLENDMODE_NONE);
  state.screen_x = x;
  state.screen_y = y;
  state.screen_width = width;
  state.screen_height = height;
  state.auto_stretch = auto_stretch != 0;
  SDL_SetRenderTarget(r, state.back_buffer);
  sdl::set_draw_colour(0);
  SDL_RenderClear(r);
  SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
  sdl::watch_renderer_resets(true);
  state.targets_lost = false;
  sdl::plan_test_resets();
  return 1;
}

void clear_screen(int32_t colour) {
  sdl::send_cpu_canvas();
  if (!state.renderer) return;
  sdl::set_draw_colour(colour);
  SDL_RenderClear(state.renderer);
}

// Copies the back buffer into the window (stretched to it, or 1:1 at the screen's position),
// presents it, and goes back to drawing into the back buffer.
void flip_buffers() {
  sdl::send_cpu_canvas();
  if (!state.renderer) return;
  SDL_Renderer* r = state.renderer;
  SDL_SetRenderTarget(r, nullptr);
  if (state.auto_stretch) {
    SDL_RenderCopy(r, state.back_buffer, nullptr, nullptr);  // covers the whole window
  } else {
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    SDL_Rect dst = {state.screen_x, state.screen_y, state.screen_width, state.screen_height};
    SDL_RenderCopy(r, state.back_buffer, nullptr, &dst);
  }
  SDL_RenderPresent(r);
  SDL_SetRenderTarget(r, state.back_buffer);
  state.frame++;
  if (state.test_resets.planned) sdl::test_reset_point(true);
  if ((state.frame & 63) == 0) sdl::flush_text_cache(false);
}

int screen_output() { return state.renderer ? 1 : 0; }

int start_drawing(int target) { return target != 0 && state.renderer ? 1 : 0; }

void stop_drawing() {}

void draw_box(int x, int y, int width, int height, int32_t colour) {
  sdl::send_cpu_canvas();
  if (!state.renderer || width <= 0 || height <= 0) return;
  sdl::set_draw_colour(colour);
  SDL_Rect rect = {x, y, width, height};
  SDL_RenderFillRect(state.renderer, &rect);
}

// Reads the pixel back from the back buffer: slow (it waits for the GPU), never used per frame.
int32_t point(int x, int y) {
  sdl::send_cpu_canvas();
  if (!state.renderer || x < 0 || y < 0 || x >= state.screen_width || y >= state.screen_height) return -1;
  SDL_Rect rect = {x, y, 1, 1};
  uint8_t rgba[4] = {};
  if (SDL_RenderReadPixels(state.renderer, &rect, SDL_PIXELFORMAT_RGBA32, rgba, 4) != 0) return -1;
  return rgba[0] | (rgba[1] << 8) | (rgba[2] << 16);
}

// A run read back in one call (one wait for the GPU instead of one per pixel).
void points(int x, int y, int count, int32_t* out) {
  sdl::send_cpu_canvas();
  if (count <= 0) return;
  std::fill(out, out + count, -1);
  if (!state.renderer || y < 0 || y >= state.screen_height) return;
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(int64_t{x} + count, state.screen_width);
  if (x0 >= x1) return;
  std::vector<uint8_t> rgba(static_cast<size_t>(x1 - x0) * 4);
  SDL_Rect rect = {static_cast<int>(x0), y, static_cast<int>(x1 - x0), 1};
  if (SDL_RenderReadPixels(state.renderer, &rect, SDL_PIXELFORMAT_RGBA32, rgba.data(), static_cast<int>(rgba.size())) !=
      0)
    return;
  for (int64_t px = x0; px < x1; ++px) {
    const uint8_t* p = &rgba[static_cast<size_t>(px - x0) * 4];
    out[px - x] = p[0] | (p[1] << 8) | (p[2] << 16);
  }
}

// Row runs read back one at a time (no program on this platform scans the screen).
void point_columns(int x, int y, int columns, int rows, int32_t* out, size_t stride) {
  if (columns <= 0 || rows <= 0) return;
  detail::point_columns_from_runs(x, y, columns, rows, out, stride, points);
}

void plot(int x, int y, int32_t colour) {
  sdl::send_cpu_canvas();
  if (!state.renderer || x < 0 || y < 0 || x >= state.screen_width || y >= state.screen_height) return;
  sdl::set_draw_colour(colour);
  SDL_RenderDrawPoint(state.renderer, x, y);
}

}  // namespace svc
