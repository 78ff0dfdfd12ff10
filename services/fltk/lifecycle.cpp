// lifecycle.cpp -- starting FLTK, releasing every window, font and sprite, and ending the program
#include "services/lifecycle.h"

#include <FL/Fl.H>

#include <cstdlib>

#include "fltk_platform.h"
#include "services/files.h"

namespace svc {

void start_services() {
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
