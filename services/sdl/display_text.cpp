// display_text.cpp -- program text (bytes, maybe Windows-1252, CR line breaks) as UTF-8 for SDL to show
#include "sdl_state.h"
#include "services/text.h"

namespace svc::sdl {

// The programs break lines in message texts with CR (as Windows message boxes do); SDL breaks at LF.
std::string display_text(const std::string& bytes) {
  std::string utf8 = to_display_text(bytes);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); i++) {
    if (utf8[i] == '\r') {
      out += '\n';
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') i++;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

}  // namespace svc::sdl
