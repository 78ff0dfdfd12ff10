// screen.cpp -- the double-buffered screen: an SDL renderer on a window and a render-target back buffer
//
// Debug text is drawn with SDL_ttf in the system sans font. The engine draws the same five overlay
// lines every frame, so each rendered line is kept as a texture keyed by its text and colours, and
// dropped when no frame has drawn it for a while.
//
// Free video memory, for the debug overlay, as well as the driver can tell: NVIDIA
// (GL_NVX_gpu_memory_info) and AMD (GL_ATI_meminfo) drivers report it. Mesa's drivers do not;
// there, and with software rendering, pictures live in system memory, so the memory still available
// to programs (MemAvailable on Linux) is the honest figure. Without either, the installed memory
// less what our own textures hold.
#include "services/screen.h"

#include <SDL_opengl.h>
#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#endif

#include <algorithm>
#include <cstring>
#include <vector>

#include "display_text.h"
#include "os.h"
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
  flush_text_cache(true);
  free_all_sprites();
  if (state.spare_target) forget_texture(state.spare_target, state.spare_width, state.spare_height);
  state.spare_target = nullptr;
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

constexpr int kFontPixels = 11;          // About 13 pixels per line: the overlay lines are 14 apart
constexpr uint64_t kKeepFrames = 64;     // A text not drawn for this many frames is freed
constexpr size_t kMaxCachedTexts = 512;  // Beyond this the cache is emptied before adding

// The file of the system's sans-serif font, as fontconfig resolves "sans"; "" when there is none.
// Windows has no fontconfig and no DejaVu Sans: its programs carry the font beside them, so the
// overlay looks the same on both systems.
std::string sans_font_file() {
  std::string path;
#ifdef _WIN32
  if (char* base = SDL_GetBasePath()) {
    path = std::string(base) + "DejaVuSans.ttf";
    SDL_free(base);
  }
  return path;
#else
  if (!FcInit()) return path;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans"));
  if (!pattern) return path;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  if (match) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
      path = reinterpret_cast<const char*>(file);
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return path;
#endif
}

TTF_Font* font() {
  if (!state.font && !state.font_tried) {
    state.font_tried = true;
    std::string file = sans_font_file();
    if (!file.empty()) state.font = TTF_OpenFont(file.c_str(), kFontPixels);
  }
  return state.font;
}

SDL_Color sdl_colour(int32_t colour) {
  return SDL_Color{static_cast<Uint8>(colour & 0xFF), static_cast<Uint8>((colour >> 8) & 0xFF),
                   static_cast<Uint8>((colour >> 16) & 0xFF), 255};
}

// Renders the text into a new texture; nullptr when it cannot.
bool render(const std::string& text, int32_t front, int32_t back, CachedText& out) {
  TTF_Font* f = font();
  if (!f) return false;
  std::string utf8 = detail::display_lines(text);
  SDL_Surface* surface = TTF_RenderUTF8_Shaded(f, utf8.c_str(), sdl_colour(front), sdl_colour(back));
  if (!surface) return false;
  SDL_Surface* rgba = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGBA32, 0);
  SDL_FreeSurface(surface);
  if (!rgba) return false;
  out.texture = create_texture(SDL_TEXTUREACCESS_STATIC, rgba->w, rgba->h);
  if (out.texture) {
    SDL_UpdateTexture(out.texture, nullptr, rgba->pixels, rgba->pitch);
    SDL_SetTextureBlendMode(out.texture, SDL_BLENDMODE_NONE);
    out.width = rgba->w;
    out.height = rgba->h;
  }
  SDL_FreeSurface(rgba);
  return out.texture != nullptr;
}

enum { kEstimate = 0, kNvx = 1, kAti = 2 };
constexpr GLenum kNvxCurrentAvailable = 0x9049;  // GL_GPU_MEMORY_INFO_CURRENT_AVAILABLE_VIDMEM_NVX, KiB
constexpr GLenum kAtiTextureFree = 0x87FC;       // GL_TEXTURE_FREE_MEMORY_ATI, four KiB values
using GetIntegerv = void(APIENTRY*)(GLenum, GLint*);

