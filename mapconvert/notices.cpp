// notices.cpp -- the converter's failure check after every start-up step that can fail
#include "notices.h"

#include "services/lifecycle.h"
#include "services/messages.h"

int failure_check(int result, const std::string& message) {
  if (result != 0) return result;
  if (svc::message_requester("Error:", message + "\rRetry?", svc::MESSAGE_YES_NO) == svc::ANSWER_NO)
    svc::end_program(0);
  return result;
}
