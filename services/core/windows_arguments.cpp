// windows_arguments.cpp -- spelling arguments into a Windows command line
//
// A Windows program gets its arguments as one line, which the C runtime (and CommandLineToArgvW)
// splits again: blanks separate arguments outside quotes, a quote preceded by backslashes takes half
// of them, and backslashes anywhere else are plain characters. Built on every system: the rules are
// only text, and the Linux tests check them. A library of its own below the operating-system layer,
// whose Windows side spells its child programs' command lines with it.
#include "services/windows_arguments.h"

namespace svc {

std::string windows_argument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled and the quote escaped; before anything else they stay.
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  // Before the closing quote they are doubled too, or the last one would escape it.
  out.append(backslashes * 2, '\\');
  return out + '"';
}

std::string windows_command_line(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& a : arguments) {
    if (!line.empty()) line += ' ';
    line += windows_argument(a);
  }
  return line;
}

}  // namespace svc
