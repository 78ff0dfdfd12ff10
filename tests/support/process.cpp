// process.cpp -- shell commands and child programs for the tests: output, start, wait, end
#include "support/process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/files.h"

namespace support {

std::string shell_output(const std::string& command, int* exit_code) {
  std::string out;
  if (exit_code) *exit_code = -1;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int status = pclose(p);
  if (exit_code) *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
  return out;
}

std::string shell_line(const std::string& command) {
  std::string out = shell_output(command);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

int shell(const std::string& command) { return std::system(command.c_str()); }

long resident_kib() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word)
    if (word == "VmRSS:") {
      long kib = -1;
      status >> kib;
      return kib;
    }
  return -1;
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

pid_t start_program(const ProgramRun& run) {
  // Everything the child needs is made before the fork.
  const std::string home = run.folder + "home";
  std::string lsan = "suppressions=" + run.folder + "lsan.supp:print_suppressions=0";
  if (const char* old = std::getenv("LSAN_OPTIONS")) lsan = std::string(old) + ":" + lsan;
  std::vector<char*> argv{const_cast<char*>(run.binary.c_str())};
  for (const std::string& a : run.arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid < 0 ? -1 : pid;
  if (chdir(run.folder.c_str()) != 0) _exit(90);
  if (run.fltk_home) {
    setenv("HOME", home.c_str(), 1);
    setenv("LSAN_OPTIONS", lsan.c_str(), 1);
  }
  if (!run.stderr_file.empty() && !std::freopen(run.stderr_file.c_str(), "w", stderr)) _exit(92);
  execv(run.binary.c_str(), argv.data());
  _exit(91);
}

namespace {

// After a child ended: waits until the X server has taken down the windows it had (those that
// carry its process id), so that the next test finds no window of a program that is gone. The
// server does that when it notices the closed connection, a moment after the process ended.
void wait_windows_gone(pid_t pid) {
  if (!std::getenv("DISPLAY")) return;
  const std::string search = "xdotool search --pid " + std::to_string(pid) + " 2>/dev/null";
  for (int waited = 0; waited < 10000 && !shell_output(search).empty(); waited += 50) sleep_ms(50);
}

}  // namespace

int wait_exit(pid_t& pid, int ms, int step_ms) {
  if (pid <= 0) return -1;
  for (int waited = 0; waited <= ms; waited += step_ms) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      wait_windows_gone(pid);
      pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }
    sleep_ms(step_ms);
  }
  return -1;
}

void end_program(pid_t& pid, int grace_ms) {
  if (pid <= 0) return;
  if (grace_ms > 0) {
    kill(pid, SIGTERM);
    for (int waited = 0; waited < grace_ms; waited += 50) {
      if (waitpid(pid, nullptr, WNOHANG) != 0) {  // reaped (or not ours): no signal may reach a reused pid
        wait_windows_gone(pid);
        pid = -1;
        return;
      }
      sleep_ms(50);
    }
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  wait_windows_gone(pid);
  pid = -1;
}

void prepare_fltk_home(const std::string& folder) {
  write_file(folder + "home/.fltk/fltk.org/fltk.prefs",
             "; FLTK preferences file format 1.0\n; vendor: fltk.org\n; application: fltk\n\n[.]\n\n"
             "[./options]\n\nFNFCUsesGTK:0\n");
  write_file(folder + "lsan.supp", "leak:libfontconfig.so\n");
}

}  // namespace support
