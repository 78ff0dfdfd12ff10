// fields.cpp -- edit fields (Fl_Input), static labels (Fl_Box) and the fonts given to them
#include "services/fields.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cmath>

#include "argument_rules.h"
#include "services/text.h"
#include "state.h"

namespace svc {

using fltk::FieldRecord;
using fltk::FontRecord;
using fltk::state;

namespace {

// Fl_Input has no centred alignment: this one draws its text with a left margin that centres it,
// and shifts mouse positions by the same margin so clicks land on the character under the pointer.
class CentredInput : public Fl_Input {
 public:
  CentredInput(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {}

  int margin() {
    const Fl_Boxtype b = box();
    const int inner = w() - Fl::box_dw(b) - 6;  // drawtext keeps 3 pixels free on each side
    fl_font(textfont(), textsize());
    const int text = static_cast<int>(fl_width(value(), size()) + 0.5);
    return std::max(0, (inner - text) / 2);
  }

  void draw() override {
    const Fl_Boxtype b = box();
    clear_damage(FL_DAMAGE_ALL);  // The text moves as it grows, so every pass draws it whole
    draw_box(b, color());
    const int m = margin();
    drawtext(x() + Fl::box_dx(b) + m, y() + Fl::box_dy(b), w() - Fl::box_dw(b) - m, h() - Fl::box_dh(b));
  }

  int handle(int event) override {
    if (event != FL_PUSH && event != FL_DRAG && event != FL_RELEASE) return Fl_Input::handle(event);
    const int m = margin();
    Fl::e_x -= m;
    const int used = Fl_Input::handle(event);
    Fl::e_x += m;
    return used;
  }
};

// The FLTK font index and pixel size packed into one handle.
FontHandle pack_font(int fl_font_index, int pixels) {
  return (static_cast<FontHandle>(fl_font_index) << 16) | static_cast<FontHandle>(pixels & 0xFFFF);
}

void apply_font(const FieldRecord& record, FontHandle handle) {
  Fl_Font face = FL_HELVETICA;
  Fl_Fontsize size = FL_NORMAL_SIZE;
  if (handle > 0) {
    face = static_cast<Fl_Font>(handle >> 16);
    size = static_cast<Fl_Fontsize>(handle & 0xFFFF);
  }
  if (record.label) {
    record.widget->labelfont(face);
    record.widget->labelsize(size);
  } else {
    static_cast<Fl_Input*>(record.widget)->textfont(face);
    static_cast<Fl_Input*>(record.widget)->textsize(size);
  }
  record.widget->redraw();
}

void field_changed(Fl_Widget*, void* data) {
  fltk::queue_event(EVENT_FIELD, 0, static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
}

void delete_field_widget(FieldRecord& record) {
  if (record.window) record.window->remove(record.widget);
  Fl::delete_widget(record.widget);
}

// Common part of the two creators: picks the number, replaces an old field, places the widget.
int add_field(int field, Fl_Widget* widget, FieldRecord record) {
  int number = state.fields.pick(field);
  if (number < 0) {
    Fl::delete_widget(widget);
    return 0;
  }
  if (FieldRecord* old = state.fields.get(number)) {
    delete_field_widget(*old);
    state.fields.release(number);
  }
  record.widget = widget;
  record.window = state.field_window;
  state.field_window->add(widget);
  if (!record.label) {
    widget->callback(field_changed, reinterpret_cast<void*>(static_cast<std::intptr_t>(number)));
    widget->when(FL_WHEN_CHANGED);
  }
  apply_font(record, state.default_field_font);
  state.fields.store(number, record);
  widget->redraw();
  return detail::created(field, number);
}

int client_top() {
  const fltk::WindowRecord* record = fltk::window_record(reinterpret_cast<WindowHandle>(state.field_window));
  return record ? record->bar_height : 0;
}

}  // namespace

namespace fltk {

void forget_window_fields(Fl_Window* window) {
  state.fields.for_each([window](int n, const FieldRecord& record) {
    if (record.window == window) state.fields.release(n);  // Widgets go with the window
  });
  if (state.field_window == window) state.field_window = nullptr;
}

void forget_fonts() {
  state.fonts.clear();
  state.default_field_font = 0;
}

}  // namespace fltk

int use_field_list(WindowHandle window) {
  fltk::WindowRecord* record = fltk::window_record(window);
  if (!record) return 0;
  state.field_window = record->window;
  return 1;
}

int create_edit_field(int field, int x, int y, int width, int height, const std::string& text, int flags) {
  if (!state.field_window || field < -1 || !detail::field_size_allowed(width, height)) return 0;
  Fl_Group::current(nullptr);
  const int top = y + client_top();
  Fl_Input* input =
      (flags & FIELD_CENTRED) ? new CentredInput(x, top, width, height) : new Fl_Input(x, top, width, height);
  input->box(FL_DOWN_BOX);
  input->value(to_display_text(text).c_str());
  FieldRecord record;
  record.utf8 = is_valid_utf8(text);
  return add_field(field, input, record);
}

int create_label(int field, int x, int y, int width, int height, const std::string& text) {
  if (!state.field_window || field < -1 || !detail::field_size_allowed(width, height)) return 0;
  Fl_Group::current(nullptr);
  Fl_Box* box = new Fl_Box(x, y + client_top(), width, height);
  box->box(FL_FLAT_BOX);  // Filled, so a background colour shows
  box->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP | FL_ALIGN_WRAP);
  box->copy_label(fltk::literal_label(to_display_text(text)).c_str());
  FieldRecord record;
  record.label = true;
  record.label_text = text;
  return add_field(field, box, record);
}

void set_field_text(int field, const std::string& text) {
  FieldRecord* found = state.fields.get(field);
  if (!found) return;
  FieldRecord& record = *found;
  if (record.label) {
    record.label_text = text;
    record.widget->copy_label(fltk::literal_label(to_display_text(text)).c_str());
  } else {
    record.utf8 = is_valid_utf8(text);
    static_cast<Fl_Input*>(record.widget)->value(to_display_text(text).c_str());
  }
  record.widget->redraw();
}

std::string get_field_text(int field) {
  const FieldRecord* found = state.fields.get(field);
  if (!found) return "";
  const FieldRecord& record = *found;
  if (record.label) return record.label_text;
  return from_display_text(static_cast<Fl_Input*>(record.widget)->value(), record.utf8);
}

void set_field_color(int field, int kind, int32_t colour) {
  const FieldRecord* record = state.fields.get(field);
  if (!record) return;
  const Fl_Color c = fl_rgb_color(static_cast<uchar>(red(colour)), static_cast<uchar>(green(colour)),
                                  static_cast<uchar>(blue(colour)));
  Fl_Widget* w = record->widget;
  if (kind == FIELD_TEXT_COLOUR) {
    if (record->label)
      w->labelcolor(c);
    else
      static_cast<Fl_Input*>(w)->textcolor(c);
  } else if (kind == FIELD_BACK_COLOUR) {
    w->color(c);
  } else {
    return;
  }
  w->redraw();
}

void set_field_font(int field, FontHandle font) {
  if (field == -1) {
    state.default_field_font = font;
    return;
  }
  if (const FieldRecord* record = state.fields.get(field)) apply_font(*record, font);
}

int field_exists(int field) { return state.fields.has(field) ? 1 : 0; }

int event_field() { return state.event_field; }

int load_font(int font, const std::string& face, int points) {
  int number = state.fonts.pick(font);
  if (number < 0 || !detail::font_allowed(face, points)) return 0;
  // FLTK keeps the name's pointer and reads its first character as the style (' ' = regular).
  auto known = state.face_index.find(face);
  int index;
  if (known != state.face_index.end()) {
    index = known->second;
  } else {
    index = FL_FREE_FONT + static_cast<int>(state.face_index.size());
    state.face_names.push_back(" " + face);
    Fl::set_font(static_cast<Fl_Font>(index), state.face_names.back().c_str());
    state.face_index[face] = index;
  }
  state.fonts.store(number, {index, static_cast<int>(std::lround(points * 96.0 / 72.0))});  // Points at 96 dpi
  return detail::created(font, number);
}

FontHandle font_handle(int font) {
  const FontRecord* f = state.fonts.get(font);
  return f ? pack_font(f->fl_font, f->pixels) : 0;
}

int window_inner_height(int window) {
  WindowHandle handle = window_handle(window);
  const fltk::WindowRecord* record = fltk::window_record(handle);
  // The window grew by the bar's height when the bar came, so its full height is the client
  // height plus the bar.
  return record ? record->window->h() : 0;
}

}  // namespace svc
