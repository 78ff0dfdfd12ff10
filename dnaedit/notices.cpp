// notices.cpp -- the editor's fixed message boxes: titles, texts and the two that end the program
#include "notices.h"

#include "services/lifecycle.h"
#include "services/messages.h"

static const char* const ERROR_TITLE = "ERROR_ QZ61:";
static const char* const INFO_TITLE = "Information QZ61:";

void report(int code, const std::string& text) {
  switch (code) {
    case REPORT_NO_WINDOW:
      svc::message_requester(ERROR_TITLE, "COULD NOT OPEN WINDOW", svc::MESSAGE_OK);
      svc::end_program(0);
    case REPORT_NO_SETTINGS:
      svc::message_requester(ERROR_TITLE, "MISSING: INI FILE", svc::MESSAGE_OK);
      svc::end_program(0);
    case REPORT_NO_DNA_SOURCE:
      svc::message_requester(ERROR_TITLE,
                             "FATAL SYSTEM ERROR:\n MISSING QZ61 SYSTEM\n"
                             "SYSTEM TRYING To CREATE FAILSAVE DNA SYSTEM",
                             svc::MESSAGE_OK);
      break;
    case REPORT_SAVE_FAILED:
    case REPORT_PATTERN_FAILED:
      svc::message_requester(ERROR_TITLE, "Can not create file:" + text, svc::MESSAGE_OK);
      break;
    case REPORT_PATTERN_WRITTEN:
      svc::message_requester(INFO_TITLE, "Default/Inifile: " + text + "\nCreated", svc::MESSAGE_OK);
      break;
    case REPORT_SAVED: svc::message_requester(INFO_TITLE, text + "\nCreated", svc::MESSAGE_OK); break;
    case REPORT_LOADED: svc::message_requester(INFO_TITLE, text + "\nLoaded", svc::MESSAGE_OK); break;
    case REPORT_LOAD_FAILED: svc::message_requester(ERROR_TITLE, "Can not load file:" + text, svc::MESSAGE_OK); break;
    default: break;
  }
}
