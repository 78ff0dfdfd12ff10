// sdl_bare_loop_bench.cpp -- what the SDL platform costs over plain SDL for one engine-like frame
//
// Both loops draw the same frame at 1920x1080 into a render-target back buffer: clear, one 32x32
// quad per visible cell (61 x 34) from one 4x4 picture with alpha, a copy of the screen from (1, 1)
// drawn back filtered over the whole screen, five lines of text (services only: plain SDL has no
// text), and the copy to the window. Rounds alternate so both see the same machine load.
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "services/lifecycle.h"
#include "services/pictures.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/windows.h"
#include "support/bmp.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kCell = 32;
constexpr int kAcross = kWidth / kCell + 1, kDown = kHeight / kCell;

double seconds() { return SDL_GetPerformanceCounter() / static_cast<double>(SDL_GetPerformanceFrequency()); }

// A 4x4 24-bit BMP for load_sprite.
std::string write_picture() {
  std::string path = "/tmp/sdl_bare_loop_" + std::to_string(SDL_GetTicks()) + ".bmp";
  // Blue rising from the bottom row's left to the top row's right.
  const std::string bmp = support::bmp_bytes(4, 4, [](int x, int y) { return support::Rgb{0, 0, ((3 - y) * 4 + x) * 16}; });
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(bmp.data(), 1, bmp.size(), f);
    std::fclose(f);
  }
  return path;
}

// Frames per second of the services' frame over `frames` frames.
double services_round(int quad, int frames) {
  int grab = 0, grab3d = 0;
  double start = seconds();
  for (int f = 0; f < frames; f++) {
    svc::wait_window_event(0);
    svc::clear_screen(0);
    svc::start_3d();
    for (int r = 0; r < kDown; r++)
      for (int c = 0; c < kAcross; c++) svc::display_sprite3d(quad, c * kCell, r * kCell, 200);
    if (grab3d) svc::free_sprite3d(grab3d);
    if (grab) svc::free_sprite(grab);
    grab = svc::grab_sprite(-1, 1, 1, kWidth, kHeight, 1);
    grab3d = svc::create_sprite3d(-1, grab);
    svc::sprite3d_quality(1);
    svc::display_sprite3d(grab3d, 0, 0, 255);
    svc::sprite3d_quality(0);
    svc::stop_3d();
    svc::start_drawing(svc::screen_output());
    for (int i = 0; i < 5; i++) svc::draw_text(10, 10 + 14 * i, "Debug: line " + std::to_string(i), 0xC8FFFF, 0);
    svc::stop_drawing();
    svc::flip_buffers();
  }
  return frames / (seconds() - start);
}

struct Bare {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* back = nullptr;
  SDL_Texture* picture = nullptr;
  SDL_Texture* grab = nullptr;
};

double bare_round(Bare& b, int frames) {
  double start = seconds();
  SDL_Event e;
  for (int f = 0; f < frames; f++) {
    while (SDL_PollEvent(&e)) {
    }
    SDL_SetRenderTarget(b.renderer, b.back);
    SDL_SetRenderDrawColor(b.renderer, 0, 0, 0, 255);
    SDL_RenderClear(b.renderer);
    for (int r = 0; r < kDown; r++)
      for (int c = 0; c < kAcross; c++) {
        SDL_Rect dst = {c * kCell, r * kCell, kCell, kCell};
        SDL_RenderCopy(b.renderer, b.picture, nullptr, &dst);
      }
    SDL_SetRenderTarget(b.renderer, b.grab);
    SDL_Rect src = {1, 1, kWidth - 1, kHeight - 1};
    SDL_Rect dst = {0, 0, kWidth - 1, kHeight - 1};
    SDL_RenderCopy(b.renderer, b.back, &src, &dst);
    SDL_SetRenderTarget(b.renderer, b.back);
    SDL_RenderCopy(b.renderer, b.grab, nullptr, nullptr);
    SDL_SetRenderTarget(b.renderer, nullptr);
    SDL_RenderCopy(b.renderer, b.back, nullptr, nullptr);
    SDL_RenderPresent(b.renderer);
  }
  return frames / (seconds() - start);
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : 60;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  svc::start_services();
  int window = svc::open_window(-1, 0, 0, kWidth, kHeight, "services loop", svc::WINDOW_BORDERLESS);
  if (!window || !svc::open_windowed_screen(svc::window_handle(window), 0, 0, kWidth, kHeight, 1, 0, 0)) {
    std::fprintf(stderr, "sdl_bare_loop_bench: no window (run under xvfb-run)\n");
    return 1;
  }
  std::string path = write_picture();
  int sprite = svc::load_sprite(-1, path, svc::SPRITE_TEXTURE);
  std::remove(path.c_str());
  int quad = svc::create_sprite3d(-1, sprite);
  svc::zoom_sprite3d(quad, kCell, kCell);

  Bare b;
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  b.window = SDL_CreateWindow("bare loop", 0, 0, kWidth, kHeight, SDL_WINDOW_BORDERLESS);
  int driver = -1;
  for (int i = 0; i < SDL_GetNumRenderDrivers(); i++) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && SDL_strcmp(info.name, "opengl") == 0) driver = i;
  }
  b.renderer = SDL_CreateRenderer(b.window, driver, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
  b.back = SDL_CreateTexture(b.renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_TARGET, kWidth, kHeight);
  b.grab = SDL_CreateTexture(b.renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_TARGET, kWidth, kHeight);
  b.picture = SDL_CreateTexture(b.renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC, 4, 4);
  std::vector<uint32_t> pixels(16, 0xC8804020u);
  SDL_UpdateTexture(b.picture, nullptr, pixels.data(), 16);
  SDL_SetTextureBlendMode(b.picture, SDL_BLENDMODE_BLEND);
  SDL_SetTextureAlphaMod(b.picture, 200);
  SDL_SetTextureBlendMode(b.back, SDL_BLENDMODE_NONE);
  SDL_SetTextureScaleMode(b.grab, SDL_ScaleModeLinear);

  double services_best = 0, bare_best = 0;
  services_round(quad, 5);  // warm-up: first textures, text cache
  bare_round(b, 5);
  for (int r = 0; r < rounds; r++) {
    double s = services_round(quad, frames);
    double p = bare_round(b, frames);
    if (s > services_best) services_best = s;
    if (p > bare_best) bare_best = p;
  }
  std::printf(
      "services frame: %.1f fps, bare SDL loop: %.1f fps, ratio %.2f (bare / services, best of %d rounds of %d "
      "frames; goal <= 1.20): %s\n",
      services_best, bare_best, bare_best / services_best, rounds, frames,
      bare_best / services_best <= 1.2 ? "met" : "MISSED");
  SDL_DestroyTexture(b.picture);
  SDL_DestroyTexture(b.grab);
  SDL_DestroyTexture(b.back);
  SDL_DestroyRenderer(b.renderer);
  SDL_DestroyWindow(b.window);
  svc::stop_services();
  return 0;
}
