// text_cache.cpp -- debug text on the SDL screen, drawn with SDL_ttf in the system sans font
//
// The engine draws the same five overlay lines every frame, so each rendered line is kept as a
// texture keyed by its text and colours, and dropped when no frame has drawn it for a while.
#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#endif

#include "display_text.h"
#include "services/screen.h"
#include "state.h"

namespace svc::sdl {

namespace {

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

void draw_text(int x, int y, const std::string& text, int32_t front, int32_t back) {
  sdl::send_cpu_canvas();
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

}  // namespace svc
