// messages.cpp -- the offscreen platform's message boxes: nobody can see them, so each takes its careful answer
#include "services/messages.h"

namespace svc {

// OK for a notice, Cancel or No for a question: the answer a closed box gives.
int message_requester(const std::string& title, const std::string& text, int flags) {
  (void)title;
  (void)text;
  if (flags == MESSAGE_YES_NO_CANCEL) return ANSWER_CANCEL;
  if (flags == MESSAGE_YES_NO) return ANSWER_NO;
  return ANSWER_OK;
}

}  // namespace svc
