// desktops.h -- the table of displays and their current modes
#pragma once

namespace svc {

int examine_desktops();            // Fills the table (primary display at 0); the number of displays
int desktop_width(int index);      // Width in pixels; 0 outside the table
int desktop_height(int index);     // Height in pixels; 0 outside the table
int desktop_frequency(int index);  // Refresh rate in Hz
int desktop_depth(int index);      // Bits per pixel

}  // namespace svc
