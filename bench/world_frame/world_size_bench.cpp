// world_size_bench.cpp -- a frame of a big world against a frame of a small one, with the frame cache
//
// worldmake makes two worlds: one from a 512 x 384 picture at 2 pixels a cell (196,608 cells, the
// whole world on the screen) and one from examples/mapconvert/land.png (65 x 49 cells at worldmake's
// own cell size). Each world runs in a child process of this program (simengine's start-up in the
// world's folder, its window on the display), the children alternating, three rounds each. A child
// times, in alternating blocks:
// - the first frame after a change (every ground picture fitted again, the drawing noted changed):
//   before the cache (the renderer scaling each picture, FRAMECACHE 0) and with it (FRAMECACHE 1:
//   the passes draw that frame, the blocks follow in the next);
// - a frame that does not move, before the cache and with it.
// Printed with their goals and "met" or "MISSED", medians of the rounds:
// - the big world's frame with the cache against the small world's frame with the cache (<= 1.5);
// - the big world's first frame with the cache against its first frame before the cache (<= 1.0).
// Run it under a display (xvfb-run -a -s "-screen 0 1920x1080x24").
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/notices.h"
#include "base/state.h"
#include "core/engine.h"
#include "core/world_drawing.h"
#include "os.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "support/bmp.h"
#include "world/load_screen.h"

namespace {

constexpr int kRounds = 3;
constexpr double kStillGoal = 1.5, kFirstGoal = 1.0;

double now_ms() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

void frame() {
  draw_world();
  draw_position_boxes();
  svc::flip_buffers();
}

// Today's drawing (0) or the cache (1).
void use_cache(int cache) {
  engine.frameCache = static_cast<int8_t>(cache);
  svc::sprite3d_exact_sampling(cache);
}

// The first frame after a change: the next frame fits every ground picture again.
double first_frame(int cache) {
  use_cache(cache);
  engine.zoomedCellSize = 0;
  const double t0 = now_ms();
  frame();
  return now_ms() - t0;
}

double still_frames(int cache, int n) {
  use_cache(cache);
  frame();
  frame();  // with the cache, the blocks drawn
  const double t0 = now_ms();
  for (int i = 0; i < n; i++) frame();
  return (now_ms() - t0) / n;
}

// The child: simengine's start-up in the current folder, then blocks of each measurement; prints
// "first-before first-cache still-before still-cache" in milliseconds, medians of the blocks.
int probe() {
  set_fatal_box(false);
  set_fatal_exit_code(1);
  set_load_screen_wait(0);
  engine_startup(true);
  frame();  // the world's first frame: pictures scaled, blocks made
  std::vector<double> firstBefore, firstCache, stillBefore, stillCache;
  for (int b = 0; b < 5; b++) {
    firstBefore.push_back(first_frame(0));
    firstCache.push_back(first_frame(1));
    stillBefore.push_back(still_frames(0, 5));
    stillCache.push_back(still_frames(1, 10));
  }
  std::printf("%.3f %.3f %.3f %.3f\n", median(firstBefore), median(firstCache), median(stillBefore), median(stillCache));
  std::fflush(stdout);
  engine_shutdown();
  return 0;
}

struct Times {
  double firstBefore = 0, firstCache = 0, stillBefore = 0, stillCache = 0;
};

bool run_probe(const std::string& self, const std::string& folder, Times& t) {
  const std::string command = "cd '" + folder + "' && '" + self + "' --probe";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return false;
  const int got = std::fscanf(p, "%lf %lf %lf %lf", &t.firstBefore, &t.firstCache, &t.stillBefore, &t.stillCache);
  return pclose(p) == 0 && got == 4;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--probe") return probe();
  const std::string self = std::filesystem::absolute(argv[0]).string();
  const std::string dir = os::make_temp_folder("world_size_");
  if (dir.empty()) return 1;
  // A picture of smooth colour fields with some detail, so that worldmake keeps many codes.
  std::ofstream(dir + "big.bmp", std::ios::binary) << support::bmp_bytes(512, 384, [](int x, int y) {
    return support::Rgb{(x * 255 / 511) & 0xF0, (y * 255 / 383) & 0xF0, ((x / 16 + y / 16) % 4) * 60};
  });
  const std::string worldmake = WORLDMAKE;
  const std::string big = dir + "big", land = dir + "land";
  if (std::system(("'" + worldmake + "' --quiet --cell 2 '" + dir + "big.bmp' '" + big + "' >/dev/null").c_str()) != 0 ||
      std::system(("'" + worldmake + "' --quiet '" + std::string(LAND_PNG) + "' '" + land + "' >/dev/null").c_str()) != 0) {
    std::fprintf(stderr, "world_size_bench: worldmake failed\n");
    return 1;
  }
  std::vector<double> bigStill, landStill, bigFirst, bigFirstBefore, bigStillBefore, landStillBefore;
  for (int r = 0; r < kRounds; r++) {
    Times b, l;
    if (!run_probe(self, big, b) || !run_probe(self, land, l)) {
      std::fprintf(stderr, "world_size_bench: a world did not run (under xvfb-run?)\n");
      return 1;
    }
    bigStill.push_back(b.stillCache);
    bigStillBefore.push_back(b.stillBefore);
    bigFirst.push_back(b.firstCache);
    bigFirstBefore.push_back(b.firstBefore);
    landStill.push_back(l.stillCache);
    landStillBefore.push_back(l.stillBefore);
  }
  const double bs = median(bigStill), ls = median(landStill), bf = median(bigFirst), bfb = median(bigFirstBefore);
  auto verdict = [](double ratio, double goal) { return ratio <= goal ? "met" : "MISSED"; };
  std::printf("512 x 384 world (2 pixels a cell): frame %.2f ms with the cache, %.2f ms before; first frame %.2f ms "
              "with the cache, %.2f ms before\n",
              bs, median(bigStillBefore), bf, bfb);
  std::printf("land.png world: frame %.2f ms with the cache, %.2f ms before (medians of %d rounds)\n", ls,
              median(landStillBefore), kRounds);
  std::printf("ratio 512 x 384 world's frame / land.png world's frame, with the cache: %.2f (goal <= %.2f): %s\n",
              bs / ls, kStillGoal, verdict(bs / ls, kStillGoal));
  std::printf("ratio 512 x 384 world's first frame with the cache / before: %.2f (goal <= %.2f): %s\n", bf / bfb,
              kFirstGoal, verdict(bf / bfb, kFirstGoal));
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
