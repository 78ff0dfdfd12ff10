// editor_log.cpp -- writes the start log: where the editor ran, its settings file, window and start time
#include "editor_log.h"

#include "settings.h"
#include "services/clock.h"
#include "services/files.h"
#include "services/paths.h"
#include "services/text.h"

void write_log() {
  std::string path = svc::current_directory() + "qz61_log.txt";
  int file = svc::create_replacement(-1, path);  // a full disk leaves the last log whole
  if (!file) return;
  svc::write_line(file, "HOME: " + svc::shown_path(editor.home_dir));  // On Windows with "\\" only
  svc::write_line(file, "INIFILE: " + editor.settings_name);
  svc::write_line(file, "WINDOW_ID: " + svc::int_to_string(0));
  svc::write_line(file, "WINDOWTITLE: " + editor.window_title);
  svc::write_line(file, "QZ61 PRIORITY: " + svc::int_to_string(editor.wait_timeout));
  svc::write_line(file, "LOG CREATED: " + svc::format_date("%yyyy/%mm/%dd TIME %hh:%ii:%ss", svc::now()));
  svc::close_file(file);
}
