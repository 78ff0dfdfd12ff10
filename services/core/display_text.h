// display_text.h -- program text as the platforms show it in titles, message boxes and drawn text
#pragma once
#include <string>

namespace svc::detail {

// The text as UTF-8 (see to_display_text) with every CR LF and lone CR turned into one LF: the
// programs break lines with CR, as the system they come from does, and SDL and FLTK break at LF.
std::string display_lines(const std::string& bytes);

}  // namespace svc::detail
