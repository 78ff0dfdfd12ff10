// lifecycle.cpp -- starting FLTK, releasing every window, font and sprite, and ending the program
#include "services/lifecycle.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <errno.h>

#include <cstdio>
#include <cstdlib>

#include "display_wait.h"
#include "quit_signals.h"
#include "os.h"
#include "state.h"
#include "services/files.h"

namespace svc::fltk {
State state;
}  // namespace svc::fltk

namespace svc {

namespace {

// FLTK ends the process with status 1 when it cannot reach a display; the tools end as they
// always do, with 0, after saying why on the error stream.
void no_display(const char*, ...) {
  const std::string display = os::environment_variable("DISPLAY");
  if (!display.empty())
    std::fprintf(stderr, "%s: no display could be opened (DISPLAY is \"%s\")\n", os::program_name().c_str(),
                 display.c_str());
  else
    std::fprintf(stderr, "%s: no display could be opened (DISPLAY is not set)\n", os::program_name().c_str());
  std::exit(0);
}

// Connects to the display named by DISPLAY, trying for up to two seconds (see keep_trying_display).
// The connection is the one FLTK then uses: a trial connection closed again would itself leave the
// server without clients and reset it. Null without DISPLAY, or when the display never answered
// (FLTK then tries once more and reports).
// Windows has no display server to wait for: FLTK opens its own there.
#if !defined(_WIN32) && !defined(__APPLE__)
Display* connect_to_display() {
  Display* connection = nullptr;
  if (os::environment_variable("DISPLAY").empty()) return nullptr;
  detail::keep_trying_display([&connection] { return (connection = XOpenDisplay(nullptr)) != nullptr; });
  return connection;
}
#endif

}  // namespace

void start_services() {
  detail::end_on_quit_signals();
  // The display is opened here, so that a missing one is reported in the tools' own words.
  void (*toolkit_fatal)(const char*, ...) = Fl::fatal;
  Fl::fatal = no_display;
#if !defined(_WIN32) && !defined(__APPLE__)
  Display* connection = connect_to_display();
  if (connection)
    fl_open_display(connection);
  else
    fl_open_display();
#endif  // On Windows FLTK opens its side of the desktop when the first window needs it
  Fl::fatal = toolkit_fatal;
  Fl::visual(FL_RGB);  // True-colour visual, so pictures show their exact colours
  Fl::scheme(nullptr);
}

void stop_services() {
  close_all_files();
  fltk::close_all_windows();
  fltk::forget_fonts();
  fltk::forget_sprites();
}

void end_program(int exit_code) {
  stop_services();
  std::exit(exit_code);
}

}  // namespace svc

// Under LeakSanitizer: the toolkit's libraries keep caches (fontconfig patterns, GTK and GLib type
// data) until the process ends, which the leak check would report at every exit of a tool. Weak, so
// a program may give its own list.
extern "C" __attribute__((weak, used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libXft.so\n"
         "leak:libX11.so\n"
         "leak:libgtk-x11-2.0.so\n"
         "leak:libgdk-x11-2.0.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libgio-2.0.so\n"
         "leak:libpango-1.0.so\n"
         "leak:libpangoft2-1.0.so\n"
         "leak:libcairo.so\n";
}
