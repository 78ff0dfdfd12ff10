// display_wait.h -- how long the window platforms wait for an X server that refuses them for a moment
#pragma once
#include "os.h"

namespace svc::detail {

// Makes `attempt` up to ten times, 200 ms apart (about two seconds): an X server refuses connections
// for a moment while it resets, which it does whenever its last client leaves, and a program started
// just then would otherwise go on without its display. True as soon as an attempt succeeds.
template <class Attempt>
bool keep_trying_display(Attempt attempt) {
  for (int tried = 0; tried < 10; tried++) {
    if (tried > 0) os::sleep_milliseconds(200);
    if (attempt()) return true;
  }
  return false;
}

}  // namespace svc::detail
