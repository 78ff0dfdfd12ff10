// event_wait.cpp -- the wait for the next SDL event that means something to the program, for both
// SDL platforms (each translates events in its own windows.cpp)
#include "services/windows.h"
#include "state.h"

namespace svc::sdl {

// Key, wheel and mouse events only feed the input state, so one call never leaves a close request
// stuck behind mouse motion.
int next_event_code(int timeout_ms) {
  SDL_Event event;
  int got;
  if (timeout_ms == 0)
    got = SDL_PollEvent(&event);
  else if (timeout_ms < 0)
    got = SDL_WaitEvent(&event);
  else
    got = SDL_WaitEventTimeout(&event, timeout_ms);
  while (got) {
    int code = translate_event(event);
    if (code != EVENT_NONE) return code;
    got = SDL_PollEvent(&event);
  }
  return EVENT_NONE;
}

}  // namespace svc::sdl
