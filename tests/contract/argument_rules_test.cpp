// argument_rules_test.cpp -- the argument rules every platform keeps: one body, built once per platform
//
// tests/contract/CMakeLists.txt links this file against each platform. CONTRACT_NEEDS_DISPLAY marks
// the platforms that need an X display (the case is skipped without one); CONTRACT_HAS_FIELDS the
// ones that implement menus, fields and fonts (the engine's platforms do not).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "services/lifecycle.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/windows.h"
#include "support/bmp.h"
#include "support/temp_folder.h"
#if CONTRACT_HAS_FIELDS
#include "services/fields.h"
#include "services/menus.h"
#endif

namespace {

constexpr int kFirstRefused = 1 << 20;  // Chosen numbers run from 0 to this less one

class ServiceContract : public ::testing::Test {
 protected:
  void SetUp() override {
#if CONTRACT_NEEDS_DISPLAY
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "needs a display (xvfb-run)";
#endif
    svc::start_services();
    started = true;
  }
  void TearDown() override {
    if (!started) return;
    svc::stop_services();
    if (!folder.empty()) support::remove_folder(folder);
  }

  // Window 1 with a 32 x 24 screen on it.
  void open_screen() {
    ASSERT_EQ(svc::open_window(1, 0, 0, 32, 24, "contract", svc::WINDOW_BORDERLESS), 1);
    ASSERT_NE(svc::open_windowed_screen(svc::window_handle(1), 0, 0, 32, 24, 1, 0, 0), 0);
  }

  // A 3 x 2 picture file in a fresh folder.
  std::string picture_file() {
    folder = support::make_temp_folder("contract");
    const std::string path = folder + "picture.bmp";
    std::ofstream(path, std::ios::binary) << support::solid_bmp(3, 2, 10, 200, 30);
    return path;
  }

