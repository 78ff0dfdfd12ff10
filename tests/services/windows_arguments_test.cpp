// windows_arguments_test.cpp -- arguments spelled for a Windows command line come back unchanged
#include "services/windows_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Splits a Windows command line as the C runtime does for every argument after the program's name:
// 2n backslashes before a quote give n and the quote opens or closes, 2n + 1 give n and a plain
// quote, other backslashes stay; blanks outside quotes separate.
std::vector<std::string> split_windows_line(const std::string& line) {
  std::vector<std::string> out;
  std::string word;
  bool inWord = false, quoted = false;
  for (size_t i = 0; i < line.size();) {
    size_t backslashes = 0;
    while (i < line.size() && line[i] == '\\') backslashes++, i++;
    if (i < line.size() && line[i] == '"') {
      word.append(backslashes / 2, '\\');
      inWord = true;
      if (backslashes % 2) word += '"';
      else quoted = !quoted;
      i++;
      continue;
    }
    word.append(backslashes, '\\');
    if (backslashes) inWord = true;
    if (i == line.size()) break;
    const char c = line[i++];
    if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) out.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) out.push_back(word);
  return out;
}

TEST(WindowsCommandLine, EveryArgumentComesBackUnchanged) {
  const std::vector<std::string> arguments = {
      "plain", "", "two words", "C:\\pics\\a.png", "C:\\my pics\\", "end\\\\", "say \"hi\"",
      "\\\"", "\\\\\"quoted\\\\\"", "tab\there", "\xc3\xa9t\xc3\xa9 \\x", "a\"b c"};
  EXPECT_EQ(split_windows_line(svc::windows_command_line(arguments)), arguments);
  for (const std::string& a : arguments) EXPECT_EQ(split_windows_line(svc::windows_argument(a)), std::vector<std::string>{a}) << a;
}

TEST(WindowsCommandLine, PlainArgumentsStayAsTheyAre) {
  // A program or file name without blanks is not quoted: Windows and the tests read the line as typed.
  EXPECT_EQ(svc::windows_command_line({"mapscan.exe", "rgb", "C:\\pics\\a.png"}), "mapscan.exe rgb C:\\pics\\a.png");
  EXPECT_EQ(svc::windows_argument(""), "\"\"");
}

}  // namespace
