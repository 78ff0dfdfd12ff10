// cpu_drawing.cpp -- 3D sprites drawn on the CPU into a canvas that stands for the drawing area
//
// A renderer pays for every quad: SDL queues it, the driver sets up two triangles and shades them.
// A world at two pixels a cell puts a million quads of four pixels each on the screen, and that
// cost, not the pixels, makes such a frame slow. Most of those quads are the simplest draw there
// is: a picture drawn at its own size (a scaled copy, see sprites.cpp) whose texels are all either
// transparent or opaque, at full alpha with the default blend pair. Such a draw copies each opaque
// texel and leaves the rest: the canvas does exactly that, and the renderer receives the finished
// area as one picture. The canvas keeps its alpha at 255, as the renderer's blend keeps the cleared
// area's (composed modes keep the destination's alpha, SDL's fixed blend makes an opaque texel's
// alpha 255).
//
// Any draw the canvas cannot copy exactly, and any other drawing, first sends the canvas to the
// renderer and ends the CPU drawing: what follows goes to the renderer in the same order as before.
#include <algorithm>
#include <cstring>

#include "services/sprites.h"
#include "state.h"

namespace svc::sdl {

namespace {

CpuCanvas& canvas() { return state.canvas; }

// The upload textures hold at most this many bytes; beyond, one of the size already sent in this
// frame is used again (the renderer then finishes the drawing that reads it first).
constexpr int64_t kUploadBytes = int64_t{48} << 20;

// An upload texture of exactly width x height not yet sent in this frame, made when none is free;
// -1 when the renderer cannot make one.
int pick_upload(int width, int height) {
  std::vector<CpuCanvas::Upload>& uploads = canvas().uploads;
  int oldest = -1;
  int64_t bytes = 0;
  for (size_t i = 0; i < uploads.size(); i++) {
    const CpuCanvas::Upload& u = uploads[i];
    bytes += int64_t{u.width} * u.height * 4;
    if (u.width != width || u.height != height) continue;
    if (u.frame != state.frame) return static_cast<int>(i);
    if (oldest < 0) oldest = static_cast<int>(i);
  }
  if (oldest >= 0 && bytes + int64_t{width} * height * 4 > kUploadBytes) return oldest;
  // Over the bound with nothing of this size: the textures of other sizes (an earlier zoom's or
  // screen's) go first.
  if (bytes + int64_t{width} * height * 4 > kUploadBytes) {
    for (CpuCanvas::Upload& u : uploads) forget_texture(u.texture, u.width, u.height);
    uploads.clear();
  }
  SDL_Texture* t = create_texture(SDL_TEXTUREACCESS_STREAMING, width, height);
  if (!t) return oldest;
  SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
  uploads.push_back(CpuCanvas::Upload{t, width, height, UINT64_MAX});
  return static_cast<int>(uploads.size() - 1);
}

}  // namespace

bool cpu_draw(const Sprite& picture, const SDL_Rect& dst, int alpha, int scale_mode) {
  CpuCanvas& c = canvas();
  if (alpha != 255 || scale_mode != SDL_ScaleModeNearest || state.blend_source != BLEND_SRC_ALPHA ||
      state.blend_destination != BLEND_INV_SRC_ALPHA || picture.partial_alpha || dst.w != picture.width ||
      dst.h != picture.height || state.drawing_into != c.target ||
      picture.rgba.size() != size_t(picture.width) * size_t(picture.height) * 4)
    return false;
  const int x0 = std::max(dst.x, 0), y0 = std::max(dst.y, 0);
  const int x1 = std::min<int64_t>(int64_t{dst.x} + dst.w, c.width), y1 = std::min<int64_t>(int64_t{dst.y} + dst.h, c.height);
  if (x0 >= x1 || y0 >= y1) return true;  // nothing of it lies on the area
  const auto* texels = reinterpret_cast<const uint32_t*>(picture.rgba.data());
  const size_t run = size_t(x1 - x0);
  for (int y = y0; y < y1; y++) {
    const uint32_t* from = texels + size_t(y - dst.y) * size_t(picture.width) + size_t(x0 - dst.x);
    uint32_t* to = &c.pixels[size_t(y) * size_t(c.width) + size_t(x0)];
    if (picture.opaque) {
      std::memcpy(to, from, run * 4);
    } else {
      for (size_t i = 0; i < run; i++)
        if (from[i] >> 24) to[i] = from[i];  // RGBA32 in memory: alpha is the high byte
    }
  }
  c.x0 = std::min(c.x0, x0), c.y0 = std::min(c.y0, y0);
  c.x1 = std::max(c.x1, x1), c.y1 = std::max(c.y1, y1);
  return true;
}

void send_cpu_canvas() {
  CpuCanvas& c = canvas();
  if (!c.active) return;
  c.active = false;
  if (c.x0 >= c.x1 || c.y0 >= c.y1 || !state.renderer || c.upload < 0) return;  // nothing drawn: as cleared
  CpuCanvas::Upload& upload = c.uploads[static_cast<size_t>(c.upload)];
  upload.frame = state.frame;
  const SDL_Rect box = {c.x0, c.y0, c.x1 - c.x0, c.y1 - c.y0};
  if (SDL_UpdateTexture(upload.texture, &box, &c.pixels[size_t(c.y0) * size_t(c.width) + size_t(c.x0)], c.width * 4) != 0) {
    // The texture was made at the start, so only a renderer in trouble gets here; the area then
    // shows what it was cleared to until the next frame.
    SDL_Log("drawing on the CPU: the canvas could not be sent to the renderer: %s", SDL_GetError());
    return;
  }
  SDL_SetRenderTarget(state.renderer, drawing_target());
  SDL_RenderCopy(state.renderer, upload.texture, &box, &box);
}

void free_cpu_canvas() {
  CpuCanvas& c = canvas();
  for (CpuCanvas::Upload& u : c.uploads) forget_texture(u.texture, u.width, u.height);
  c = CpuCanvas{};
}

}  // namespace svc::sdl

namespace svc {

using sdl::state;

int start_cpu_drawing(int32_t colour) {
  sdl::send_cpu_canvas();
  if (!state.renderer) return 0;
  const int width = state.drawing_into ? state.drawing_width : state.screen_width;
  const int height = state.drawing_into ? state.drawing_height : state.screen_height;
  if (width <= 0 || height <= 0) return 0;
  sdl::CpuCanvas& c = state.canvas;
  // The upload texture is picked now, so that the canvas can always be sent.
  c.upload = sdl::pick_upload(width, height);
  if (c.upload < 0) return 0;
  const uint32_t cleared = uint32_t(colour & 0xFF) | uint32_t(colour & 0xFF00) | uint32_t(colour & 0xFF0000) | 0xFF000000u;
  c.pixels.assign(size_t(width) * size_t(height), cleared);
  c.width = width;
  c.height = height;
  c.target = state.drawing_into;
  c.x0 = width, c.y0 = height, c.x1 = 0, c.y1 = 0;
  c.active = true;
  return 1;
}

void finish_cpu_drawing() { sdl::send_cpu_canvas(); }

}  // namespace svc
