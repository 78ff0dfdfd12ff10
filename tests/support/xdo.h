// xdo.h -- the X display seen and driven from tests: windows found by name, focus, keys, screenshots
//
// Everything goes through xwininfo, xdotool and ImageMagick, as a person's actions would; every
// wait is polled and bounded, since the tests run on slow shared machines.
#pragma once
#include <string>

namespace support {

// The id of the top-level window whose title is exactly `title` (as xwininfo lists it), looked for
// every 200 ms; "" when none shows up within `ms`.
std::string window_titled(const std::string& title, int ms);

// The id of a shown window whose name matches the regular expression (xdotool search), looked for
// every 200 ms; "" when none shows up within `ms`.
std::string shown_window(const std::string& name_regex, int ms);

// True once no shown window's name matches the regular expression; false when one is still there
// after `ms`.
bool shown_window_gone(const std::string& name_regex, int ms);

// Gives the window the keyboard; false when it is gone. The wait for the focus is bounded, since
// --sync waits for good on a window that unmaps meanwhile.
bool focus_window(const std::string& window);

// Gives the window the keyboard, lets it settle for `settle_ms` and presses the keys (xdotool key
// names, blank-separated) `delay_ms` apart. Presses nothing when the window is gone, so no key
// reaches the window that happens to come next.
bool press_keys(const std::string& window, const std::string& keys, int settle_ms, int delay_ms);

// Holds a key down for `ms` milliseconds, long enough for a frame loop to see it held.
void hold_key(const std::string& key, int ms);

// A screenshot of the whole display as a PNG file.
void screenshot(const std::string& path);

// The display's size as "WIDTHxHEIGHT"; "" when xdotool cannot tell.
std::string display_size();

// Pixels that differ between the same region (geometry WxH+X+Y) of two screenshots; the crops are
// written next to `scratch` (a path prefix).
long differing_pixels(const std::string& a, const std::string& b, const std::string& region,
                      const std::string& scratch);

}  // namespace support
