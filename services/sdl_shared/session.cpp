// session.cpp -- what both SDL variants do to start and end SDL itself: the event subsystem,
// which turns SIGINT and SIGTERM into a close request, and at the end the font, the joystick,
// SDL_ttf and SDL, with the platform's state back to its start
#include "state.h"

namespace svc::sdl {

void start_events() {
  // SIGINT and SIGTERM arrive as SDL_QUIT, which wait_window_event reports as a close request.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  SDL_InitSubSystem(SDL_INIT_EVENTS);
}

void quit_sdl() {
  if (state.font) TTF_CloseFont(state.font);
  if (state.joystick) SDL_JoystickClose(state.joystick);
  if (TTF_WasInit()) TTF_Quit();
  SDL_Quit();
  state = State{};
}

}  // namespace svc::sdl