  bool started = false;
  std::string folder;
};

TEST_F(ServiceContract, WindowNumbersAndSizes) {
  // -1 hands out numbers from 1; a chosen number answers 1, 0 included (the tools open window 0).
  EXPECT_EQ(svc::open_window(-1, 0, 0, 40, 30, "first", svc::WINDOW_SIZABLE), 1);
  EXPECT_EQ(svc::open_window(0, 0, 0, 40, 30, "zero", svc::WINDOW_SIZABLE), 1);
  EXPECT_TRUE(svc::is_window(0));
  EXPECT_NE(svc::window_handle(0), 0);
  EXPECT_NE(svc::window_handle(0), svc::window_handle(1));
  EXPECT_EQ(svc::open_window(-1, 0, 0, 40, 30, "second", svc::WINDOW_SIZABLE), 2);
  // Choosing a number in use replaces that window.
  EXPECT_EQ(svc::open_window(2, 0, 0, 50, 30, "again", svc::WINDOW_SIZABLE), 1);
  EXPECT_TRUE(svc::is_window(2));

  // Refused: numbers outside the rule, and client areas without a pixel.
  EXPECT_EQ(svc::open_window(-2, 0, 0, 40, 30, "minus two", 0), 0);
  EXPECT_EQ(svc::open_window(kFirstRefused, 0, 0, 40, 30, "too large", 0), 0);
  EXPECT_EQ(svc::open_window(-1, 0, 0, 0, 0, "empty", 0), 0);
  EXPECT_EQ(svc::open_window(-1, 0, 0, 0, 30, "no width", 0), 0);
  EXPECT_EQ(svc::open_window(-1, 0, 0, 40, -1, "negative height", 0), 0);
  EXPECT_EQ(svc::open_window(7, 0, 0, 0, 0, "empty seven", 0), 0);
  EXPECT_FALSE(svc::is_window(7));

  svc::close_window(0);
  EXPECT_FALSE(svc::is_window(0));
  EXPECT_EQ(svc::window_handle(0), 0);
  svc::close_window(0);  // Closing twice is harmless
}

TEST_F(ServiceContract, ScreenAndGrabSizes) {
  ASSERT_EQ(svc::open_window(1, 0, 0, 32, 24, "contract", svc::WINDOW_BORDERLESS), 1);
  const svc::WindowHandle handle = svc::window_handle(1);
  EXPECT_EQ(svc::open_windowed_screen(handle, 0, 0, 0, 24, 1, 0, 0), 0);
  EXPECT_EQ(svc::open_windowed_screen(handle, 0, 0, 32, -5, 1, 0, 0), 0);
  EXPECT_EQ(svc::open_windowed_screen(handle + 4096, 0, 0, 32, 24, 1, 0, 0), 0);  // no such window
  ASSERT_NE(svc::open_windowed_screen(handle, 0, 0, 32, 24, 1, 0, 0), 0);

  svc::clear_screen(0x302010);
  EXPECT_EQ(svc::point(-1, 0), -1);
  EXPECT_EQ(svc::point(32, 0), -1);
  EXPECT_EQ(svc::point(0, 24), -1);

  // Grabs: 1 to 16384 pixels a side, into any allowed number; 0 is a number like any other.
  EXPECT_EQ(svc::grab_sprite(-1, 0, 0, 0, 4, 0), 0);
  EXPECT_EQ(svc::grab_sprite(-1, 0, 0, 4, -1, 0), 0);
  EXPECT_EQ(svc::grab_sprite(-1, 0, 0, 16385, 1, 0), 0);
  EXPECT_EQ(svc::grab_sprite(-2, 0, 0, 4, 4, 0), 0);
  EXPECT_EQ(svc::grab_sprite(0, 0, 0, 5, 4, 0), 1);
  EXPECT_EQ(svc::sprite_width(0), 5);
  EXPECT_EQ(svc::sprite_height(0), 4);
  EXPECT_EQ(svc::grab_sprite(0, 30, 20, 6, 7, 0), 1);  // Replaces sprite 0; the area may leave the screen
  EXPECT_EQ(svc::sprite_width(0), 6);
  EXPECT_EQ(svc::sprite_height(0), 7);
}

TEST_F(ServiceContract, SpriteAndSprite3DNumbers) {
  open_screen();
  const std::string path = picture_file();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(svc::load_sprite(0, path, svc::SPRITE_TEXTURE), 1);
  EXPECT_EQ(svc::sprite_width(0), 3);
  EXPECT_EQ(svc::sprite_height(0), 2);
  const int chosen = svc::load_sprite(-1, path, svc::SPRITE_TEXTURE);
  EXPECT_GE(chosen, 1);
  EXPECT_EQ(svc::load_sprite(kFirstRefused, path, svc::SPRITE_TEXTURE), 0);

  // A failed load into a number in use leaves no sprite there, on every platform.
  EXPECT_EQ(svc::load_sprite(chosen, folder + "missing.bmp", svc::SPRITE_TEXTURE), 0);
  EXPECT_FALSE(svc::is_sprite(chosen));
  EXPECT_EQ(svc::sprite_width(chosen), 0);

  // 3D sprites: 0 may be chosen; the sprite under them must exist.
  EXPECT_EQ(svc::create_sprite3d(0, 0), 1);
  EXPECT_TRUE(svc::is_sprite3d(0));
  EXPECT_EQ(svc::create_sprite3d(-1, 0), 1);
  EXPECT_EQ(svc::create_sprite3d(-1, 0), 2);
  EXPECT_EQ(svc::create_sprite3d(-1, chosen), 0);  // its load failed
  EXPECT_EQ(svc::create_sprite3d(-2, 0), 0);
  EXPECT_EQ(svc::create_sprite3d(kFirstRefused, 0), 0);
  svc::free_sprite3d(1);
  EXPECT_FALSE(svc::is_sprite3d(1));
  EXPECT_EQ(svc::create_sprite3d(-1, 0), 1);  // A freed number comes back first
}

#if CONTRACT_HAS_FIELDS
TEST_F(ServiceContract, FontsFieldsAndMenus) {
  // Fonts: a face and 1 to 1000 points.
  EXPECT_EQ(svc::load_font(-1, "ARIAL", 12), 1);
  EXPECT_EQ(svc::load_font(0, "ARIAL", 1), 1);
  EXPECT_EQ(svc::load_font(-1, "ARIAL", 1000), 2);
  EXPECT_EQ(svc::load_font(-1, "ARIAL", 1001), 0);
  EXPECT_EQ(svc::load_font(-1, "ARIAL", 0), 0);
  EXPECT_EQ(svc::load_font(-1, "ARIAL", -12), 0);
  EXPECT_EQ(svc::load_font(-1, "", 12), 0);
  EXPECT_NE(svc::font_handle(0), 0);
  EXPECT_EQ(svc::font_handle(3), 0);

  // Fields need a window chosen by use_field_list.
  EXPECT_EQ(svc::create_edit_field(1, 0, 0, 50, 20, "early", 0), 0);
  ASSERT_EQ(svc::open_window(0, 0, 0, 200, 100, "contract fields", svc::WINDOW_SIZABLE), 1);
  EXPECT_EQ(svc::use_field_list(svc::window_handle(0) + 4096), 0);
  ASSERT_NE(svc::use_field_list(svc::window_handle(0)), 0);
  EXPECT_EQ(svc::create_edit_field(0, 0, 0, 50, 20, "zero", 0), 1);
  EXPECT_EQ(svc::create_edit_field(-1, 0, 20, 0, 0, "", svc::FIELD_CENTRED), 1);  // An empty field is a field
  EXPECT_EQ(svc::create_edit_field(-1, 0, 40, -1, 20, "negative", 0), 0);
  EXPECT_EQ(svc::create_label(-1, 60, 0, 50, -20, "negative"), 0);
  EXPECT_EQ(svc::create_label(1024, 60, 0, 50, 50, "swatch"), 1);
  EXPECT_EQ(svc::create_edit_field(-2, 0, 60, 50, 20, "minus two", 0), 0);
  EXPECT_TRUE(svc::field_exists(0));
  EXPECT_FALSE(svc::field_exists(2));
  EXPECT_EQ(svc::get_field_text(0), "zero");
  EXPECT_EQ(svc::get_field_text(1024), "swatch");
  EXPECT_EQ(svc::get_field_text(77), "");
  svc::set_field_text(0, "caf\xE9");  // Windows-1252 comes back as it went in
  EXPECT_EQ(svc::get_field_text(0), "caf\xE9");

  // Menus: 0 may be chosen, and the bar needs an open window.
  EXPECT_EQ(svc::create_menu(0, svc::window_handle(0)), 1);
  EXPECT_EQ(svc::create_menu(-1, svc::window_handle(0) + 4096), 0);
  EXPECT_EQ(svc::create_menu(-2, svc::window_handle(0)), 0);

  // Closing the window takes its fields with it.
  svc::close_window(0);
  EXPECT_FALSE(svc::field_exists(0));
  EXPECT_EQ(svc::create_edit_field(5, 0, 0, 50, 20, "orphan", 0), 0);
}
#endif

}  // namespace
