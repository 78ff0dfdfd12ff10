// sdl_events_test.cpp -- the SDL window's events, keys, wheel and message boxes, driven by xdotool under Xvfb
#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include "services/desktops.h"
#include "services/input.h"
#include "services/lifecycle.h"
#include "services/messages.h"
#include "services/screen.h"
#include "services/windows.h"
#include "support/xdo.h"

namespace {

// The X window id of the top-level window with this exact title; "" when there is none.
std::string x_window(const std::string& title) { return support::window_titled(title, 0); }

// Focuses the window with this title and runs xdotool commands on it ("%W" stands for its id),
// retrying while the window is not there yet.
bool xdotool_on(const std::string& title, std::string commands) {
  for (int attempt = 0; attempt < 40; attempt++) {
    std::string id = x_window(title);
    if (id.empty()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      continue;
    }
    for (size_t at; (at = commands.find("%W")) != std::string::npos;) commands.replace(at, 2, id);
    if (std::system(("xdotool windowfocus --sync " + id + " " + commands + " >/dev/null 2>&1").c_str()) == 0)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  return false;
}

// Polls events for up to `ms` milliseconds; the first non-zero event code, or 0.
int first_event_within(int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    int e = svc::wait_window_event(50);
    if (e == svc::EVENT_CLOSE) return e;
  }
  return 0;
}

bool have_tools() {
  return std::getenv("DISPLAY") && std::system("command -v xdotool >/dev/null && command -v xwininfo >/dev/null") == 0;
}

class SdlEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!have_tools()) GTEST_SKIP() << "needs a display (xvfb-run), xdotool and xwininfo";
    svc::start_services();
    window = svc::open_window(-1, 0, 0, 200, 150, title, svc::WINDOW_BORDERLESS);
    ASSERT_GE(window, 1);
    ASSERT_NE(svc::open_windowed_screen(svc::window_handle(window), 0, 0, 200, 150, 1, 0, 0), 0);
    svc::flip_buffers();
  }
  void TearDown() override { svc::stop_services(); }

  // Events until `ms` have passed, so SDL sees what xdotool sent.
  void pump(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) svc::wait_window_event(20);
  }

  const std::string title = "sdl events test";
  int window = 0;
};

TEST_F(SdlEvents, WindowTableAndDesktops) {
  EXPECT_GE(svc::examine_desktops(), 1);
  EXPECT_GT(svc::desktop_width(0), 0);
  EXPECT_GT(svc::desktop_height(0), 0);
  EXPECT_GT(svc::desktop_depth(0), 0);
  EXPECT_EQ(svc::desktop_width(99), 0);
  EXPECT_EQ(svc::desktop_width(-1), 0);

  EXPECT_EQ(svc::open_window(5, 10, 10, 50, 50, "five", svc::WINDOW_SIZABLE), 1);
  EXPECT_TRUE(svc::is_window(5));
  EXPECT_NE(svc::window_handle(5), svc::window_handle(window));
  svc::set_window_title(5, "caf\xE9");  // Windows-1252 bytes are shown as UTF-8
  pump(300);
  EXPECT_FALSE(x_window("caf\xC3\xA9").empty());
  svc::close_window(5);
  EXPECT_FALSE(svc::is_window(5));
  EXPECT_EQ(svc::open_window(-1, 0, 0, 0, 10, "empty", 0), 0);
}

TEST_F(SdlEvents, EscapeAndAltF4AreCloseRequests) {
  pump(200);
  ASSERT_TRUE(xdotool_on(title, "key Escape"));
  EXPECT_EQ(first_event_within(5000), svc::EVENT_CLOSE);
  ASSERT_TRUE(xdotool_on(title, "key alt+F4"));
  EXPECT_EQ(first_event_within(5000), svc::EVENT_CLOSE);
}

TEST_F(SdlEvents, TerminationSignalIsACloseRequest) {
  std::raise(SIGTERM);
  EXPECT_EQ(first_event_within(5000), svc::EVENT_CLOSE);
}

