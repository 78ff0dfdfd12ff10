// progress_bar.cpp -- drawing and showing the load and build progress bar
#include "world/progress_bar.h"

#include <algorithm>
#include <cstdint>

#include "base/state.h"
#include "services/clock.h"
#include "services/screen.h"
#include "services/text.h"

namespace {

constexpr uint32_t kMinFlipIntervalMs = 100;  // shortest time between two shown states
constexpr uint32_t kFlipShare = 30;           // the time between two shown states, in showings

// The bar at 85 % of the screen height: black under the full width, red as far as it has grown.
void draw_progress_bar(float width) {
  svc::start_drawing(svc::screen_output());
  int y = svc::round_nearest(engine.screenHeight * 0.85f);
  svc::draw_box(0, y, svc::round_nearest(engine.screenWidth), 9, svc::rgb(0, 0, 0));
  svc::draw_box(0, y, svc::round_nearest(width), 8, svc::rgb(255, 0, 0));
  svc::stop_drawing();
}

}  // namespace

void restart_progress_bar(ProgressBar& bar) {
  bar.shown = false;
  bar.drawn = true;
  bar.lastFlipTick = 0;
  bar.lastFlipCost = 0;
}

void advance_progress_bar(ProgressBar& bar, bool due) {
  bar.drawn = false;
  if (!due) return;
  const uint32_t tick = svc::tick_count();
  if (bar.shown && tick - bar.lastFlipTick < std::max(kMinFlipIntervalMs, kFlipShare * bar.lastFlipCost)) return;
  draw_progress_bar(bar.width);
  svc::flip_buffers();
  bar.shown = true;
  bar.drawn = true;
  bar.lastFlipTick = svc::tick_count();
  bar.lastFlipCost = bar.lastFlipTick - tick;
}

void finish_progress_bar(ProgressBar& bar) {
  if (!bar.drawn) draw_progress_bar(bar.width);
  bar.drawn = true;
}

float progress_step(int mapMaxX, int mapMaxY) {
  float divisor = static_cast<float>(mapMaxX) * static_cast<float>(mapMaxY);
  if (divisor <= 0.0f) divisor = std::max(1.0f, static_cast<float>(mapMaxX + 1) * static_cast<float>(mapMaxY + 1));
  return engine.screenWidth / divisor;
}
