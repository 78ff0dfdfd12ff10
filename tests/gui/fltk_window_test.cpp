// fltk_window_test.cpp -- the tools' platform in a real X session: window, menu bar, fields, message
// boxes, choosers and the screen, driven with xdotool from a child process
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../../services/fltk/state.h"
#include "services/desktops.h"
#include "services/fields.h"
#include "services/paths.h"
#include "services/lifecycle.h"
#include "services/menus.h"
#include "services/messages.h"
#include "services/requesters.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/windows.h"
#include "support/process.h"

namespace {

const char* const kTitle = "fltk gui test";

// Runs a shell script in a child process; the parent keeps pumping FLTK meanwhile.
pid_t run_script(const std::string& script) {
  pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

void stop_script(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

// The script waits for the titled window, then repeats its xdotool action every second while the
// window is still there: a slow machine may map the window late or drop the first key. A dialog
// still open after 15 tries gets Escape, so a failed round fails the test instead of hanging it.
std::string retry_on_window(const std::string& title, const std::string& action) {
  return "for i in $(seq 1 25); do sleep 1; "
         "w=$(xdotool search --name '^" +
         title +
         "$' 2>/dev/null | tail -1); "
         "[ -z \"$w\" ] && continue; "
         "if [ $i -le 15 ]; then " +
         action + "; else xdotool windowfocus $w key Escape; fi; done 2>/dev/null";
}

struct Events {
  std::vector<int> codes, menus, fields;
};

// Takes window events until the condition holds or the time is up; true when it held.
bool pump_until(Events& seen, const std::function<bool()>& done, double seconds = 25) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    const int code = svc::wait_window_event(20);
    if (code != svc::EVENT_NONE) seen.codes.push_back(code);
    if (code == svc::EVENT_MENU) seen.menus.push_back(svc::event_menu());
    if (code == svc::EVENT_FIELD) seen.fields.push_back(svc::event_field());
    if (done()) return true;
  }
  return false;
}

void open_test_window(int flags = svc::WINDOW_SIZABLE) {
  svc::start_services();
  ASSERT_NE(svc::open_window(0, 40, 60, 640, 400, kTitle, flags), 0);
  ASSERT_NE(svc::use_field_list(svc::window_handle(0)), 0);
}

// One pixel of the root window as 0xRRGGBB, read from a screenshot.
long screen_pixel(int x, int y) {
  const std::string shot = std::string(SUITE_BINARY_DIR) + "/fltk_gui_shot.png";
  if (support::shell("import -window root " + shot + " 2>/dev/null") != 0) return -1;
  const std::string hex =
      support::shell_line("/usr/bin/convert " + shot + " -crop 1x1+" + std::to_string(x) + "+" + std::to_string(y) +
                          " -depth 8 txt:- | tail -1 | grep -o '#[0-9A-Fa-f]\\{6\\}'");
  return hex.empty() ? -1 : std::strtol(hex.c_str() + 1, nullptr, 16);
}

// The window's origin on the root window, from xdotool.
bool window_origin(int& x, int& y) {
  const std::string g = support::shell_output("xdotool search --name '^" + std::string(kTitle) +
                                              "$' getwindowgeometry --shell 2>/dev/null");
  const size_t gx = g.find("\nX="), gy = g.find("\nY=");
  if (gx == std::string::npos || gy == std::string::npos) return false;
  x = std::atoi(g.c_str() + gx + 3);
  y = std::atoi(g.c_str() + gy + 3);
  return true;
}

TEST(FltkWindow, MenuBarMovesTheClientAreaAndFieldsTakeTypedText) {
  open_test_window();
  // Fields made before the bar move down with the client area; later ones start under it too.
  ASSERT_NE(svc::create_edit_field(1, 10, 10, 200, 24, "Caf\xE9", 0), 0);
  ASSERT_NE(svc::create_menu(8, svc::window_handle(0)), 0);
  svc::menu_item(20, "BAR ITEM");
  svc::menu_title("PROJECT");
  svc::menu_item(4, "OPEN_PICTURE");
  svc::menu_item(7, "QUIT");
  svc::menu_title("RGB SCANMAP:");
  svc::menu_item(11, "SAVE_RGB_MAP");
  svc::menu_item(12, "A&B/C_D\\E @x");
  ASSERT_NE(svc::create_edit_field(2, 10, 40, 200, 24, "centred", svc::FIELD_CENTRED), 0);
  ASSERT_NE(svc::create_label(1024, 230, 10, 50, 50, ""), 0);
  svc::set_field_color(1024, svc::FIELD_BACK_COLOUR, 0x0000FF);

  const int inner = svc::window_inner_height(0);
  EXPECT_GT(inner, 400);  // The bar's height is added
  EXPECT_LT(inner, 460);
  const int bar = inner - 400;

  // An unchanged Windows-1252 text goes back byte for byte; a number without a field reads "".
  EXPECT_EQ(svc::get_field_text(1), "Caf\xE9");
  EXPECT_EQ(svc::get_field_text(99), "");

  Events seen;
  pump_until(
      seen, [] { return false; }, 0.5);
  int wx = 0, wy = 0;
  ASSERT_TRUE(window_origin(wx, wy));

  // The red swatch label shows at its place under the bar.
  EXPECT_EQ(screen_pixel(wx + 255, wy + bar + 35), 0xFF0000);

  // Click at the end of field 1 (under the bar) and type.
  const std::string click = "xdotool mousemove --window $w 205 " + std::to_string(bar + 22) +
                            " click 1 sleep 0.3 key End type --delay 50 'xy'; exit 0";
  pid_t child = run_script(retry_on_window(kTitle, click));
  const bool typed = pump_until(seen, [] { return svc::get_field_text(1).size() >= 6; });
  stop_script(child);
  ASSERT_TRUE(typed);
  EXPECT_EQ(svc::get_field_text(1).substr(0, 6), "Caf\xE9xy");
  ASSERT_FALSE(seen.fields.empty());
  EXPECT_EQ(seen.fields.back(), 1);

  // Escape in the window is no close request: the program alone decides about closing.
  child = run_script("sleep 0.5; xdotool key Escape");
  waitpid(child, nullptr, 0);
  pump_until(
      seen, [] { return false; }, 1.0);
  for (int code : seen.codes) EXPECT_NE(code, svc::EVENT_CLOSE);
  EXPECT_EQ(svc::is_window(0), 1);
  std::system(("import -window root " + std::string(SUITE_BINARY_DIR) + "/fltk_gui_window.png").c_str());

  // An item given before any title sits on the bar itself and is picked with one click.
  pid_t bar_click = run_script(retry_on_window(kTitle, "xdotool mousemove --window $w 40 12 click 1; exit 0"));
  const bool bar_picked = pump_until(seen, [&] { return !seen.menus.empty(); });
  stop_script(bar_click);
  ASSERT_TRUE(bar_picked);
  EXPECT_EQ(seen.menus.back(), 20);

  // PROJECT, then its second item QUIT.
  const std::string pick =
      "xdotool mousemove --window $w 160 12 click 1 sleep 0.5 "
      "mousemove --window $w 170 " +
      std::to_string(bar + 36) + " sleep 0.3 click 1; exit 0";
  child = run_script(retry_on_window(kTitle, pick));
  const bool picked = pump_until(seen, [&] { return seen.menus.size() >= 2; });
  stop_script(child);
  ASSERT_TRUE(picked);
  EXPECT_EQ(seen.menus.back(), 7);

  svc::stop_services();
  EXPECT_EQ(svc::is_window(0), 0);
}

// What a window manager sends when the user clicks a window's close button: WM_DELETE_WINDOW.
// Written in Python over libX11 so that the test itself needs no X headers.
const char* const kCloseScript = R"(
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
d = x.XOpenDisplay(None)
e = Event()
e.xclient.type = 33
e.xclient.window = int(sys.argv[1])
e.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
e.xclient.format = 32
e.xclient.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, e.xclient.window, 0, 0, ctypes.byref(e))
x.XFlush(d)
)";

