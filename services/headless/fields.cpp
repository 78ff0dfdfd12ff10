// fields.cpp -- headless edit fields, labels and fonts: kept as records for field_info() and font_info()
#include "services/fields.h"

#include "argument_rules.h"
#include "state.h"

namespace svc {

using headless::detail::state;

namespace {

// The headless menu bar takes no room: window_inner_height() adds nothing for it.
constexpr int MENU_BAR_HEIGHT = 0;

// A field of either kind, or 0 when the number is refused, scripted to fail or has no parent window.
int create_field(int field, int x, int y, int width, int height, const std::string& text, int flags, bool label) {
  int number = state.fields.pick(field);
  if (number < 0 || !detail::field_size_allowed(width, height)) return 0;
  auto failure = state.field_failures.find(number);
  if (failure != state.field_failures.end()) {
    if (--failure->second <= 0) state.field_failures.erase(failure);
    return 0;
  }
  if (headless::detail::window_of_handle(state.field_window) < 0) return 0;
  headless::detail::Field& f =
      state.fields.store(number, headless::detail::Field{state.field_window, label, x, y, width, height, flags, text});
  f.font = state.default_field_font;
  return detail::created(field, number);
}

}  // namespace

int use_field_list(WindowHandle window) {
  if (headless::detail::window_of_handle(window) < 0) return 0;
  state.field_window = window;
  return 1;
}

int create_edit_field(int field, int x, int y, int width, int height, const std::string& text, int flags) {
  return create_field(field, x, y, width, height, text, flags, false);
}

int create_label(int field, int x, int y, int width, int height, const std::string& text) {
  return create_field(field, x, y, width, height, text, 0, true);
}

void set_field_text(int field, const std::string& text) {
  if (headless::detail::Field* f = state.fields.get(field)) f->text = text;
}

std::string get_field_text(int field) {
  const headless::detail::Field* f = state.fields.get(field);
  return f ? f->text : std::string();
}

void set_field_color(int field, int kind, int32_t colour) {
  headless::detail::Field* f = state.fields.get(field);
  if (!f) return;
  if (kind == FIELD_TEXT_COLOUR) {
    f->text_colour = colour;
    f->text_colour_set = true;
  } else if (kind == FIELD_BACK_COLOUR) {
    f->back_colour = colour;
    f->back_colour_set = true;
  }
}

void set_field_font(int field, FontHandle font) {
  if (field == -1) {
    state.default_field_font = font;
    return;
  }
  if (headless::detail::Field* f = state.fields.get(field)) f->font = font;
}

int field_exists(int field) { return state.fields.has(field) ? 1 : 0; }

int event_field() { return state.event_field; }

int load_font(int font, const std::string& face, int points) {
  int number = state.fonts.pick(font);
  if (number < 0 || !detail::font_allowed(face, points)) return 0;
  state.fonts.store(number, headless::detail::Font{face, points, headless::detail::new_handle()});
  return detail::created(font, number);
}

FontHandle font_handle(int font) {
  const headless::detail::Font* f = state.fonts.get(font);
  return f ? f->handle : 0;
}

int window_inner_height(int window) {
  const headless::detail::Window* w = state.windows.get(window);
  if (!w) return 0;
  if (w->inner_height_override >= 0) return w->inner_height_override;
  bool has_menu = state.menus.find([&](const headless::detail::Menu& m) { return m.window == w->handle; }) >= 0;
  return w->height + (has_menu ? MENU_BAR_HEIGHT : 0);
}

}  // namespace svc
