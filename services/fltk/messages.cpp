// messages.cpp -- the modal message box: a small FLTK window with OK, Yes/No or Yes/No/Cancel
#include "services/messages.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "display_text.h"
#include "state.h"
#include "services/text.h"

namespace svc {
namespace {

struct Dialog {
  Fl_Window* window = nullptr;
  int answer = 0;
  int escape_answer = 0;  // Escape and the close button: Cancel, or No, or OK
};

struct ButtonChoice {
  Dialog* dialog;
  int answer;
};

void button_pressed(Fl_Widget*, void* data) {
  auto* choice = static_cast<ButtonChoice*>(data);
  choice->dialog->answer = choice->answer;
  choice->dialog->window->hide();
}

void dialog_dismissed(Fl_Widget*, void* data) {
  auto* dialog = static_cast<Dialog*>(data);
  dialog->answer = dialog->escape_answer;
  dialog->window->hide();
}

// The buttons of a box, left to right; the first is the default.
struct ButtonSet {
  int count;
  const char* label[3];
  int answer[3];
  int escape_answer;
};

ButtonSet buttons_for(int flags) {
  if (flags == MESSAGE_YES_NO_CANCEL)
    return {3, {"Yes", "No", "Cancel"}, {ANSWER_YES, ANSWER_NO, ANSWER_CANCEL}, ANSWER_CANCEL};
  if (flags == MESSAGE_YES_NO) return {2, {"Yes", "No"}, {ANSWER_YES, ANSWER_NO}, ANSWER_NO};
  return {1, {"OK"}, {ANSWER_OK}, ANSWER_OK};
}

}  // namespace

int message_requester(const std::string& title, const std::string& text, int flags) {
  const ButtonSet buttons = buttons_for(flags);
  Dialog dialog;
  dialog.escape_answer = buttons.escape_answer;

  const std::string body = fltk::literal_label(detail::display_lines(text));
  const std::string caption = to_display_text(title);

  // Size the box to the text, wrapping lines wider than most of the screen.
  int sx, sy, sw, sh;
  Fl::screen_work_area(sx, sy, sw, sh, 0);
  const int margin = 16, button_w = 90, button_h = 26, gap = 8;
  const int max_text_w = std::max(200, std::min(700, sw - 4 * margin));
  fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
  int text_w = 0, text_h = 0;
  fl_measure(body.c_str(), text_w, text_h, 1);
  if (text_w > max_text_w) {
    text_w = max_text_w;
    text_h = 0;
    fl_measure(body.c_str(), text_w, text_h, 1);
  }
  text_w += 8;  // The label keeps a few pixels free at its sides, so the measured lines must fit with them
  const int buttons_w = buttons.count * (button_w + gap) - gap;
  const int width = std::max({text_w, buttons_w, 200}) + 2 * margin;
  const int height = margin + std::max(text_h, 20) + margin + button_h + margin;

  Fl_Group::current(nullptr);
  Fl_Window* win = new Fl_Window(sx + (sw - width) / 2, sy + (sh - height) / 2, width, height);
  dialog.window = win;
  win->copy_label(caption.c_str());
  Fl_Box* message = new Fl_Box(margin, margin, width - 2 * margin, std::max(text_h, 20));
  message->copy_label(body.c_str());
  message->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);

  ButtonChoice choices[3];
  Fl_Button* default_button = nullptr;
  int bx = width - margin - buttons_w;
  for (int i = 0; i < buttons.count; ++i) {
    choices[i] = {&dialog, buttons.answer[i]};
    Fl_Button* b;
    if (i == 0)  // Yes or OK is the default: Return picks it
      b = default_button = new Fl_Return_Button(bx, height - margin - button_h, button_w, button_h);
    else
      b = new Fl_Button(bx, height - margin - button_h, button_w, button_h);
    b->label(buttons.label[i]);
    b->callback(button_pressed, &choices[i]);
    bx += button_w + gap;
  }
  win->end();
  win->callback(dialog_dismissed, &dialog);
  win->set_modal();  // The program's other windows take no input meanwhile
  win->show();
  if (default_button) default_button->take_focus();

  while (win->shown()) Fl::wait();
  delete win;
  Fl::check();
  return dialog.answer;
}

}  // namespace svc