// The close button only asks: the program gets event 16 and the window stays until it closes it.
TEST(FltkWindow, CloseButtonAsksAndTheWindowStays) {
  if (std::system("python3 -c 'import ctypes' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is missing";
  const std::string script = std::string(SUITE_BINARY_DIR) + "/fltk_close_window.py";
  std::ofstream(script) << kCloseScript;
  open_test_window();
  Events seen;
  pid_t child = run_script(retry_on_window(kTitle, "python3 " + script + " $w; exit 0"));
  const bool asked = pump_until(seen, [&] { return !seen.codes.empty(); });
  stop_script(child);
  ASSERT_TRUE(asked);
  EXPECT_EQ(seen.codes.front(), svc::EVENT_CLOSE);
  EXPECT_EQ(svc::is_window(0), 1);
  pump_until(
      seen, [] { return false; }, 0.5);
  int x = 0, y = 0;
  EXPECT_TRUE(window_origin(x, y));  // Still mapped
  svc::stop_services();
}

// Message boxes: Return takes the default button, Escape cancels (or says No without Cancel).
TEST(FltkWindow, MessageBoxAnswersFollowTheKeys) {
  svc::start_services();
  struct Case {
    int flags;
    const char* key;
    int expected;
  };
  const Case cases[] = {
      {svc::MESSAGE_YES_NO_CANCEL, "Return", svc::ANSWER_YES},
      {svc::MESSAGE_YES_NO_CANCEL, "Escape", svc::ANSWER_CANCEL},
      {svc::MESSAGE_YES_NO, "Escape", svc::ANSWER_NO},
      {svc::MESSAGE_OK, "Return", svc::ANSWER_OK},
  };
  for (const Case& c : cases) {
    const std::string action = std::string("xdotool windowfocus --sync $w key ") + c.key;
    pid_t child = run_script(retry_on_window("Box title", action));
    const int answer = svc::message_requester("Box title", "Confirm `qz61.qz61\xB4 reset:\r\nsecond line", c.flags);
    stop_script(child);
    EXPECT_EQ(answer, c.expected) << "flags " << c.flags << " key " << c.key;
  }
  svc::stop_services();
}

// The screen shows exact colours under the bar, and point() reads the back buffer exactly.
TEST(FltkWindow, ScreenShowsTheBackBufferUnderTheBar) {
  open_test_window(svc::WINDOW_CENTRED_CAPTION);
  ASSERT_NE(svc::create_menu(-1, svc::window_handle(0)), 0);
  svc::menu_title("PROJECT");
  ASSERT_NE(svc::open_windowed_screen(svc::window_handle(0), 0, 0, 640, 400, 0, 0, 0), 0);
  const int bar = svc::window_inner_height(0) - 400;

  svc::clear_screen(0);
  svc::draw_box(0, 0, 20, 20, 0x0000FF);     // Red
  svc::draw_box(100, 50, 10, 10, 0x00FF00);  // Green
  svc::plot(639, 399, 0xFF0000);             // Blue, the last pixel
  EXPECT_EQ(svc::point(639, 399), 0xFF0000);
  EXPECT_EQ(svc::point(105, 55), 0x00FF00);
  EXPECT_EQ(svc::point(640, 0), -1);
  EXPECT_EQ(svc::point(0, -1), -1);
  svc::flip_buffers();

  Events seen;
  pump_until(
      seen, [] { return false; }, 0.5);
  int wx = 0, wy = 0;
  ASSERT_TRUE(window_origin(wx, wy));
  EXPECT_EQ(screen_pixel(wx + 5, wy + bar + 5), 0xFF0000);
  EXPECT_EQ(screen_pixel(wx + 105, wy + bar + 55), 0x00FF00);
  EXPECT_EQ(screen_pixel(wx + 50, wy + bar + 50), 0x000000);

  // A second frame that only changes one box shows the change.
  svc::draw_box(0, 0, 20, 20, 0x00FFFF);  // Yellow
  svc::flip_buffers();
  EXPECT_EQ(screen_pixel(wx + 5, wy + bar + 5), 0xFFFF00);
  svc::stop_services();
}

// The choosers return what the user typed, never change the working directory and never ask
// before overwriting an existing file.
void chooser_round(bool toolkit_chooser) {
  svc::start_services();
  svc::fltk::use_toolkit_chooser(toolkit_chooser);
  const std::string dir = std::string(SUITE_BINARY_DIR) + "/fltk_chooser_dir";
  std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "/sub' && touch '" + dir + "/exists.red'").c_str());
  const std::string before = svc::current_directory();

  // The default path names the folder and the file: the name field holds the name and Return
  // takes it, although the file exists.
  const std::string target = dir + "/exists.red";
  const std::string action =
      "xdotool windowfocus --sync $w sleep 0.5 key ctrl+a type --delay 20 'exists.red'; "
      "sleep 0.5; xdotool key Return";
  pid_t child = run_script(retry_on_window("SAVE RED MAP AS...:", action));
  const std::string chosen = svc::save_file_requester("SAVE RED MAP AS...:", target, "*.red", 0);
  stop_script(child);
  EXPECT_EQ(chosen, target);
  EXPECT_EQ(svc::current_directory(), before);

  // Cancelling gives "".
  child = run_script(retry_on_window("PLEASE QZ61 DESTINATION:", "xdotool windowfocus --sync $w key Escape"));
  const std::string folder = svc::path_requester("PLEASE QZ61 DESTINATION:", dir + "/");
  stop_script(child);
  EXPECT_EQ(folder, "");
  EXPECT_EQ(svc::current_directory(), before);
  svc::fltk::use_toolkit_chooser(false);
  svc::stop_services();
}

