// renderer_resets.cpp -- the renderer losing what its target textures hold, noted the moment SDL
// reports it; and resets made on purpose at chosen points of the drawing, for the Windows checks
//
// Direct3D 9 resets its device when the window's size or the presentation settings change (and after
// a lost device): every render-target texture comes back empty, the back buffer among them. SDL does
// this inside whichever call first meets the change (a flush of its queue, a switch of target, a
// present) and sends SDL_RENDER_TARGETS_RESET then; Direct3D 11 and 12 send SDL_RENDER_DEVICE_RESET
// after a lost device. An event watch sees the event as SDL sends it, so a frame that meets a reset
// while it is drawn knows it before it is shown, not only after the next wait for events.
//
// SUITE_TEST_RENDERER_RESETS makes resets happen at chosen points, as a real one would: a list such
// as "flip:30,target:100" resets the renderer right after the 30th flip and at the 100th switch of
// drawing into a target sprite, counted from the screen's opening. The reset is the one a changed
// presentation setting gives (the vertical sync set again to what it is), so nothing the user sees
// changes but the targets' contents; renderers without such resets (OpenGL, software) lose nothing.
// Each reset prints one line on standard error, with the renderer's name and whether targets were lost.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "os.h"
#include "state.h"

namespace svc::sdl {

namespace {

int SDLCALL note_reset(void*, SDL_Event* event) {
  if (event->type == SDL_RENDER_TARGETS_RESET || event->type == SDL_RENDER_DEVICE_RESET) {
    state.targets_lost = true;
    state.target_resets++;
  }
  return 1;
}

// The point of a planned reset: "flip:N" or "target:N" (N from 1); false for anything else.
bool parse_point(const std::string& item, TestResets::Point& point) {
  const size_t colon = item.find(':');
  if (colon == std::string::npos) return false;
  const std::string kind = item.substr(0, colon), count = item.substr(colon + 1);
  char* end = nullptr;
  const long n = std::strtol(count.c_str(), &end, 10);
  if (count.empty() || *end != '\0' || n < 1 || n > 1000000000) return false;
  if (kind == "flip")
    point.at_flip = true;
  else if (kind == "target")
    point.at_flip = false;
  else
    return false;
  point.count = n;
  return true;
}

std::string renderer_name() {
  SDL_RendererInfo info;
  return state.renderer && SDL_GetRendererInfo(state.renderer, &info) == 0 ? info.name : "?";
}

// Resets the renderer now, as a changed presentation setting does: what was queued is carried out
// first, so everything drawn so far into targets is what the reset takes.
void reset_renderer(const char* where, long count) {
  SDL_Renderer* r = state.renderer;
  SDL_RendererInfo info;
  if (!r || SDL_GetRendererInfo(r, &info) != 0) return;
  SDL_RenderFlush(r);
  const int64_t before = state.target_resets;
  SDL_RenderSetVSync(r, (info.flags & SDL_RENDERER_PRESENTVSYNC) ? 1 : 0);
  std::fprintf(stderr, "%s: renderer %s reset at %s %ld: %s\n", os::program_name().c_str(), info.name, where, count,
               state.target_resets > before ? "its targets were lost" : "nothing was lost");
}

}  // namespace

void watch_renderer_resets(bool on) {
  if (on == state.watching_resets) return;
  if (on)
    SDL_AddEventWatch(note_reset, nullptr);
  else
    SDL_DelEventWatch(note_reset, nullptr);
  state.watching_resets = on;
}

void plan_test_resets() {
  state.test_resets = TestResets{};
  const char* plan = SDL_getenv("SUITE_TEST_RENDERER_RESETS");
  if (!plan || !*plan) return;
  std::string rest = plan;
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    TestResets::Point point;
    if (parse_point(rest.substr(0, comma), point))
      state.test_resets.points.push_back(point);
    else
      std::fprintf(stderr, "%s: SUITE_TEST_RENDERER_RESETS: \"%s\" is not flip:N or target:N\n",
                   os::program_name().c_str(), rest.substr(0, comma).c_str());
    rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
  }
  state.test_resets.planned = !state.test_resets.points.empty();
  if (state.test_resets.planned)
    std::fprintf(stderr, "%s: renderer %s\n", os::program_name().c_str(), renderer_name().c_str());
}

void test_reset_point(bool flip) {
  TestResets& t = state.test_resets;
  const long count = flip ? ++t.flips : ++t.target_switches;
  for (const TestResets::Point& p : t.points)
    if (p.at_flip == flip && p.count == count) reset_renderer(flip ? "flip" : "target switch", count);
}

}  // namespace svc::sdl
