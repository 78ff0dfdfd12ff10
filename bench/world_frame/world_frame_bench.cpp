// world_frame_bench.cpp -- one engine frame against a bare SDL loop that draws the same picture
//
// The engine side: a 1920 x 1080 view at RESOLUTION N (the argument, 2 to 256, 32 by default) over a
// map whose every cell has a ground picture and one placed object, with the smoothing pass; a frame
// is the world drawing, the position boxes and the flip. The bare side: plain SDL calls drawing the
// same quads into a render-target back buffer, the same full-screen copy and the same present. All
// run in the same process, in alternating blocks; each ratio of medians is printed with its goal and
// "met" or "MISSED":
// - the engine drawing every cell as before the cache (the renderer scaling each picture) against
//   the bare loop at N (<= 1.2);
// - with the frame cache (FRAMECACHE 1), a frame that does not move against the bare loop's
//   RESOLUTION 32 frame (<= 1.0);
// - with the cache, the first frame after a zoom step (the passes draw it from the pictures' scaled
//   copies; the blocks follow in the next frame) against the same zoom step drawn as before the
//   cache (<= 1.0);
// - with the cache, scrolling by one cell a frame against a frame that does not move (<= 1.5; from
//   RESOLUTION 4 on, the map then being twice the view's width).
// Run it under a display (xvfb-run -a -s "-screen 0 1920x1080x24").
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/state.h"
#include "base/notices.h"
#include "core/view.h"
#include "core/world_drawing.h"
#include "os.h"
#include "support/bmp.h"
#include "services/desktops.h"
#include "services/grid.h"
#include "services/lifecycle.h"
#include "services/list.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/windows.h"
#include "world/world.h"