void choose_method() {
  state.memory_method = kEstimate;
  SDL_RendererInfo info;
  if (!state.renderer || SDL_GetRendererInfo(state.renderer, &info) != 0 || std::strcmp(info.name, "opengl") != 0)
    return;
  state.gl_get_integerv = SDL_GL_GetProcAddress("glGetIntegerv");
  if (!state.gl_get_integerv) return;
  if (SDL_GL_ExtensionSupported("GL_NVX_gpu_memory_info"))
    state.memory_method = kNvx;
  else if (SDL_GL_ExtensionSupported("GL_ATI_meminfo"))
    state.memory_method = kAti;
}

// The first value the driver reports for a memory query, in KiB.
int64_t gl_memory_kib(GLenum query) {
  GLint values[4] = {};
  reinterpret_cast<GetIntegerv>(state.gl_get_integerv)(query, values);
  return values[0];
}

// The memory the system could still give, in bytes, asked at most once a second; -1 when unknown.
int64_t available_system_memory() {
  uint32_t now = SDL_GetTicks();
  if (state.system_available >= 0 && now - state.system_read_tick < 1000) return state.system_available;
  state.system_read_tick = now;
  state.system_available = os::available_memory();
  return state.system_available;
}

}  // namespace

void flush_text_cache(bool all) {
  for (auto it = state.text_cache.begin(); it != state.text_cache.end();) {
    if (all || state.frame - it->second.last_frame > kKeepFrames) {
      forget_texture(it->second.texture, it->second.width, it->second.height);
      it = state.text_cache.erase(it);
    } else {
      ++it;
    }
  }
}

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
  if (width <= 0 || height <= 0) return 0;
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

// A run read back in one call (one wait for the GPU instead of one per pixel).
void points(int x, int y, int count, int32_t* out) {
  if (count <= 0) return;
  std::fill(out, out + count, -1);
  if (!state.renderer || y < 0 || y >= state.screen_height) return;
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(int64_t{x} + count, state.screen_width);
  if (x0 >= x1) return;
  std::vector<uint8_t> rgba(static_cast<size_t>(x1 - x0) * 4);
  SDL_Rect rect = {static_cast<int>(x0), y, static_cast<int>(x1 - x0), 1};
  if (SDL_RenderReadPixels(state.renderer, &rect, SDL_PIXELFORMAT_RGBA32, rgba.data(), static_cast<int>(rgba.size())) != 0)
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
  if (!state.renderer || x < 0 || y < 0 || x >= state.screen_width || y >= state.screen_height) return;
  sdl::set_draw_colour(colour);
  SDL_RenderDrawPoint(state.renderer, x, y);
}

void draw_text(int x, int y, const std::string& text, int32_t front, int32_t back) {
  if (!state.renderer || text.empty()) return;
  std::string key;
  key.reserve(text.size() + 16);
  key.append(reinterpret_cast<const char*>(&front), sizeof front);
  key.append(reinterpret_cast<const char*>(&back), sizeof back);
  key += text;
  auto it = state.text_cache.find(key);
  if (it == state.text_cache.end()) {
    if (state.text_cache.size() >= sdl::kMaxCachedTexts) sdl::flush_text_cache(true);
    sdl::CachedText made;
    if (!sdl::render(text, front, back, made)) return;
    it = state.text_cache.emplace(std::move(key), made).first;
  }
  it->second.last_frame = state.frame;
  SDL_Rect dst = {x, y, it->second.width, it->second.height};
  SDL_RenderCopy(state.renderer, it->second.texture, nullptr, &dst);
}

int64_t free_video_memory() {
  if (!state.renderer) return 0;
  if (state.memory_method < 0) sdl::choose_method();
  if (state.memory_method == sdl::kNvx) return sdl::gl_memory_kib(sdl::kNvxCurrentAvailable) * 1024;
  if (state.memory_method == sdl::kAti) return sdl::gl_memory_kib(sdl::kAtiTextureFree) * 1024;
  int64_t available = sdl::available_system_memory();
  if (available >= 0) return available;
  int64_t installed = static_cast<int64_t>(SDL_GetSystemRAM()) * 1024 * 1024;
  return installed > state.texture_bytes ? installed - state.texture_bytes : 0;
}

}  // namespace svc
