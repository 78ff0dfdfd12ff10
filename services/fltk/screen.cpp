// screen.cpp -- the 2D screen of the tools: a CPU back buffer shown in the window by a widget
//
// Drawing goes to the back buffer, a CPU surface, so point() and plot() read and write exact
// colour values. flip_buffers() copies what changed to the front buffer, which the screen widget
// draws under the menu bar, and flushes the window at once: a scan that blocks the event loop
// still shows its progress.
#include "services/screen.h"

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstring>

#include "argument_rules.h"
#include "state.h"
#include "surface.h"

namespace svc {

using fltk::state;

namespace {

constexpr int kMaxScreenSide = 16384;  // Larger screens are refused, not allocated
constexpr int kBackBufferTarget = 1;   // screen_output's drawing target

// Shows the front buffer; pixels are stored R, G, B, A in memory (little-endian colour values).
class ScreenWidget : public Fl_Widget {
 public:
  ScreenWidget(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}

  void draw() override {
    const detail::Surface& front = state.screen.front;
    int X, Y, W, H;
    fl_clip_box(x(), y(), std::min(w(), front.width), std::min(h(), front.height), X, Y, W, H);
    if (W <= 0 || H <= 0) return;
    const auto* bytes = reinterpret_cast<const uchar*>(front.pixels.data());
    const size_t offset = (static_cast<size_t>(Y - y()) * front.width + static_cast<size_t>(X - x())) * 4;
    fl_draw_image(bytes + offset, X, Y, W, H, 4, front.width * 4);
  }
};

}  // namespace

namespace fltk {

void mark_dirty(int x, int y, int width, int height) {
  Screen& s = state.screen;
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = static_cast<int>(std::min<int64_t>(int64_t{x} + width, s.back.width));
  const int y1 = static_cast<int>(std::min<int64_t>(int64_t{y} + height, s.back.height));
  if (x0 >= x1 || y0 >= y1) return;
  if (!s.dirty) {
    s.dirty_x0 = x0, s.dirty_y0 = y0, s.dirty_x1 = x1, s.dirty_y1 = y1;
    s.dirty = true;
    return;
  }
  s.dirty_x0 = std::min(s.dirty_x0, x0);
  s.dirty_y0 = std::min(s.dirty_y0, y0);
  s.dirty_x1 = std::max(s.dirty_x1, x1);
  s.dirty_y1 = std::max(s.dirty_y1, y1);
}

void forget_window_screen(Fl_Window* window) {
  Screen& s = state.screen;
  if (s.window != window) return;
  s = Screen{};  // The widget goes with the window
}

}  // namespace fltk

int init_sprite() { return 1; }

int init_sound() { return 1; }

// The tools open their screen at its own size; auto-stretch and the offsets only matter to the
// engine's platform and are accepted without effect here.
int open_windowed_screen(WindowHandle window, int x, int y, int width, int height, int, int, int) {
  fltk::WindowRecord* record = fltk::window_record(window);
  if (!record || !detail::screen_size_allowed(width, height) || width > kMaxScreenSide || height > kMaxScreenSide)
    return 0;
  fltk::Screen& s = state.screen;
  if (s.widget) {
    s.window->remove(s.widget);
    Fl::delete_widget(s.widget);
  }
  s = fltk::Screen{};
  detail::surface_resize(s.back, width, height);
  detail::surface_fill(s.back, 0);
  s.front = s.back;
  Fl_Group::current(nullptr);
  s.widget = new ScreenWidget(x, y + record->bar_height, width, height);
  s.window = record->window;
  // Behind the menu bar and fields, so they stay on top of the picture.
  record->window->insert(*s.widget, record->bar ? 1 : 0);
  s.widget->redraw();
  return 1;
}

void clear_screen(int32_t colour) {
  fltk::Screen& s = state.screen;
  detail::surface_fill(s.back, colour);
  fltk::mark_dirty(0, 0, s.back.width, s.back.height);
}

void flip_buffers() {
  fltk::Screen& s = state.screen;
  if (!s.widget || !s.dirty) return;
  s.dirty = false;
  // Copy the changed rows of the changed area; an unchanged frame costs a comparison, no drawing.
  int changed_y0 = s.dirty_y1, changed_y1 = s.dirty_y0;
  const size_t row_bytes = static_cast<size_t>(s.dirty_x1 - s.dirty_x0) * 4;
  for (int row = s.dirty_y0; row < s.dirty_y1; ++row) {
    const size_t at = static_cast<size_t>(row) * s.back.width + s.dirty_x0;
    if (std::memcmp(&s.back.pixels[at], &s.front.pixels[at], row_bytes) == 0) continue;
    std::memcpy(&s.front.pixels[at], &s.back.pixels[at], row_bytes);
    changed_y0 = std::min(changed_y0, row);
    changed_y1 = row + 1;
  }
  if (changed_y0 >= changed_y1) return;
  s.widget->damage(FL_DAMAGE_ALL, s.widget->x() + s.dirty_x0, s.widget->y() + changed_y0, s.dirty_x1 - s.dirty_x0,
                   changed_y1 - changed_y0);
  Fl::flush();
}

int64_t free_video_memory() { return 256ll << 20; }  // A CPU screen has no video memory to count

int screen_output() { return state.screen.widget ? kBackBufferTarget : 0; }

int start_drawing(int target) {
  fltk::Screen& s = state.screen;
  if (!s.widget || target != kBackBufferTarget) return 0;
  s.drawing = true;
  return 1;
}

void stop_drawing() { state.screen.drawing = false; }

void draw_box(int x, int y, int width, int height, int32_t colour) {
  detail::surface_box(state.screen.back, x, y, width, height, colour);
  fltk::mark_dirty(x, y, width, height);
}

// The tools never draw text on their screen; it is left out rather than rendered with a second font path.
void draw_text(int, int, const std::string&, int32_t, int32_t) {}

int32_t point(int x, int y) { return detail::surface_point(state.screen.back, x, y); }

void points(int x, int y, int count, int32_t* out) { detail::surface_points(state.screen.back, x, y, count, out); }
void point_columns(int x, int y, int columns, int rows, int32_t* out, size_t stride) {
  detail::surface_point_columns(state.screen.back, x, y, columns, rows, out, stride);
}

void plot(int x, int y, int32_t colour) {
  detail::surface_plot(state.screen.back, x, y, colour);
  fltk::mark_dirty(x, y, 1, 1);
}

}  // namespace svc
