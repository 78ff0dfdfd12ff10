// screen.cpp -- the double-buffered screen: an SDL renderer on a window and a render-target back buffer
#include <cstring>
#include "sdl_state.h"
#include "services/screen.h"

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
  flush_text_cache(true);
  free_all_sprites();
  if (state.spare_target) forget_texture(state.spare_target, state.spare_width, state.spare_height);
  state.spare_target = nullptr;
  if (state.back_buffer) forget_texture(state.back_buffer, state.screen_width, state.screen_height);
  state.back_buffer = nullptr;
  if (state.renderer) SDL_DestroyRenderer(state.renderer);
  state.renderer = nullptr;
  state.screen_window = nullptr;
  state.screen_width = state.screen_height = 0;
  state.composed_modes.clear();
  state.custom_blend = true;
  state.memory_method = -1;
  state.texture_bytes = 0;
}

namespace {

// The index of the named render driver, or -1.
int render_driver(const char* name) {
  int count = SDL_GetNumRenderDrivers();
  for (int i = 0; i < count; i++) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::strcmp(info.name, name) == 0) return i;
  }
  return -1;
}

// Filled rectangles and points replace what is under them, alpha included.
void set_draw_colour(int32_t colour) {
  SDL_SetRenderDrawBlendMode(state.renderer, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(state.renderer, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF, 255);
}

}  // namespace

}  // namespace svc::sdl

namespace svc {

using sdl::state;

int init_sprite() { return SDL_WasInit(SDL_INIT_VIDEO) ? 1 : 0; }

// Sound is started by the engine and never used, so nothing is opened (no device, no mixer thread).
int init_sound() { return 1; }

int open_windowed_screen(WindowHandle window, int x, int y, int width, int height, int auto_stretch, int right_offset,
                         int bottom_offset) {
  (void)right_offset;
  (void)bottom_offset;
  int number = state.windows.find([window](SDL_Window* w) { return reinterpret_cast<WindowHandle>(w) == window; });
  SDL_Window* w = number >= 0 ? *state.windows.get(number) : nullptr;
  if (!w || width <= 0 || height <= 0) return 0;
  if (state.renderer) sdl::destroy_screen();  // One screen per program: a new one replaces the old

  // Asking for a driver by index turns batching off, so turn it back on: the engine draws thousands
  // of quads per frame. OpenGL accepts every composed blend mode; any other driver is a fallback.
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  int driver = sdl::render_driver("opengl");
  SDL_Renderer* r = SDL_CreateRenderer(w, driver, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
  if (!r) r = SDL_CreateRenderer(w, -1, SDL_RENDERER_TARGETTEXTURE);
  if (!r) r = SDL_CreateRenderer(w, -1, 0);
  if (!r) return 0;
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(r, &info) != 0 || !(info.flags & SDL_RENDERER_TARGETTEXTURE)) {
    SDL_DestroyRenderer(r);
    return 0;
  }
  state.renderer = r;
  state.screen_window = w;
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
  return 1;
}

void clear_screen(int32_t colour) {
  if (!state.renderer) return;
  sdl::set_draw_colour(colour);
  SDL_RenderClear(state.renderer);
}

// Copies the back buffer into the window (stretched to it, or 1:1 at the screen's position),
// presents it, and goes back to drawing into the back buffer.
void flip_buffers() {
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
  if ((state.frame & 63) == 0) sdl::flush_text_cache(false);
}

int screen_output() { return state.renderer ? 1 : 0; }

int start_drawing(int target) { return target != 0 && state.renderer ? 1 : 0; }

void stop_drawing() {}

void draw_box(int x, int y, int width, int height, int32_t colour) {
  if (!state.renderer || width <= 0 || height <= 0) return;
  sdl::set_draw_colour(colour);
  SDL_Rect rect = {x, y, width, height};
  SDL_RenderFillRect(state.renderer, &rect);
}

// Reads the pixel back from the back buffer: slow (it waits for the GPU), never used per frame.
int32_t point(int x, int y) {
  if (!state.renderer || x < 0 || y < 0 || x >= state.screen_width || y >= state.screen_height) return -1;
  SDL_Rect rect = {x, y, 1, 1};
  uint8_t rgba[4] = {};
  if (SDL_RenderReadPixels(state.renderer, &rect, SDL_PIXELFORMAT_RGBA32, rgba, 4) != 0) return -1;
  return rgba[0] | (rgba[1] << 8) | (rgba[2] << 16);
}

void plot(int x, int y, int32_t colour) {
  if (!state.renderer || x < 0 || y < 0 || x >= state.screen_width || y >= state.screen_height) return;
  sdl::set_draw_colour(colour);
  SDL_RenderDrawPoint(state.renderer, x, y);
}

}  // namespace svc
