// messages.cpp -- modal message boxes with SDL_ShowMessageBox; Return picks the default, Escape cancels
#include "services/messages.h"

#include "display_text.h"
#include "quit_signals.h"
#include "state.h"

namespace svc {

namespace {

struct ButtonSet {
  int count;
  const char* text[3];
  int answer[3];
  int return_button;  // index of the default button (Return)
  int escape_button;  // index of the button Escape and the window's close box choose
};

// The button sets of the system's message box flags; 0, 3 and 4 are the ones the programs use.
ButtonSet buttons_for(int flags) {
  switch (flags) {
    case 1: return {2, {"OK", "Cancel"}, {ANSWER_OK, ANSWER_CANCEL}, 0, 1};
    case 2: return {3, {"Abort", "Retry", "Ignore"}, {3, 4, 5}, 0, 0};
    case MESSAGE_YES_NO_CANCEL: return {3, {"Yes", "No", "Cancel"}, {ANSWER_YES, ANSWER_NO, ANSWER_CANCEL}, 0, 2};
    case MESSAGE_YES_NO: return {2, {"Yes", "No"}, {ANSWER_YES, ANSWER_NO}, 0, 1};
    case 5: return {2, {"Retry", "Cancel"}, {4, ANSWER_CANCEL}, 0, 1};
    default: return {1, {"OK"}, {ANSWER_OK}, 0, 0};
  }
}

}  // namespace

int message_requester(const std::string& title, const std::string& text, int flags) {
  ButtonSet set = buttons_for(flags);
  SDL_MessageBoxButtonData buttons[3] = {};
  for (int i = 0; i < set.count; i++) {
    buttons[i].buttonid = i;
    buttons[i].text = set.text[i];
    if (i == set.return_button) buttons[i].flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (i == set.escape_button) buttons[i].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
  }
  std::string shown_title = detail::display_lines(title);
  std::string shown_text = detail::display_lines(text);
  SDL_MessageBoxData data = {};
  data.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  // Over the program's own window, so the box is not hidden behind a desktop-sized one.
  data.window = sdl::main_window();
  data.title = shown_title.c_str();
  data.message = shown_text.c_str();
  data.numbuttons = set.count;
  data.buttons = buttons;
  int chosen = -1;
  // The box runs its own loop, which turns no signal into a quit: SIGTERM and SIGINT end the
  // program directly while it is open.
  detail::QuitSignalsEndProgram signals_end_program;
  // No way to ask (no display): take the careful answer. The engine, the one program on this
  // platform, has already written its fatal texts to the error stream.
  if (SDL_ShowMessageBox(&data, &chosen) != 0) return set.answer[set.escape_button];
  if (chosen < 0 || chosen >= set.count) chosen = set.escape_button;  // closed without a button
  return set.answer[chosen];
}

}  // namespace svc
