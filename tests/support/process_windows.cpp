// process_windows.cpp -- the tests' shell commands on Windows, which has no POSIX shell: the few forms
// the tests write are read here and their programs started with CreateProcessW
//
// Understood: words in '...' or "..." quotes or bare (a backslash is a Windows separator, kept as it
// is; only \" inside double quotes stands for a quote), commands joined by "&&", "cd FOLDER", "env -u NAME ... PROGRAM ARGS" (the names are left
// out of the program's environment), and the redirections ">F", "2>F", "2>&1" and "<F", with
// /dev/null as the null device. A program named without ".exe" gets it. Anything else (pipes, ";",
// variables) fails the command with exit code 127, as a shell does for a command it cannot run.
#include "support/process.h"

#include "os.h"
#include "services/windows_arguments.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace support {
namespace {

std::wstring wide(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

struct Token {
  std::string text;
  bool word;  // false for an operator: "&&", ">", "2>", "2>&1", "<" or one not understood
};

// The command's words and operators, or false when a quote is left open.
bool tokenize(const std::string& command, std::vector<Token>& out) {
  size_t i = 0;
  while (i < command.size()) {
    const char c = command[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      ++i;
      continue;
    }
    if (command.compare(i, 2, "&&") == 0) {
      out.push_back({"&&", false});
      i += 2;
      continue;
    }
    if (command.compare(i, 4, "2>&1") == 0) {
      out.push_back({"2>&1", false});
      i += 4;
      continue;
    }
    if (command.compare(i, 2, "2>") == 0) {
      out.push_back({"2>", false});
      i += 2;
      continue;
    }
    if (c == '>' || c == '<' || c == '|' || c == ';' || c == '&' || c == '$' || c == '`') {
      out.push_back({std::string(1, c), false});
      ++i;
      continue;
    }
    std::string word;
    while (i < command.size()) {
      const char d = command[i];
      if (d == ' ' || d == '\t' || d == '\n' || d == '>' || d == '<' || d == '|' || d == ';' || d == '&') break;
      if (d == '\'') {
        const size_t end = command.find('\'', i + 1);
        if (end == std::string::npos) return false;
        word += command.substr(i + 1, end - i - 1);
        i = end + 1;
      } else if (d == '"') {
        ++i;
        while (i < command.size() && command[i] != '"') {
          if (command[i] == '\\' && i + 1 < command.size() && command[i + 1] == '"') ++i;
          word += command[i++];
        }
        if (i >= command.size()) return false;
        ++i;
      } else {
        word += d;
        ++i;
      }
    }
    out.push_back({word, true});
  }
  return true;
}

bool is_absolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '/' || path[0] == '\\'));
}

std::string in_folder(const std::string& folder, const std::string& path) {
  if (path == "/dev/null") return "NUL";
  if (folder.empty() || is_absolute(path)) return path;
  return folder + (folder.back() == '/' || folder.back() == '\\' ? "" : "/") + path;
}

