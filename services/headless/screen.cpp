// screen.cpp -- the headless screen: a CPU back buffer the size of the screen, every call recorded
// (unless recording is off: then no record is even built, so per-pixel calls stay cheap)
#include "services/screen.h"

#include "argument_rules.h"
#include "state.h"

namespace svc::headless::detail {

void record(const char* kind, const CallNumbers& n, int32_t colour, int32_t colour2, const std::string& text) {
  if (!state.recording) return;
  DrawCall call;
  call.kind = kind;
  call.a = n.a, call.b = n.b, call.c = n.c, call.d = n.d, call.e = n.e, call.f = n.f;
  call.colour = colour;
  call.colour2 = colour2;
  call.text = text;
  state.draw_calls.push_back(std::move(call));
}

}  // namespace svc::headless::detail

namespace svc {

using headless::detail::record;
using headless::detail::state;

namespace {

constexpr int64_t VIDEO_MEMORY = 256ll << 20;  // What free_video_memory reports
constexpr int BACK_BUFFER_TARGET = 1;          // screen_output's drawing target

}  // namespace

int init_sprite() { return 1; }
int init_sound() { return 1; }

int open_windowed_screen(WindowHandle window, int x, int y, int width, int height, int, int, int) {
  if (state.fail_open_screen || headless::detail::window_of_handle(window) < 0) return 0;
  // A CPU surface of any size the memory holds: mapscan shows pictures of every size the decoders
  // accept, with a column and a row to spare.
  svc::detail::Surface& surface = state.screen.surface;
  const int covered_width = state.screen.picture_width, covered_height = state.screen.picture_height;
  const bool covered = covered_width > 0 && covered_height > 0 && width >= covered_width && height >= covered_height;
  if (!svc::detail::screen_size_allowed(width, height) || !svc::detail::surface_resize(surface, width, height, !covered)) return 0;
  // A screen opened for a picture shown straight onto it is left uncleared: show_picture_file clears
  // what lies beyond the picture once the decoder has written it. Clearing that column first would
  // touch every row, so the system would clear all the screen's memory before the decoder wrote it.
  state.screen.opened_uncleared = covered;
  state.screen.open = true;
  state.screen.window = window;
  state.screen.x = x;
  state.screen.y = y;
  return 1;
}

void clear_screen(int32_t colour) {
  record("clear", {}, colour);
  svc::detail::surface_fill(state.screen.surface, colour);
}

void flip_buffers() { record("flip"); }

int64_t free_video_memory() { return VIDEO_MEMORY; }

int screen_output() { return state.screen.open ? BACK_BUFFER_TARGET : 0; }

int start_drawing(int target) {
  record("start_drawing", {target});
  if (!state.screen.open || target != BACK_BUFFER_TARGET) return 0;
  state.in_drawing = true;
  return 1;
}

void stop_drawing() {
  record("stop_drawing");
  state.in_drawing = false;
}

void draw_box(int x, int y, int width, int height, int32_t colour) {
  record("box", {x, y, width, height}, colour);
  svc::detail::surface_box(state.screen.surface, x, y, width, height, colour);
}

// Text is recorded only: the headless platform has no font to draw it with.
void draw_text(int x, int y, const std::string& text, int32_t front, int32_t back) {
  record("text", {x, y}, front, back, text);
}

int32_t point(int x, int y) { return svc::detail::surface_point(state.screen.surface, x, y); }

void point_columns(int x, int y, int columns, int rows, int32_t* out, size_t stride) {
  svc::detail::surface_point_columns(state.screen.surface, x, y, columns, rows, out, stride);
}
void points(int x, int y, int count, int32_t* out) { svc::detail::surface_points(state.screen.surface, x, y, count, out); }

void plot(int x, int y, int32_t colour) {
  record("plot", {x, y}, colour);
  svc::detail::surface_plot(state.screen.surface, x, y, colour);
}

}  // namespace svc
