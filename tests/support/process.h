// process.h -- shell commands and child programs for the tests: output, start, wait, end
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

namespace support {

// Runs a shell command and returns its standard output; `exit_code`, when given, gets the exit
// status (-2 after a signal, -1 when the shell could not be started).
std::string shell_output(const std::string& command, int* exit_code = nullptr);

// The same, without the line ends at the end of the output.
std::string shell_line(const std::string& command);

// Runs a shell command; its status as std::system gives it.
int shell(const std::string& command);

// This process's resident memory in KiB (VmRSS), or -1 when the system does not say.
long resident_kib();

// Waits this many milliseconds.
void sleep_ms(int ms);

// How to start a program in a folder.
struct ProgramRun {
  std::string binary;       // the program's path
  std::string folder;       // its working directory
  std::string stderr_file;  // where its standard error goes; inherited when ""
  bool fltk_home = false;   // HOME is folder + "home" (see prepare_fltk_home), fontconfig's leaks are suppressed
  std::vector<std::string> arguments{};  // Given to the program after its name
};

// Starts the program in a child process; the child's pid, or -1 when no child could be made.
// A child that cannot change folder exits with 90, one whose program cannot start with 91, one
// whose standard error cannot be redirected with 92.
pid_t start_program(const ProgramRun& run);

// The child's exit status after at most `ms` milliseconds, looked at every `step_ms`: -1 when it
// is still running, -2 when a signal ended it. A child that ended is reaped and `pid` set to -1.
int wait_exit(pid_t& pid, int ms, int step_ms = 50);

// Ends a child that is still running: SIGTERM and up to `grace_ms` for it to leave, then SIGKILL;
// reaps it and sets `pid` to -1. Does nothing for pid <= 0. Here and in wait_exit a reaped child's
// windows (those carrying its process id) are gone from the X display before the call returns.
void end_program(pid_t& pid, int grace_ms = 0);

// Writes, under the folder, "home/" whose FLTK preferences pick FLTK's own file chooser (the same
// keys work whether or not GTK is installed) and "lsan.supp" naming fontconfig's caches, which it
// never frees, for sanitizer builds.
void prepare_fltk_home(const std::string& folder);

}  // namespace support