TEST(FltkWindow, SaveChooserReturnsTypedPathWithoutAsking) { chooser_round(false); }

// FLTK's own chooser stands in where GTK is missing; it must work the same way.
TEST(FltkWindow, ToolkitChooserReturnsTypedPathWithoutAsking) { chooser_round(true); }

// Fields, menus and the screen belong to their window: once it is closed, using them is harmless.
TEST(FltkWindow, ObjectsGoWithTheirWindow) {
  open_test_window();
  ASSERT_GE(svc::examine_desktops(), 1);
  EXPECT_GT(svc::desktop_width(0), 0);
  EXPECT_EQ(svc::desktop_width(svc::examine_desktops()), 0);

  // A repeated number replaces the field; -1 picks a free number.
  ASSERT_NE(svc::create_edit_field(1, 0, 0, 100, 24, "old", 0), 0);
  ASSERT_NE(svc::create_edit_field(1, 0, 30, 100, 24, "new", 0), 0);
  EXPECT_EQ(svc::get_field_text(1), "new");
  const int picked = svc::create_edit_field(-1, 0, 60, 100, 24, "", 0);
  EXPECT_GT(picked, 1);
  ASSERT_NE(svc::create_label(1024, 120, 0, 50, 50, "@x & y"), 0);
  EXPECT_EQ(svc::get_field_text(1024), "@x & y");  // Labels give back what the program set

  const int font = svc::load_font(-1, "ARIAL", 12);
  EXPECT_GT(font, 0);
  EXPECT_NE(svc::font_handle(font), 0);
  EXPECT_EQ(svc::load_font(-1, "", 12), 0);
  svc::set_field_font(1, svc::font_handle(font));

  ASSERT_NE(svc::create_menu(3, svc::window_handle(0)), 0);
  svc::menu_title("PROJECT");
  ASSERT_NE(svc::open_windowed_screen(svc::window_handle(0), 0, 0, 64, 64, 0, 0, 0), 0);

  const int second = svc::open_window(-1, 0, 0, 100, 100, "second", svc::WINDOW_SIZABLE);
  EXPECT_GT(second, 0);
  EXPECT_NE(svc::window_handle(second), svc::window_handle(0));

  svc::close_window(0);
  EXPECT_EQ(svc::is_window(0), 0);
  EXPECT_EQ(svc::window_handle(0), 0);
  EXPECT_EQ(svc::field_exists(1), 0);
  EXPECT_EQ(svc::get_field_text(1), "");
  svc::set_field_text(1, "gone");
  svc::menu_item(5, "nowhere");
  EXPECT_EQ(svc::create_edit_field(2, 0, 0, 10, 10, "", 0), 0);  // No field window any more
  svc::clear_screen(0xFFFFFF);
  svc::flip_buffers();
  EXPECT_EQ(svc::point(0, 0), -1);
  EXPECT_EQ(svc::screen_output(), 0);
  EXPECT_EQ(svc::wait_window_event(0), svc::EVENT_NONE);
  EXPECT_EQ(svc::is_window(second), 1);
  svc::stop_services();
  EXPECT_EQ(svc::is_window(second), 0);
}

