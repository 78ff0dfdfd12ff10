// quit_signals.cpp -- SIGTERM and SIGINT end a program with exit code 0, also while a modal box waits
#include "quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace svc::detail {
namespace {

// A modal box may run in a child process (SDL's X11 box forks one while the program waits for it):
// the children of the main thread go with the program, or the box would stay on screen. Only
// system calls here, as a signal handler requires.
void end_children() {
  char path[48] = "/proc/self/task/";
  char digits[16];
  int n = 0;
  for (pid_t p = getpid(); p > 0 && n < 15; p /= 10) digits[n++] = static_cast<char>('0' + p % 10);
  int at = 16;
  while (n > 0) path[at++] = digits[--n];
  const char tail[] = "/children";
  for (size_t i = 0; i < sizeof tail; i++) path[at++] = tail[i];
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  char buf[512];
  ssize_t len = read(fd, buf, sizeof buf);
  close(fd);
  pid_t child = 0;
  for (ssize_t i = 0; i < len; i++) {
    if (buf[i] >= '0' && buf[i] <= '9') {
      child = child * 10 + (buf[i] - '0');
    } else {
      if (child > 0) kill(child, SIGKILL);
      child = 0;
    }
  }
  if (child > 0) kill(child, SIGKILL);
}

void end_now(int) {
  end_children();
  _exit(0);
}

struct sigaction ending_action() {
  struct sigaction sa {};
  sa.sa_handler = end_now;
  sigemptyset(&sa.sa_mask);
  return sa;
}

}  // namespace

void end_on_quit_signals() {
  struct sigaction sa = ending_action();
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

QuitSignalsEndProgram::QuitSignalsEndProgram() {
  struct sigaction sa = ending_action();
  sigaction(SIGTERM, &sa, &previous_term);
  sigaction(SIGINT, &sa, &previous_int);
}

QuitSignalsEndProgram::~QuitSignalsEndProgram() {
  sigaction(SIGTERM, &previous_term, nullptr);
  sigaction(SIGINT, &previous_int, nullptr);
}

}  // namespace svc::detail