TEST_F(SdlEvents, HeldKeysAndReleasesBySetOneScanCode) {
  pump(200);
  ASSERT_TRUE(xdotool_on(title, "keydown Up keydown Page_Down keydown a"));
  pump(500);
  svc::examine_keyboard();
  EXPECT_TRUE(svc::key_down(svc::KEY_UP));
  EXPECT_TRUE(svc::key_down(svc::KEY_PAGE_DOWN));
  EXPECT_TRUE(svc::key_down(0x1E));  // A
  EXPECT_FALSE(svc::key_down(svc::KEY_DOWN));
  ASSERT_TRUE(xdotool_on(title, "keyup Up keyup Page_Down keyup a"));
  pump(500);
  svc::examine_keyboard();
  EXPECT_FALSE(svc::key_down(svc::KEY_UP));
  EXPECT_TRUE(svc::key_released(svc::KEY_UP));
  EXPECT_TRUE(svc::key_released(svc::KEY_PAGE_DOWN));
  svc::examine_keyboard();
  EXPECT_FALSE(svc::key_released(svc::KEY_UP));  // once only
}

// A key pressed and let go between two snapshots still counts once.
TEST_F(SdlEvents, QuickTapBetweenFramesIsNotLost) {
  pump(200);
  svc::examine_keyboard();
  ASSERT_TRUE(xdotool_on(title, "key Page_Up"));
  pump(500);
  svc::examine_keyboard();
  EXPECT_TRUE(svc::key_down(svc::KEY_PAGE_UP));
  svc::examine_keyboard();
  EXPECT_TRUE(svc::key_released(svc::KEY_PAGE_UP));
  svc::examine_keyboard();
  EXPECT_FALSE(svc::key_released(svc::KEY_PAGE_UP));
}

TEST_F(SdlEvents, WheelStepsAccumulateUntilTheNextSnapshot) {
  pump(200);
  svc::examine_mouse();
  ASSERT_TRUE(xdotool_on(title, "mousemove --window %W 50 50 click --repeat 3 --delay 30 4"));
  pump(400);
  svc::examine_mouse();
  EXPECT_EQ(svc::mouse_wheel(), 3);  // away from the user
  svc::examine_mouse();
  EXPECT_EQ(svc::mouse_wheel(), 0);
  ASSERT_TRUE(xdotool_on(title, "mousemove --window %W 50 50 click 5"));
  pump(400);
  svc::examine_mouse();
  EXPECT_EQ(svc::mouse_wheel(), -1);
}

// The box is answered by a separate shell loop, as a user would, pressing the key every half second
// until the box is gone (a slow machine may need several tries). The loop is started before the
// box blocks this thread, and stopped by its pid afterwards.
int answer_box(const std::string& box_title, int flags, const std::string& key) {
  std::string script = "for i in $(seq 120); do id=$(xwininfo -root -tree 2>/dev/null | grep -F '\"" + box_title +
                       "\":' | awk '{print $1}' | head -1); [ -n \"$id\" ] && xdotool windowfocus $id key " + key +
                       " >/dev/null 2>&1; sleep 0.5; done";
  const char* argv[] = {"sh", "-c", script.c_str(), nullptr};
  pid_t presser = 0;
  if (posix_spawnp(&presser, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return -1;
  int answer = svc::message_requester(box_title, "Line one\rLine two", flags);
  kill(presser, SIGTERM);
  waitpid(presser, nullptr, 0);
  return answer;
}

TEST_F(SdlEvents, MessageBoxReturnChoosesTheDefaultButton) {
  EXPECT_EQ(answer_box("box ok", svc::MESSAGE_OK, "Return"), svc::ANSWER_OK);
  EXPECT_EQ(answer_box("box yes no", svc::MESSAGE_YES_NO, "Return"), svc::ANSWER_YES);
}

TEST_F(SdlEvents, MessageBoxEscapeCancelsOrSaysNo) {
  EXPECT_EQ(answer_box("box cancel", svc::MESSAGE_YES_NO_CANCEL, "Escape"), svc::ANSWER_CANCEL);
  EXPECT_EQ(answer_box("box no", svc::MESSAGE_YES_NO, "Escape"), svc::ANSWER_NO);
}

}  // namespace