// A picture file goes through the decoder onto the screen with its exact colours, clipped.
TEST(FltkWindow, SpritesShowExactColoursClipped) {
  // A 2 x 2 24-bit bitmap, rows bottom-up: bottom row blue, white; top row red, green.
  const unsigned char bmp[] = {'B', 'M', 70,  0,  0,   0, 0,   0, 0, 0,   54,  0,   0, 0,  // file header
                               40,  0,   0,   0,  2,   0, 0,   0, 2, 0,   0,   0,   1, 0, 24, 0, 0,
                               0,   0,   0,   16, 0,   0, 0,   0, 0, 0,   0,   0,   0, 0, 0,  0, 0,
                               0,   0,   0,   0,  0,   0, 255, 0, 0, 255, 255, 255, 0, 0,  // bottom row (B, G, R order) and padding
                               0,   0,   255, 0,  255, 0, 0,   0};                         // top row
  const std::string path = std::string(SUITE_BINARY_DIR) + "/fltk_sprite.bmp";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);
  const std::string junk = std::string(SUITE_BINARY_DIR) + "/fltk_not_a_picture.bmp";
  std::ofstream(junk) << "not a picture";

  open_test_window();
  ASSERT_NE(svc::open_windowed_screen(svc::window_handle(0), 0, 0, 32, 32, 0, 0, 0), 0);
  const int sprite = svc::load_sprite(-1, path, 4);
  ASSERT_GT(sprite, 0);
  EXPECT_EQ(svc::sprite_width(sprite), 2);
  EXPECT_EQ(svc::sprite_height(sprite), 2);
  EXPECT_EQ(svc::load_sprite(7, junk, 4), 0);
  EXPECT_EQ(svc::is_sprite(7), 0);

  svc::clear_screen(0);
  svc::display_sprite(sprite, 0, 0);
  svc::display_sprite(sprite, 31, 31);    // Only its top-left pixel lies on the screen
  svc::display_sprite(sprite, -1, -1);    // Only its bottom-right pixel
  EXPECT_EQ(svc::point(0, 0), 0xFFFFFF);  // Overwritten by the white corner of the last copy
  EXPECT_EQ(svc::point(1, 0), 0x00FF00);
  EXPECT_EQ(svc::point(0, 1), 0xFF0000);
  EXPECT_EQ(svc::point(31, 31), 0x0000FF);
  EXPECT_EQ(svc::point(2, 2), 0);
  svc::flip_buffers();
  svc::free_sprite(sprite);
  EXPECT_EQ(svc::is_sprite(sprite), 0);
  svc::display_sprite(sprite, 5, 5);  // A freed sprite draws nothing
  EXPECT_EQ(svc::point(5, 5), 0);
  svc::stop_services();
}

TEST(FltkPlatform, RequesterPatternsBecomeChooserFilters) {
  EXPECT_EQ(svc::fltk::chooser_filter("*.qz61"), "*.qz61");
  EXPECT_EQ(svc::fltk::chooser_filter("*.*"), "*");  // Also names without a dot
  EXPECT_EQ(svc::fltk::chooser_filter("*"), "*");
  EXPECT_EQ(svc::fltk::chooser_filter("Maps|*.red|All|*.*"), "Maps\t*.red\nAll\t*");
  EXPECT_EQ(svc::fltk::chooser_filter("Maps|*.red|Dangling"), "Maps\t*.red");
  EXPECT_EQ(svc::fltk::chooser_filter("|*.red"), "*.red\t*.red");
  EXPECT_EQ(svc::fltk::chooser_filter(""), "");
  EXPECT_EQ(svc::fltk::literal_label("@x & y"), "@@x && y");  // Labels keep '@' and '&' literal
}

}  // namespace
