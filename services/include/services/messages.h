// messages.h -- modal message boxes
#pragma once
#include <string>

namespace svc {

enum MessageFlags { MESSAGE_OK = 0, MESSAGE_YES_NO_CANCEL = 3, MESSAGE_YES_NO = 4 };
enum MessageAnswer { ANSWER_OK = 1, ANSWER_CANCEL = 2, ANSWER_YES = 6, ANSWER_NO = 7 };

int message_requester(const std::string& title, const std::string& text, int flags);  // Blocks; the answer

}  // namespace svc
