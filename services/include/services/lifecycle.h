// lifecycle.h -- starting and stopping the services, and ending the program
#pragma once

namespace svc {

void start_services();  // Starts the platform (window system, timers); call once at program start
void stop_services();   // Closes every window, file, font, sprite and menu still open
[[noreturn]] void end_program(int exit_code);  // Stops the services and ends the process with this exit code

}  // namespace svc
