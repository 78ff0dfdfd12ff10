// editor.cpp -- dnaedit's body: settings, window, log, then window events until a confirmed quit
#include "editor.h"

#include "editor_log.h"
#include "editor_menu.h"
#include "editor_window.h"
#include "os.h"
#include "notices.h"
#include "settings.h"
#include "services/desktops.h"
#include "services/lifecycle.h"
#include "services/windows.h"

void start_editor() {
  svc::start_services();
  // A write beyond a file size limit then fails like a full disk, which a save reports, instead of
  // ending the editor with the user's edits.
  os::no_size_limit_signal();

  // Settings come from "ini.qz61" in the directory that is current at start-up.
  reset_settings();
  svc::examine_desktops();
  if (!load_settings(editor.home_dir + editor.settings_name)) report(REPORT_NO_SETTINGS, "");

  open_main_window();
  write_log();
}

void run_event_loop() {
  // One event at a time; every command finishes, message boxes included, before the next event.
  while (!editor.quit_requested) handle_event(svc::wait_window_event(editor.wait_timeout));
}

int run_dnaedit() {
  start_editor();
  run_event_loop();

  // Nothing is saved on the way out.
  svc::stop_services();
  return 0;
}
