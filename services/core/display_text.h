// display_text.h -- program text as the platforms show it in titles, message boxes and drawn text
#pragma once
#include <string>

namespace svc::detail {

// The text as UTF-8 (see to_display_text) with every CR LF and lone CR turned into one LF: the
// programs break lines with CR, as the system they come from does, and SDL and FLTK break at LF.
std::string display_lines(const std::string& bytes);

// A window title held to what a window system takes: at most kMaxTitleBytes bytes, cut before a
// UTF-8 sequence rather than inside it. The program keeps its whole text; only what is shown is cut.
constexpr size_t kMaxTitleBytes = 4096;
std::string held_title(std::string text);

}  // namespace svc::detail
