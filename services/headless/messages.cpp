// messages.cpp -- headless message boxes: recorded, answered from the script
#include "services/messages.h"

#include "state.h"

namespace svc {

using headless::detail::state;

// Without a scripted answer the box takes its first button: OK, or Yes.
int message_requester(const std::string& title, const std::string& text, int flags) {
  int answer = flags == MESSAGE_OK ? ANSWER_OK : ANSWER_YES;
  if (!state.message_answers.empty()) {
    answer = state.message_answers.front();
    state.message_answers.pop_front();
  }
  state.messages.push_back({title, text, flags, answer});
  return answer;
}

}  // namespace svc