HANDLE open_for(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The environment block without the named variables.
std::wstring environment_without(const std::vector<std::string>& names) {
  std::wstring block;
  wchar_t* all = GetEnvironmentStringsW();
  for (const wchar_t* v = all; v && *v; v += std::wcslen(v) + 1) {
    const std::wstring entry = v;
    bool drop = false;
    for (const std::string& name : names)
      if (_wcsnicmp(entry.c_str(), (wide(name) + L"=").c_str(), name.size() + 1) == 0) drop = true;
    if (!drop) block += entry + L'\0';
  }
  if (all) FreeEnvironmentStringsW(all);
  return block + L'\0';
}

// Runs one simple command (its words and redirections) in `folder`, its standard output appended to
// `out`; its exit code, 127 when it cannot be started.
int run_simple(std::vector<Token> tokens, std::string& folder, std::string& out) {
  std::vector<std::string> words, unset;
  std::string out_file, err_file, in_file;
  bool err_to_out = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.word) {
      words.push_back(t.text);
    } else if (t.text == "2>&1") {
      err_to_out = true;
    } else if ((t.text == ">" || t.text == "2>" || t.text == "<") && i + 1 < tokens.size() && tokens[i + 1].word) {
      (t.text == ">" ? out_file : t.text == "2>" ? err_file : in_file) = tokens[++i].text;
    } else {
      std::fprintf(stderr, "shell: \"%s\" is not understood on Windows\n", t.text.c_str());
      return 127;
    }
  }
  if (words.empty()) return 0;
  if (words[0] == "cd") {
    if (words.size() != 2) return 1;
    const std::string to = in_folder(folder, words[1]);
    const DWORD attributes = GetFileAttributesW(wide(to).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 1;
    folder = to;
    return 0;
  }
  if (words[0] == "env") {
    size_t i = 1;
    while (i + 1 < words.size() && words[i] == "-u") {
      unset.push_back(words[i + 1]);
      i += 2;
    }
    words.erase(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(i));
    if (words.empty()) return 127;
  }
  std::string program = words[0];
  if (program.size() < 4 || _stricmp(program.c_str() + program.size() - 4, ".exe") != 0) program += ".exe";
  words[0] = program;
  std::wstring line = wide(svc::windows_command_line(words));

  // Standard output through a pipe read here; the other streams from files or inherited.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  HANDLE out_handle = nullptr, err_handle = nullptr, in_handle = nullptr;
  if (out_file.empty()) {
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return 127;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    out_handle = write_end;
  } else {
    out_handle = open_for(in_folder(folder, out_file), true);
  }
  err_handle = err_to_out ? out_handle : !err_file.empty() ? open_for(in_folder(folder, err_file), true)
                                                           : GetStdHandle(STD_ERROR_HANDLE);
  in_handle = !in_file.empty() ? open_for(in_folder(folder, in_file), false) : GetStdHandle(STD_INPUT_HANDLE);
  int code = 127;
  if (out_handle != INVALID_HANDLE_VALUE && err_handle != INVALID_HANDLE_VALUE && in_handle != INVALID_HANDLE_VALUE) {
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = in_handle;
    start.hStdOutput = out_handle;
    start.hStdError = err_handle;
    PROCESS_INFORMATION child{};
    std::wstring environment = unset.empty() ? std::wstring() : environment_without(unset);
    const std::wstring dir = wide(folder);
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                       environment.empty() ? nullptr : environment.data(), dir.empty() ? nullptr : dir.c_str(), &start,
                       &child)) {
      if (write_end) {
        CloseHandle(write_end);  // The child holds its copy; the pipe ends when the child does
        write_end = nullptr;
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(read_end, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
      }
      WaitForSingleObject(child.hProcess, INFINITE);
      DWORD exit_code = 127;
      GetExitCodeProcess(child.hProcess, &exit_code);
      code = static_cast<int>(exit_code);
      CloseHandle(child.hThread);
      CloseHandle(child.hProcess);
    }
  }
  if (write_end) CloseHandle(write_end);
  if (read_end) CloseHandle(read_end);
  if (!out_file.empty() && out_handle != INVALID_HANDLE_VALUE) CloseHandle(out_handle);
  if (!err_file.empty() && !err_to_out && err_handle != INVALID_HANDLE_VALUE) CloseHandle(err_handle);
  if (!in_file.empty() && in_handle != INVALID_HANDLE_VALUE) CloseHandle(in_handle);
  return code;
}

}  // namespace

std::string shell_output(const std::string& command, int* exit_code) {
  std::string out;
  if (exit_code) *exit_code = -1;
  std::vector<Token> tokens;
  if (!tokenize(command, tokens)) return out;
  std::string folder;  // The command's own working folder, as "cd" in a shell child leaves the caller's alone
  int code = 0;
  std::vector<Token> simple;
  for (size_t i = 0; i <= tokens.size(); ++i) {
    if (i < tokens.size() && !(tokens[i].text == "&&" && !tokens[i].word)) {
      simple.push_back(tokens[i]);
      continue;
    }
    code = run_simple(simple, folder, out);
    simple.clear();
    if (code != 0) break;
  }
  if (exit_code) *exit_code = code;
  return out;
}

std::string shell_line(const std::string& command) {
  std::string out = shell_output(command);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

int shell(const std::string& command) {
  int code = -1;
  const std::string out = shell_output(command, &code);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return code;
}

long resident_kib() { return -1; }

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace support
