// headless_test.cpp -- the headless platform: input edges, clipping, 3D blending and numbers, scripted runs
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "services/desktops.h"
#include "services/headless.h"
#include "services/input.h"
#include "services/lifecycle.h"
#include "services/fields.h"
#include "services/menus.h"
#include "services/messages.h"
#include "services/requesters.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/windows.h"
#include "support/bmp.h"

namespace {

namespace hl = svc::headless;

constexpr int32_t MAGENTA = 255 + 255 * 65536;
constexpr int32_t RED = 255;
constexpr int32_t BLUE = 255 * 65536;

// A window with a small screen on it, as the programs open them.
void open_screen(int width, int height) {
  hl::reset();
  ASSERT_NE(svc::open_window(0, 0, 0, width, height, "test", svc::WINDOW_BORDERLESS), 0);
  ASSERT_NE(svc::open_windowed_screen(svc::window_handle(0), 0, 0, width, height, 1, 0, 0), 0);
}

TEST(HeadlessInput, KeyReleasedOnceInTheSnapshotWhereTheKeyComesUp) {
  hl::reset();
  hl::queue_key_snapshot({svc::KEY_UP});
  hl::queue_key_snapshot({svc::KEY_UP});
  hl::queue_key_snapshot({});
  hl::queue_key_snapshot({});
  int released[4], down[4];
  for (int i = 0; i < 4; ++i) {
    svc::examine_keyboard();
    released[i] = svc::key_released(svc::KEY_UP);
    down[i] = svc::key_down(svc::KEY_UP);
  }
  EXPECT_EQ(0, released[0]);
  EXPECT_EQ(0, released[1]);
  EXPECT_NE(0, released[2]);
  EXPECT_EQ(0, released[3]);
  EXPECT_TRUE(down[0] && down[1] && !down[2] && !down[3]);
  // An empty queue is "no key held": a key held in the last snapshot is released by it.
  hl::queue_key_snapshot({svc::KEY_LEFT, 300, -5});  // Out-of-range codes are ignored
  svc::examine_keyboard();
  svc::examine_keyboard();
  EXPECT_NE(0, svc::key_released(svc::KEY_LEFT));
  EXPECT_EQ(0, svc::key_down(-5));
  EXPECT_EQ(0, svc::key_released(256));
}

TEST(HeadlessInput, JoystickAxisNeedsMoreThanHalfTheRange) {
  hl::reset();
  hl::set_joystick_present(true);
  ASSERT_NE(0, svc::init_joystick());
  const int raw[] = {400, 501, -501, 500, -500, 5000};
  const int expected[] = {0, 1, -1, 0, 0, 1};
  for (int i = 0; i < 6; ++i) {
    hl::queue_joystick(raw[i], -raw[i]);
    svc::examine_joystick();
    EXPECT_EQ(expected[i], svc::joystick_axis_x()) << raw[i];
    EXPECT_EQ(-expected[i], svc::joystick_axis_y()) << raw[i];
  }
  // An empty queue centres the stick; a reset machine has no joystick.
  svc::examine_joystick();
  EXPECT_EQ(0, svc::joystick_axis_x());
  hl::reset();
  EXPECT_EQ(0, svc::init_joystick());
}

TEST(HeadlessScreen, DrawingOutsideTheScreenIsClipped) {
  open_screen(8, 6);
  svc::clear_screen(BLUE);
  // Boxes partly or wholly outside, including sizes whose end overflows an int.
  svc::draw_box(-3, -3, 5, 5, RED);
  svc::draw_box(6, 4, 100, 100, RED);
  svc::draw_box(INT_MAX - 1, 0, INT_MAX, 3, RED);
  svc::draw_box(0, INT_MIN, 4, INT_MAX, RED);
  svc::draw_box(2, 2, -4, 3, RED);
  svc::plot(8, 0, RED);
  svc::plot(-1, 5, RED);
  svc::plot(0, 6, RED);
  EXPECT_EQ(RED, svc::point(1, 1));
  EXPECT_EQ(BLUE, svc::point(2, 2));
  EXPECT_EQ(RED, svc::point(7, 5));
  EXPECT_EQ(BLUE, svc::point(3, 0));  // The box from INT_MIN ends just above row 0
  EXPECT_EQ(BLUE, svc::point(5, 2));
  EXPECT_EQ(-1, svc::point(8, 0));
  EXPECT_EQ(-1, svc::point(0, -1));
  EXPECT_EQ(-1, svc::point(INT_MIN, INT_MAX));
  // A run read at once gives what point gives for each pixel, off the screen on either side too.
  for (const auto& [x, y, count] : {std::array<int, 3>{-2, 5, 12}, {3, 0, 2}, {6, -1, 3}, {7, 6, 2}, {INT_MAX - 1, 2, 3}}) {
    std::vector<int32_t> run(size_t(count), 12345);
    svc::points(x, y, count, run.data());
    for (int i = 0; i < count; i++) {
      const int64_t px = int64_t{x} + i;
      EXPECT_EQ(run[size_t(i)], px > INT_MAX ? -1 : svc::point(int(px), y)) << x << "," << y << " +" << i;
    }
  }
  // A block read column by column gives the same, inside the screen and reaching off it (stride
  // larger than the rows: the gaps are left alone).
  for (const auto& [x, y, columns, rows] :
       {std::array<int, 4>{0, 0, 8, 6}, {-2, -1, 5, 9}, {6, 4, 4, 3}, {INT_MAX - 1, INT_MAX - 1, 3, 2}}) {
    const size_t stride = size_t(rows) + 2;
    std::vector<int32_t> block(size_t(columns) * stride, 12345);
    svc::point_columns(x, y, columns, rows, block.data(), stride);
    for (int i = 0; i < columns; i++)
      for (int j = 0; j < rows; j++) {
        const int64_t px = int64_t{x} + i, py = int64_t{y} + j;
        const int32_t expected = px > INT_MAX || py > INT_MAX ? -1 : svc::point(int(px), int(py));
        EXPECT_EQ(block[size_t(i) * stride + size_t(j)], expected) << x << "," << y << " +" << i << ",+" << j;
      }
    EXPECT_EQ(block[size_t(rows)], 12345);
  }
  // Colour bits above the 24 colour bits never reach a pixel.
  svc::plot(4, 4, -1);
  EXPECT_EQ(0xFFFFFF, svc::point(4, 4));
}

// With recording off (as mapscan runs) the screen is still drawn; only the record stays empty.
TEST(HeadlessScreen, RecordingOffStillDrawsButRecordsNothing) {
  open_screen(4, 3);
  hl::record_drawing(false);
  svc::clear_screen(BLUE);
  svc::draw_box(0, 0, 2, 2, RED);
  svc::plot(3, 2, MAGENTA);
  svc::flip_buffers();
  EXPECT_TRUE(hl::draw_calls().empty());
  EXPECT_EQ(RED, svc::point(1, 1));
  EXPECT_EQ(BLUE, svc::point(2, 0));
  EXPECT_EQ(MAGENTA, svc::point(3, 2));
  hl::record_drawing(true);
  svc::plot(0, 2, RED);
  ASSERT_EQ(1u, hl::draw_calls().size());
  EXPECT_EQ("plot", hl::draw_calls()[0].kind);
  EXPECT_EQ(RED, hl::draw_calls()[0].colour);
}

// A 4 x 1 sprite grabbed from the screen: red, magenta, blue, red; magenta made transparent.
int make_sprite_with_transparency() {
  svc::clear_screen(0);
  svc::plot(0, 0, RED);
  svc::plot(1, 0, MAGENTA);
  svc::plot(2, 0, BLUE);
  svc::plot(3, 0, RED);
  int sprite = svc::grab_sprite(-1, 0, 0, 4, 1, 0);
  svc::transparent_sprite_colour(sprite, MAGENTA);
  return sprite;
}

TEST(HeadlessSprites, Sprite3DAlphaZeroLeavesTheScreenAndAlpha255IsOpaqueButTransparentColour) {
  open_screen(16, 8);
  int sprite = make_sprite_with_transparency();
  ASSERT_GT(sprite, 0);
  int quad = svc::create_sprite3d(-1, sprite);
  ASSERT_GT(quad, 0);
  svc::zoom_sprite3d(quad, 8, 2);  // Each texel becomes 2 x 2 pixels
  const int32_t green = 200 * 256;
  svc::clear_screen(green);
  svc::start_3d();
  svc::display_sprite3d(quad, 0, 0, 0);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(green, svc::point(x, 0)) << x;
  svc::display_sprite3d(quad, -2, 3, 255);  // Left texel clipped off
  EXPECT_EQ(green, svc::point(0, 3));       // The transparent texel
  EXPECT_EQ(green, svc::point(1, 4));
  EXPECT_EQ(BLUE, svc::point(2, 3));
  EXPECT_EQ(RED, svc::point(5, 4));
  EXPECT_EQ(green, svc::point(6, 3));
  EXPECT_EQ(green, svc::point(4, 5));
  // Half alpha mixes the texel with the screen.
  svc::display_sprite3d(quad, 0, 6, 128);
  int32_t mixed = svc::point(0, 6);
  EXPECT_NEAR(128, mixed & 0xFF, 1);
  EXPECT_NEAR(100, (mixed >> 8) & 0xFF, 1);
  // Blend factors one/one add; start_3d puts the default pair back.
  svc::sprite3d_blending_mode(svc::BLEND_ONE, svc::BLEND_ONE);
  svc::display_sprite3d(quad, 12, 0, 255);
  EXPECT_EQ(RED + green, svc::point(12, 0));
  svc::stop_3d();
  svc::start_3d();
  svc::display_sprite3d(quad, 12, 0, 255);
  EXPECT_EQ(RED, svc::point(12, 0));
  svc::stop_3d();

  const hl::DrawCall& last = hl::draw_calls()[hl::draw_calls().size() - 2];
  EXPECT_EQ("sprite3d", last.kind);
  EXPECT_EQ(quad, last.a);
  EXPECT_EQ(255, last.d);
  EXPECT_EQ(svc::BLEND_SRC_ALPHA, last.e);
  EXPECT_EQ(svc::BLEND_INV_SRC_ALPHA, last.f);
}

// A 24-bit bitmap file of 2 x 2 pixels, rows top to bottom: {red, magenta}, {blue, white}; named
// after the test, since ctest runs the tests of this file side by side.
std::string write_test_bitmap() {
  std::string path = std::string(SUITE_BINARY_DIR) + "/headless_sprite_test_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bmp";
  const std::string bytes = support::bmp_bytes(2, 2, {{255, 0, 0}, {255, 0, 255}, {0, 0, 255}, {255, 255, 255}});
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return "";
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

TEST(HeadlessSprites, LoadedSpriteTakesTheTransparentColourButDisplaySpriteCopiesIt) {
  open_screen(4, 4);
  std::string path = write_test_bitmap();
  ASSERT_FALSE(path.empty());
  svc::transparent_sprite_colour(-1, MAGENTA);
  int sprite = svc::load_sprite(-1, path, svc::SPRITE_TEXTURE);
  ASSERT_GT(sprite, 0);
  EXPECT_EQ(2, svc::sprite_width(sprite));
  // display_sprite ignores transparency; a 3D sprite of the same picture shows the screen through it.
  svc::clear_screen(0);
  svc::display_sprite(sprite, 1, 1);
  EXPECT_EQ(RED, svc::point(1, 1));
  EXPECT_EQ(MAGENTA, svc::point(2, 1));
  EXPECT_EQ(0xFFFFFF, svc::point(2, 2));
  svc::clear_screen(0);
  svc::start_3d();
  svc::display_sprite3d(svc::create_sprite3d(-1, sprite), 0, 0, 255);
  svc::stop_3d();
  EXPECT_EQ(RED, svc::point(0, 0));
  EXPECT_EQ(0, svc::point(1, 0));
  EXPECT_EQ(BLUE, svc::point(0, 1));
  // A failed load under a used number leaves no sprite there.
  EXPECT_EQ(0, svc::load_sprite(sprite, path + ".missing", 0));
  EXPECT_EQ(0, svc::is_sprite(sprite));
  std::remove(path.c_str());
}

// A picture file decoded straight onto the screen reads back as display_sprite draws it. The callback
// opens the screen at the size it picks; a picture larger than that screen is not drawn.
TEST(HeadlessScreen, PictureFileShownStraightOnTheScreenAsDisplaySpriteDrawsIt) {
  hl::reset();
  const std::string path = write_test_bitmap();
  ASSERT_FALSE(path.empty());
  int asked = 0;
  auto screen_of = [&](int width, int height, int32_t colour) {
    asked++;
    const bool ok = svc::open_window(0, 0, 0, width, height, "scan", svc::WINDOW_BORDERLESS) &&
                    svc::open_windowed_screen(svc::window_handle(0), 0, 0, width, height, 1, 0, 0);
    svc::clear_screen(colour);
    return ok;
  };
  ASSERT_EQ(1, hl::show_picture_file(path, [&](int w, int h) { return screen_of(w + 1, h + 1, 0); }));
  EXPECT_EQ(RED, svc::point(0, 0));
  EXPECT_EQ(MAGENTA, svc::point(1, 0));
  EXPECT_EQ(BLUE, svc::point(0, 1));
  EXPECT_EQ(0xFFFFFF, svc::point(1, 1));
  EXPECT_EQ(0, svc::point(2, 1));
  EXPECT_EQ(0, svc::point(1, 2));
  // A screen opened without a clear, as mapscan opens it: what the picture leaves is black all the same.
  ASSERT_EQ(1, hl::show_picture_file(path, [&](int w, int h) {
    return svc::open_windowed_screen(svc::window_handle(0), 0, 0, w + 1, h + 1, 1, 0, 0) != 0;
  }));
  EXPECT_EQ(MAGENTA, svc::point(1, 0));
  EXPECT_EQ(0, svc::point(2, 0));
  EXPECT_EQ(0, svc::point(2, 2));
  EXPECT_EQ(0, svc::point(0, 2));

  EXPECT_EQ(0, hl::show_picture_file(path, [&](int, int) { return screen_of(2, 1, BLUE); }));
  EXPECT_EQ(BLUE, svc::point(0, 0));
  EXPECT_EQ(BLUE, svc::point(1, 0));
  EXPECT_EQ(0, hl::show_picture_file(path, [](int, int) { return false; }));
  asked = 0;
  EXPECT_EQ(0, hl::show_picture_file(path + ".missing", [&](int w, int h) { return screen_of(w, h, 0); }));
  EXPECT_EQ(0, asked);
  std::remove(path.c_str());
}

TEST(HeadlessSprites, ThreeDSpriteOutlivesItsFreedSpriteAndHugeZoomStaysClipped) {
  open_screen(8, 8);
  int sprite = make_sprite_with_transparency();
  int quad = svc::create_sprite3d(-1, sprite);
  svc::free_sprite(sprite);
  EXPECT_EQ(0, svc::create_sprite3d(-1, sprite));
  svc::zoom_sprite3d(quad, INT_MAX, INT_MAX);
  svc::clear_screen(0);
  svc::start_3d();
  svc::display_sprite3d(quad, -1000, -1000, 255);
  svc::stop_3d();
  EXPECT_EQ(1, hl::live_sprite3d_count());
  EXPECT_EQ(0, svc::grab_sprite(-1, 0, 0, 0, 5, 0));
  EXPECT_EQ(0, svc::load_sprite(-1, "no/such/picture.png", svc::SPRITE_TEXTURE));
}

TEST(HeadlessLifecycle, RunProgramReturnsTheEndProgramCodeAndReleasesObjects) {
  hl::reset();
  int reached_after_end = 0;
  int code = hl::run_program([&] {
    svc::start_services();
    svc::open_window(3, 0, 0, 100, 100, "body", 0);
    svc::end_program(7);
    reached_after_end = 1;
    return 1;
  });
  EXPECT_EQ(7, code);
  EXPECT_EQ(0, reached_after_end);
  EXPECT_EQ(0, svc::is_window(3));
  // A body that returns gives its own result, and what it left open is released.
  code = hl::run_program([] {
    svc::open_window(-1, 0, 0, 10, 10, "left open", 0);
    return 3;
  });
  EXPECT_EQ(3, code);
  EXPECT_EQ(0, svc::is_window(1));
  // A nested run ends only itself.
  EXPECT_EQ(6, hl::run_program([] { return hl::run_program([]() -> int { svc::end_program(5); }) + 1; }));
}

TEST(HeadlessLifecycle, EndProgramOutsideARunEndsTheProcessWithItsCode) {
  EXPECT_EXIT(svc::end_program(3), ::testing::ExitedWithCode(3), "");
}

// A program-shaped body: window, screen, a frame loop until the close request, drawing each frame.
TEST(HeadlessLifecycle, FrameLoopRunsOneFramePerQueuedEventAndEndsWhenIdle) {
  hl::reset();
  hl::set_desktop(320, 200);
  for (int i = 0; i < 4; ++i) hl::queue_event(svc::EVENT_NONE);
  int frames = hl::run_program([] {
    svc::start_services();
    svc::examine_desktops();
    int w = svc::desktop_width(0), h = svc::desktop_height(0);
    int window = svc::open_window(-1, 0, 0, w, h, "frames", svc::WINDOW_BORDERLESS);
    if (!window || !svc::open_windowed_screen(svc::window_handle(window), 0, 0, w, h, 1, 0, 0)) return -1;
    int count = 0;
    while (svc::wait_window_event(10) != svc::EVENT_CLOSE) {
      svc::clear_screen(0);
      svc::start_drawing(svc::screen_output());
      svc::draw_box(count, 0, 1, 1, RED);
      svc::stop_drawing();
      svc::flip_buffers();
      ++count;
    }
    return count;
  });
  EXPECT_EQ(4, frames);
  int flips = 0;
  for (const hl::DrawCall& c : hl::draw_calls()) flips += c.kind == "flip";
  EXPECT_EQ(4, flips);
  EXPECT_EQ(-1, hl::screen_pixel(0, 0));  // The run's end released the screen
}

TEST(HeadlessEvents, QueuedEventsComeInOrderThenIdleCloses) {
  hl::reset();
  hl::queue_event(svc::EVENT_REPAINT);
  hl::queue_menu_pick(42);
  hl::queue_field_event(5);
  EXPECT_EQ(3, hl::events_pending());
  EXPECT_EQ(svc::EVENT_REPAINT, svc::wait_window_event(-1));
  EXPECT_EQ(svc::EVENT_MENU, svc::wait_window_event(0));
  EXPECT_EQ(42, svc::event_menu());
  EXPECT_EQ(svc::EVENT_FIELD, svc::wait_window_event(9));
  EXPECT_EQ(5, svc::event_field());
  EXPECT_EQ(svc::EVENT_CLOSE, svc::wait_window_event(-1));
  hl::close_when_idle(false);
  EXPECT_EQ(svc::EVENT_NONE, svc::wait_window_event(-1));
  // Message boxes answer from the queue, then OK or Yes by their buttons.
  hl::queue_message_answer(svc::ANSWER_NO);
  EXPECT_EQ(svc::ANSWER_NO, svc::message_requester("Quit", "Really?", svc::MESSAGE_YES_NO));
  EXPECT_EQ(svc::ANSWER_YES, svc::message_requester("Quit", "Really?", svc::MESSAGE_YES_NO));
  EXPECT_EQ(svc::ANSWER_OK, svc::message_requester("Note", "Done", svc::MESSAGE_OK));
  ASSERT_EQ(3u, hl::messages().size());
  EXPECT_EQ("Really?", hl::messages()[0].text);
}

TEST(HeadlessTools, MenusFieldsAndRequestersAreRecorded) {
  hl::reset();
  ASSERT_NE(0, svc::open_window(0, 0, 0, 300, 200, "tool", svc::WINDOW_SIZABLE));
  svc::WindowHandle handle = svc::window_handle(0);
  // Fields need a parent window first; a scripted failure hits only that number.
  EXPECT_EQ(0, svc::create_edit_field(1, 0, 0, 50, 20, "x", 0));
  ASSERT_NE(0, svc::use_field_list(handle));
  int font = svc::load_font(-1, "ARIAL", 12);
  ASSERT_GT(font, 0);
  svc::set_field_font(-1, svc::font_handle(font));
  hl::fail_create_field(2);
  EXPECT_NE(0, svc::create_edit_field(1, 0, 0, 50, 20, "caf\xe9", svc::FIELD_CENTRED));
  EXPECT_EQ(0, svc::create_edit_field(2, 0, 20, 50, 20, "", 0));
  EXPECT_NE(0, svc::create_edit_field(2, 0, 20, 50, 20, "", 0));
  EXPECT_EQ("caf\xe9", svc::get_field_text(1));
  EXPECT_EQ(svc::font_handle(font), hl::field_info(2).font);
  EXPECT_EQ("", svc::get_field_text(99));

  ASSERT_NE(0, svc::create_menu(0, handle));
  svc::menu_item(1, "Before any title");
  svc::menu_title("File");
  svc::menu_item(2, "Open");
  std::vector<hl::MenuEntry> entries = hl::menu_entries(0);
  ASSERT_EQ(3u, entries.size());
  EXPECT_EQ(-1, entries[0].under_title);
  EXPECT_EQ(1, entries[2].under_title);
  EXPECT_EQ(200, svc::window_inner_height(0));

  hl::queue_requester_result("/data/maps");
  EXPECT_EQ("/data/maps/", svc::path_requester("Folder", ""));
  EXPECT_EQ("", svc::open_file_requester("Open", "", "Maps|*.qz61", 0));  // Cancelled
  ASSERT_EQ(2u, hl::requesters().size());
  EXPECT_EQ("open", hl::requesters()[1].kind);

  // Closing the window takes its fields and menu with it.
  svc::close_window(0);
  EXPECT_EQ(0, svc::field_exists(1));
  EXPECT_TRUE(hl::menu_entries(0).empty());
}

TEST(HeadlessSprites, FreedThreeDNumbersComeBackAndChosenOnesAreSkipped) {
  open_screen(8, 8);
  const int sprite = svc::grab_sprite(-1, 0, 0, 2, 2, 0);
  ASSERT_GT(sprite, 0);
  for (int n = 1; n <= 3; n++) EXPECT_EQ(svc::create_sprite3d(-1, sprite), n);
  svc::free_sprite3d(2);
  EXPECT_FALSE(svc::is_sprite3d(2));
  EXPECT_EQ(hl::live_sprite3d_count(), 2);
  EXPECT_EQ(svc::create_sprite3d(-1, sprite), 2);
  EXPECT_EQ(svc::create_sprite3d(5, sprite), 1);  // a chosen number answers 1
  EXPECT_EQ(svc::create_sprite3d(-1, sprite), 4);
  EXPECT_EQ(svc::create_sprite3d(-1, sprite), 6);  // 5 is taken
  EXPECT_EQ(svc::create_sprite3d(5, sprite), 1);   // choosing a used number replaces that sprite
  EXPECT_EQ(hl::live_sprite3d_count(), 6);
  EXPECT_EQ(svc::create_sprite3d(-2, sprite), 0);
  EXPECT_EQ(svc::create_sprite3d(1 << 20, sprite), 0);  // refused, not allocated
  EXPECT_EQ(svc::create_sprite3d(-1, sprite + 1), 0);   // no such sprite
  hl::reset();
  EXPECT_EQ(hl::live_sprite3d_count(), 0);
}

}  // namespace

// A title of megabytes (an APPNAME of 16 MB) is held to 4096 bytes, cut before a UTF-8 sequence.
TEST(HeadlessWindows, HugeTitlesAreHeldToWhatAWindowSystemTakes) {
  svc::headless::reset();
  std::string title;
  for (int i = 0; i < 3000; i++) title += "\xC3\xA9";  // é, two bytes
  ASSERT_NE(svc::open_window(1, 0, 0, 10, 10, title, 0), 0);
  EXPECT_EQ(svc::headless::window_info(1).title, title.substr(0, 4096));
  svc::set_window_title(1, "x" + title);
  EXPECT_EQ(svc::headless::window_info(1).title, "x" + title.substr(0, 4094));
  svc::close_window(1);
}
