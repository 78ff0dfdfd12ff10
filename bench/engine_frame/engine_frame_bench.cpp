// engine_frame_bench.cpp -- the engine's frame over an empty world (input, overlay, flip) against a
// bare SDL loop that clears and presents a screen of the same size, side by side in one run
//
// Run under a display at 1920 x 1080 (xvfb-run -a -s "-screen 0 1920x1080x24"). Prints
// "engine frame: N fps, bare SDL loop: M fps, ratio R" where R = M / N (1.0 = no overhead).
#include <SDL.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include "base/state.h"
#include "base/notices.h"
#include "core/engine.h"
#include "core/frame.h"
#include "os.h"
#include "services/windows.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kSeconds = 3.0;

double elapsed(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// A folder with a configuration and a 4 x 4 map, made the working directory.
bool make_world_folder() {
  const std::string dir = os::make_temp_folder("engine_frame_bench_");
  if (dir.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(dir + "DATA", ec);
  std::string code = "QZ61\r\n3\r\n3\r\n\r\n\r\n", red = "RED\r\n3\r\n3\r\n\r\n\r\n";
  for (int i = 0; i < 16; i++) {
    code += "000\r\n000\r\n000\r\n";
    red += "255\r\n";
  }
  std::ofstream(dir + "start.qz61", std::ios::binary) << code;
  std::ofstream(dir + "start.red", std::ios::binary) << red;
  std::ofstream(dir + "DATA/ini.txt", std::ios::binary) << "RESOLUTION\r\n32\r\nAPPSTART\r\nstart\r\n";
  return os::change_folder(dir);
}

// The engine's main loop pass without the close test: one event poll and one frame.
double engine_fps() {
  engine_startup(true);
  for (int i = 0; i < 30; i++) run_frame();  // warm up (font, textures)
  long frames = 0;
  Clock::time_point start = Clock::now();
  while (elapsed(start) < kSeconds) {
    engine.lastEvent = svc::wait_window_event(0);
    run_frame();
    frames++;
  }
  double fps = frames / elapsed(start);
  engine_shutdown();
  return fps;
}

// SDL alone: the same window and renderer kind, one event poll, clear and present per pass.
double bare_sdl_fps(int width, int height) {
  SDL_Init(SDL_INIT_VIDEO);
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  SDL_Window* w = SDL_CreateWindow("bare", 0, 0, width, height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
  SDL_Renderer* r = SDL_CreateRenderer(w, -1, SDL_RENDERER_ACCELERATED);
  if (!r) r = SDL_CreateRenderer(w, -1, 0);
  for (int i = 0; i < 30; i++) {
    SDL_RenderClear(r);
    SDL_RenderPresent(r);
  }
  long frames = 0;
  SDL_Event ev;
  Clock::time_point start = Clock::now();
  while (elapsed(start) < kSeconds) {
    SDL_PollEvent(&ev);
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    SDL_RenderPresent(r);
    frames++;
  }
  double fps = frames / elapsed(start);
  SDL_DestroyRenderer(r);
  SDL_DestroyWindow(w);
  SDL_Quit();
  return fps;
}

}  // namespace

int main() {
  set_fatal_box(false);  // a start-up failure is printed, never shown in a box that waits
  set_fatal_exit_code(1);
  if (!make_world_folder()) {
    std::fprintf(stderr, "engine_frame_bench: cannot make a temporary folder\n");
    return 1;
  }
  double engine_rate = engine_fps();
  int width = static_cast<int>(engine.screenWidth), height = static_cast<int>(engine.screenHeight);
  double bare_rate = bare_sdl_fps(width, height);
  std::printf("screen %d x %d\n", width, height);
  std::printf("engine frame: %.1f fps, bare SDL loop: %.1f fps, ratio %.2f (goal: engine frame >= 60 fps): %s\n",
              engine_rate, bare_rate, engine_rate > 0 ? bare_rate / engine_rate : 0.0,
              engine_rate >= 60 ? "met" : "MISSED");
  return 0;
}
