// editor.h -- dnaedit's body
#pragma once

void start_editor();    // Services, settings, window with grid and menu bar, start log; ends the program on failure
void run_event_loop();  // Window events until the user confirms quitting
int run_dnaedit();      // Start-up, event loop, shutdown; always 0