namespace {

constexpr int kBlocks = 5;
constexpr double kBlockMs = 1500.0;  // A block runs about this long (5 to 60 frames), at every cell size
constexpr double kGoal = 1.2;
constexpr double kStillGoal = 1.0, kZoomGoal = 1.0, kScrollGoal = 1.5;

// A size x size picture of one colour, optionally with a 4-pixel magenta (transparent) border.
void write_bmp(const std::string& path, int size, int r, int g, int b, bool magentaBorder) {
  std::ofstream(path, std::ios::binary) << support::bmp_bytes(size, size, [&](int x, int y) {
    bool edge = magentaBorder && (x < 4 || y < 4 || x >= size - 4 || y >= size - 4);
    return edge ? support::Rgb{255, 0, 255} : support::Rgb{r, g, b};
  });
}

double now_ms() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The engine's world: every cell of a map that covers the view (at least 128 x 128) with ground and
// one object fitted to the cell.
void build_engine_world(const std::string& dir, int width, int height, int cell) {
  const int rows = std::max({128, height / cell + 2});
  const int side = std::max({128, (cell >= 4 ? 2 : 1) * (width / cell) + 4, rows});
  reset_engine_state();
  forget_world();
  engine.screenWidth = static_cast<float>(width);
  engine.screenHeight = static_cast<float>(height);
  engine.resolution = static_cast<float>(cell);
  engine.useSprite3D = 1;
  engine.smoothingPass = 1;
  svc::transparent_sprite_colour(-1, 255 + 255 * 65536);
  const int ground = svc::load_sprite(-1, dir + "ground.bmp", svc::SPRITE_TEXTURE);
  const int object = svc::load_sprite(-1, dir + "object.bmp", svc::SPRITE_TEXTURE);
  svc::dim_array(worldState.world, side - 1, rows - 1);
  engine.mapMaxX = side - 1;
  engine.mapMaxY = rows - 1;
  for (int x = 0; x < side; x++)
    for (int y = 0; y < rows; y++) {
      WorldCell& c = *svc::cell(worldState.world, x, y);
      c.loaded = 1;
      c.groundAlpha = 255;
      c.groundSprite = svc::create_sprite3d(-1, ground);
      ObjectInstance* i = svc::append_element(worldState.instanceList);
      i->sprite3d = svc::create_sprite3d(-1, object);
      svc::zoom_sprite3d(i->sprite3d, cell, cell);
      i->show = 1;
      i->transparency = 255;
      c.childInstance[0] = svc::list_size(worldState.instanceList) - 1;
      c.lastChildSlot = 0;
    }
  svc::append_element(worldState.cursorList);
  compute_view_cells();
}

// How the view changes before each engine frame: not at all, a zoom step (to N + 1 and back), or a
// scroll by one cell (back to the first column where the map ends).
enum class Motion { Still, Zoom, Scroll };
Motion motion = Motion::Still;
int baseCell = 32;

void move_view() {
  if (motion == Motion::Zoom) {
    engine.resolution = engine.resolution == static_cast<float>(baseCell) ? baseCell + 1.0f : baseCell;
    compute_view_cells();
  } else if (motion == Motion::Scroll) {
    engine.scrollX++;
    if (engine.scrollX + engine.cellsAcross + 2 > engine.mapMaxX) engine.scrollX = 0;
  }
}

double engine_frames(int n) {
  double t0 = now_ms();
  for (int i = 0; i < n; i++) {
    move_view();
    draw_world();
    draw_position_boxes();
    svc::flip_buffers();
  }
  return (now_ms() - t0) / n;
}

// The bare loop's own window, renderer and textures.
struct Bare {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* back = nullptr;
  SDL_Texture* grab = nullptr;
  SDL_Texture* ground = nullptr;
  SDL_Texture* object = nullptr;
  int width = 0, height = 0, cell = 32;
};

SDL_Texture* bare_texture(SDL_Renderer* r, const std::string& path) {
  SDL_Surface* s = SDL_LoadBMP(path.c_str());
  if (!s) return nullptr;
  SDL_SetColorKey(s, SDL_TRUE, SDL_MapRGB(s->format, 255, 0, 255));
  SDL_Texture* t = SDL_CreateTextureFromSurface(r, s);
  SDL_FreeSurface(s);
  SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
  return t;
}

bool open_bare(Bare& b, const std::string& dir, int width, int height, int cell) {
  b.width = width;
  b.height = height;
  b.cell = cell;
  b.window = SDL_CreateWindow("bare", 0, 0, width, height, SDL_WINDOW_BORDERLESS);
  if (!b.window) return false;
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  b.renderer = SDL_CreateRenderer(b.window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
  if (!b.renderer) return false;
  b.back = SDL_CreateTexture(b.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
  b.grab = SDL_CreateTexture(b.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
  SDL_SetTextureScaleMode(b.grab, SDL_ScaleModeLinear);
  b.ground = bare_texture(b.renderer, dir + "ground.bmp");
  b.object = bare_texture(b.renderer, dir + "object.bmp");
  return b.back && b.grab && b.ground && b.object;
}

double bare_frames(Bare& b, int n) {
  SDL_Renderer* r = b.renderer;
  const int cell = b.cell, across = (b.width + cell - 1) / cell + 1, down = (b.height + cell - 1) / cell;
  double t0 = now_ms();
  for (int i = 0; i < n; i++) {
    SDL_SetRenderTarget(r, b.back);
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    for (SDL_Texture* t : {b.ground, b.object})
      for (int row = 0; row < down; row++)
        for (int col = 0; col < across; col++) {
          SDL_Rect dst = {col * cell, row * cell, cell, cell};
          SDL_RenderCopy(r, t, nullptr, &dst);
        }
    // The full-screen copy: grab from (1, 1), draw it back filtered.
    SDL_SetRenderTarget(r, b.grab);
    SDL_Rect src = {1, 1, b.width - 1, b.height - 1}, to = {0, 0, b.width - 1, b.height - 1};
    SDL_RenderCopy(r, b.back, &src, &to);
    SDL_SetRenderTarget(r, b.back);
    SDL_RenderCopy(r, b.grab, nullptr, nullptr);
    SDL_SetRenderDrawColor(r, 255, 0, 0, 255);
    SDL_Rect box = {0, 0, cell, cell};
    SDL_RenderFillRect(r, &box);
    SDL_SetRenderTarget(r, nullptr);
    SDL_RenderCopy(r, b.back, nullptr, nullptr);
    SDL_RenderPresent(r);
  }
  return (now_ms() - t0) / n;
}

}  // namespace

int main(int argc, char** argv) {
  set_fatal_box(false);  // a failure is printed, never shown in a box that waits
  set_fatal_exit_code(1);
  const int cell = argc > 1 ? std::atoi(argv[1]) : 32;
  // With a second argument, one kind of frame runs alone for a few seconds, for a profiler.
  const std::string only = argc > 2 ? argv[2] : "";
  if (cell < 2 || cell > 256 || (!only.empty() && only != "still" && only != "zoom" && only != "scroll" && only != "uncached")) {
    std::fprintf(stderr, "usage: world_frame_bench [RESOLUTION [still|zoom|scroll|uncached]]   (2 to 256; 32 by default)\n");
    return 2;
  }
  baseCell = cell;
  const std::string dir = os::make_temp_folder("world_frame_");
  if (dir.empty()) return 1;
  write_bmp(dir + "ground.bmp", 32, 40, 140, 60, false);
  write_bmp(dir + "object.bmp", 16, 150, 90, 30, true);

  svc::start_services();
  svc::init_sprite();
  svc::init_sprite3d();
  svc::examine_desktops();
  const int width = svc::desktop_width(0), height = svc::desktop_height(0);
  const int window = svc::open_window(-1, 0, 0, width, height, "world_frame_bench", svc::WINDOW_BORDERLESS);
  if (!window || !svc::open_windowed_screen(svc::window_handle(window), 0, 0, width, height, 1, 0, 0)) {
    std::fprintf(stderr, "world_frame_bench: no window or screen (run under xvfb-run)\n");
    return 1;
  }
  build_engine_world(dir, width, height, cell);
  Bare bare;
  if (!open_bare(bare, dir, width, height, cell)) {
    std::fprintf(stderr, "world_frame_bench: bare SDL setup failed: %s\n", SDL_GetError());
    return 1;
  }
  engine_frames(3);  // warm-up: the first frame refits every ground sprite
  if (!only.empty()) {
    engine.frameCache = only == "uncached" ? 0 : 1;
    svc::sprite3d_exact_sampling(engine.frameCache);  // uncached: every cell drawn, scaled by the renderer
    engine_frames(2);
    motion = only == "zoom" ? Motion::Zoom : only == "scroll" ? Motion::Scroll : Motion::Still;
    const int n = std::clamp(static_cast<int>(8000.0 / std::max(engine_frames(3), 1.0)), 5, 400);
    std::printf("%s frames at RESOLUTION %d: %.2f ms (%d frames)\n", only.c_str(), cell,
                engine_frames(n), n);
    svc::stop_services();
    return 0;
  }
  bare_frames(bare, 3);
  const int frames = std::clamp(static_cast<int>(kBlockMs / std::max(engine_frames(3), 1.0)), 5, 60);
  const int bareFrames32 = [&] {
    bare.cell = 32;
    const int n = std::clamp(static_cast<int>(kBlockMs / std::max(bare_frames(bare, 3), 1.0)), 5, 60);
    bare.cell = cell;
    return n;
  }();
  // One measurement: the median of kBlocks blocks, each run after a block of the bare loop at N.
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::vector<double> eng, raw, raw32, still, zoomDirect, zoomCached, scroll;
  for (int b = 0; b < kBlocks; b++) {
    motion = Motion::Still;
    engine.frameCache = 0;
    svc::sprite3d_exact_sampling(0);  // today's frame: every cell drawn, scaled by the renderer
    eng.push_back(engine_frames(frames));
    svc::sprite3d_exact_sampling(1);
    raw.push_back(bare_frames(bare, frames));
    bare.cell = 32;
    raw32.push_back(bare_frames(bare, bareFrames32));
    bare.cell = cell;
    engine.frameCache = 1;
    engine_frames(2);  // the blocks drawn
    still.push_back(engine_frames(frames));
    motion = Motion::Zoom;
    zoomCached.push_back(engine_frames(std::max(2, frames / 2)));
    engine.frameCache = 0;
    svc::sprite3d_exact_sampling(0);
    zoomDirect.push_back(engine_frames(std::max(2, frames / 2)));
    svc::sprite3d_exact_sampling(1);
    if (engine.resolution != static_cast<float>(cell)) {
      engine.resolution = static_cast<float>(cell);
      compute_view_cells();
    }
    if (cell >= 4) {
      motion = Motion::Still;
      engine.frameCache = 1;
      engine_frames(2);  // the blocks drawn again after the zoom steps
      motion = Motion::Scroll;
      scroll.push_back(engine_frames(frames));
      engine.scrollX = 0;
    }
  }
  const double e = median(eng), r = median(raw), r32 = median(raw32), st = median(still);
  const double zc = median(zoomCached), zd = median(zoomDirect);
  auto verdict = [](double ratio, double goal) { return ratio <= goal ? "met" : "MISSED"; };
  std::printf("engine frame %dx%d, RESOLUTION %d, %d x %d cells, ground + one object each, smoothing: %.2f ms\n", width,
              height, cell, static_cast<int>(engine.cellsAcross) + 1, static_cast<int>(engine.cellsDown), e);
  std::printf("bare SDL loop, same quads and full-screen copy: %.2f ms; at RESOLUTION 32: %.2f ms (medians of %d blocks)\n",
              r, r32, kBlocks);
  std::printf("frame cache: still frame %.2f ms (before the cache %.2f ms); zoom step's first frame %.2f ms (before %.2f ms)\n",
              st, e, zc, zd);
  std::printf("ratio engine / bare at RESOLUTION %d: %.2f (goal <= %.2f): %s\n", cell, e / r, kGoal, verdict(e / r, kGoal));
  std::printf("ratio cached still frame at RESOLUTION %d / bare at RESOLUTION 32: %.2f (goal <= %.2f): %s\n", cell,
              st / r32, kStillGoal, verdict(st / r32, kStillGoal));
  std::printf("ratio cached zoom step's first frame / before at RESOLUTION %d: %.2f (goal <= %.2f): %s\n", cell,
              zc / zd, kZoomGoal, verdict(zc / zd, kZoomGoal));
  if (!scroll.empty()) {
    const double sc = median(scroll);
    std::printf("ratio cached scroll by one cell a frame / still frame at RESOLUTION %d: %.2f ms / %.2f ms = %.2f "
                "(goal <= %.2f): %s\n",
                cell, sc, st, sc / st, kScrollGoal, verdict(sc / st, kScrollGoal));
  }
  SDL_DestroyRenderer(bare.renderer);
  SDL_DestroyWindow(bare.window);
  svc::stop_services();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
