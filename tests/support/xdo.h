// xdo.h -- the X display seen and driven from tests: windows found by name, focus, keys, screenshots
//
// Everything goes through xwininfo, xdotool and ImageMagick, as a person's actions would; every
// wait is polled and bounded, since the tests run on slow shared machines.
#pragma once
#include <functional>
#include <string>
#include <vector>

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

// The ids of the shown windows without a name (the drop-downs of a menu bar, untitled alerts) that
// belong to the same X client as `window`, which itself is left out.
std::vector<std::string> unnamed_windows_of(const std::string& window);

// True once the client of `window` shows a window without a name, such as an opened drop-down
// menu; looked for every 100 ms, false after `ms`.
bool unnamed_window_shows(const std::string& window, int ms);

// Gives the window the keyboard; false when it is gone. The wait for the focus is bounded, since
// --sync waits for good on a window that unmaps meanwhile.
bool focus_window(const std::string& window);

// Gives the window the keyboard, lets it settle for `settle_ms` and presses the keys (xdotool key
// names, blank-separated) `delay_ms` apart. Presses nothing when the window is gone, so no key
// reaches the window that happens to come next.
bool press_keys(const std::string& window, const std::string& keys, int settle_ms, int delay_ms);

// Holds a key down for `ms` milliseconds, long enough for a frame loop to see it held.
void hold_key(const std::string& key, int ms);

// Holds a key down until `done()` holds (asked every 100 ms) or `ms` have passed, then releases it;
// true when done() held. For moves whose speed depends on the frame rate of a loaded machine.
bool hold_key_until(const std::string& key, const std::function<bool()>& done, int ms);

// A screenshot of the whole display as a PNG file.
void screenshot(const std::string& path);

// Takes screenshots into `path` until `ok(path)` holds; true when it did within `ms`. The last
// screenshot stays at `path` either way, to be looked at when a test fails.
bool screenshot_until(const std::string& path, const std::function<bool(const std::string&)>& ok, int ms);

// Pixels of the screenshot, inside the region (geometry WxH+X+Y; "" for all of it), whose colour
// lies within `fuzz` percent of `colour` (an ImageMagick colour such as "#FFFFC8").
long pixels_of_colour(const std::string& png, const std::string& colour, int fuzz, const std::string& region = "");

// The display's size as "WIDTHxHEIGHT"; "" when xdotool cannot tell.
std::string display_size();

// Pixels that differ between the same region (geometry WxH+X+Y) of two screenshots; the crops are
// written next to `scratch` (a path prefix).
long differing_pixels(const std::string& a, const std::string& b, const std::string& region,
                      const std::string& scratch);

}  // namespace support
