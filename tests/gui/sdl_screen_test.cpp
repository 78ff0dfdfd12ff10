// sdl_screen_test.cpp -- the SDL screen under Xvfb: drawing read back, sprites, 3D sprites, blending, grabs
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#include "services/lifecycle.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "services/windows.h"
#include "support/bmp.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

// A 24-bit BMP whose left half is `left` and right half `right`.
void write_bmp(const std::string& path, int width, int height, int32_t left, int32_t right) {
  support::write_file(path, support::bmp_bytes(width, height, [&](int x, int) {
                        const int32_t c = x < width / 2 ? left : right;
                        return support::Rgb{svc::red(c), svc::green(c), svc::blue(c)};
                      }));
}

bool near_colour(int32_t got, int32_t want, int tolerance = 2) {
  return std::abs(svc::red(got) - svc::red(want)) <= tolerance &&
         std::abs(svc::green(got) - svc::green(want)) <= tolerance &&
         std::abs(svc::blue(got) - svc::blue(want)) <= tolerance;
}

#define EXPECT_COLOUR(got, want) EXPECT_PRED2([](int32_t g, int32_t w) { return near_colour(g, w); }, got, want)

class SdlScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
    svc::start_services();
    window = svc::open_window(-1, 0, 0, kWidth, kHeight, "sdl screen test", svc::WINDOW_BORDERLESS);
    ASSERT_GE(window, 1);
    ASSERT_NE(svc::open_windowed_screen(svc::window_handle(window), 0, 0, kWidth, kHeight, 1, 0, 0), 0);
    dir = support::make_temp_folder("sdl_screen_");
    ASSERT_NE(dir, "");
  }
  void TearDown() override {
    svc::stop_services();
    support::remove_folder(dir);
  }
  std::string file(const std::string& name) { return dir + name; }

  // A 4x4 sprite, magenta on the left half and `right` on the right, magenta transparent.
  int two_tone_sprite(int32_t right) {
    write_bmp(file("two.bmp"), 4, 4, svc::rgb(255, 0, 255), right);
    svc::transparent_sprite_colour(-1, svc::rgb(255, 0, 255));
    return svc::load_sprite(-1, file("two.bmp"), svc::SPRITE_TEXTURE);
  }
  // A 40x40 3D sprite over a 4x4 solid sprite of this colour.
  int solid_quad(int32_t colour) {
    write_bmp(file("solid.bmp"), 4, 4, colour, colour);
    int s = svc::load_sprite(-1, file("solid.bmp"), svc::SPRITE_TEXTURE);
    int q = svc::create_sprite3d(-1, s);
    svc::zoom_sprite3d(q, 40, 40);
    return q;
  }

  int window = 0;
  std::string dir;  // ends in "/"
};

TEST_F(SdlScreen, BoxesAndPointsReadBackAndOutsideIsMinusOne) {
  svc::start_drawing(svc::screen_output());
  svc::clear_screen(svc::rgb(10, 20, 30));
  svc::draw_box(10, 10, 20, 20, svc::rgb(255, 0, 0));
  svc::plot(100, 100, svc::rgb(1, 2, 3));
  svc::draw_box(kWidth - 5, kHeight - 5, 50, 50, svc::rgb(0, 255, 0));  // clipped at the corner
  svc::stop_drawing();
  EXPECT_EQ(svc::point(5, 5), svc::rgb(10, 20, 30));
  EXPECT_EQ(svc::point(10, 10), svc::rgb(255, 0, 0));
  EXPECT_EQ(svc::point(29, 29), svc::rgb(255, 0, 0));
  EXPECT_EQ(svc::point(30, 30), svc::rgb(10, 20, 30));
  EXPECT_EQ(svc::point(100, 100), svc::rgb(1, 2, 3));
  EXPECT_EQ(svc::point(kWidth - 1, kHeight - 1), svc::rgb(0, 255, 0));
  EXPECT_EQ(svc::point(-1, 0), -1);
  EXPECT_EQ(svc::point(0, kHeight), -1);
  EXPECT_EQ(svc::point(kWidth, 0), -1);
  svc::plot(-1, -1, 0);  // ignored, no crash
}

// With the world switched off the engine draws its overlay over whatever the back buffer holds,
// so a flip must not lose the back buffer.
TEST_F(SdlScreen, BackBufferSurvivesFlip) {
  svc::clear_screen(svc::rgb(0, 0, 90));
  svc::draw_box(50, 50, 10, 10, svc::rgb(200, 100, 0));
  svc::flip_buffers();
  svc::flip_buffers();
  EXPECT_EQ(svc::point(55, 55), svc::rgb(200, 100, 0));
  EXPECT_EQ(svc::point(0, 0), svc::rgb(0, 0, 90));
}

TEST_F(SdlScreen, TextIsFrontColourOnBackBox) {
  svc::clear_screen(svc::rgb(0, 0, 0));
  svc::draw_text(10, 10, "Debug: world: \xE9t\xE9", svc::rgb(255, 255, 200), svc::rgb(0, 0, 200));
  svc::draw_text(10, 10, "Debug: world: \xE9t\xE9", svc::rgb(255, 255, 200), svc::rgb(0, 0, 200));  // cached
  svc::draw_text(10, 60, "", svc::rgb(255, 255, 255), svc::rgb(255, 255, 255));                     // nothing
  EXPECT_EQ(svc::point(10, 10), svc::rgb(0, 0, 200));
  int front = 0, back = 0;
  for (int y = 10; y < 24; y++)
    for (int x = 10; x < 110; x++) {
      int32_t c = svc::point(x, y);
      if (near_colour(c, svc::rgb(255, 255, 200), 40)) front++;
      if (c == svc::rgb(0, 0, 200)) back++;
    }
  EXPECT_GT(front, 20);
  EXPECT_GT(back, 200);
  EXPECT_EQ(svc::point(10, 61), 0);
  EXPECT_EQ(svc::point(200, 12), 0);
}

TEST_F(SdlScreen, SpriteLoadsAndDisplaysWithoutTransparency) {
  int s = two_tone_sprite(svc::rgb(0, 0, 255));
  ASSERT_GE(s, 1);
  EXPECT_EQ(svc::sprite_width(s), 4);
  EXPECT_EQ(svc::sprite_height(s), 4);
  EXPECT_EQ(svc::load_sprite(-1, file("missing.bmp"), svc::SPRITE_TEXTURE), 0);
  write_bmp(file("cut.bmp"), 4, 4, 0, 0);
  std::filesystem::resize_file(file("cut.bmp"), 40);
  EXPECT_EQ(svc::load_sprite(-1, file("cut.bmp"), svc::SPRITE_TEXTURE), 0);

  svc::clear_screen(svc::rgb(0, 128, 0));
  svc::display_sprite(s, kWidth - 2, 0);  // clipped: only the magenta half shows
  svc::display_sprite(s, 0, 0);
  EXPECT_EQ(svc::point(0, 0), svc::rgb(255, 0, 255));
  EXPECT_EQ(svc::point(3, 3), svc::rgb(0, 0, 255));
  EXPECT_EQ(svc::point(kWidth - 1, 0), svc::rgb(255, 0, 255));
  EXPECT_EQ(svc::point(4, 0), svc::rgb(0, 128, 0));

  EXPECT_EQ(svc::load_sprite(2000000000, file("two.bmp"), svc::SPRITE_TEXTURE), 0);  // refused, not allocated
  EXPECT_EQ(svc::load_sprite(7, file("two.bmp"), svc::SPRITE_TEXTURE), 1);           // an explicit number
  EXPECT_TRUE(svc::is_sprite(7));
  svc::free_sprite(7);
  EXPECT_FALSE(svc::is_sprite(7));
}

TEST_F(SdlScreen, Sprite3DAlphaZeroInvisibleOpaqueAt255ExceptTransparentColour) {
  int s = two_tone_sprite(svc::rgb(0, 0, 255));
  int q = svc::create_sprite3d(-1, s);
  ASSERT_GE(q, 1);
  svc::zoom_sprite3d(q, 40, 40);
  svc::clear_screen(svc::rgb(0, 128, 0));
  svc::start_3d();
  svc::display_sprite3d(q, 0, 0, 0);
  EXPECT_EQ(svc::point(30, 10), svc::rgb(0, 128, 0));
  svc::display_sprite3d(q, 0, 0, 255);
  svc::display_sprite3d(q, 100, 0, 128);
  svc::stop_3d();
  EXPECT_EQ(svc::point(5, 10), svc::rgb(0, 128, 0));   // transparent half
  EXPECT_EQ(svc::point(30, 10), svc::rgb(0, 0, 255));  // opaque half, scaled to 40 wide
  EXPECT_EQ(svc::point(39, 39), svc::rgb(0, 0, 255));
  EXPECT_EQ(svc::point(40, 10), svc::rgb(0, 128, 0));
  EXPECT_COLOUR(svc::point(130, 10), svc::rgb(0, 64, 128));  // half way

  svc::free_sprite3d(q);
  EXPECT_FALSE(svc::is_sprite3d(q));
  svc::display_sprite3d(q, 0, 0, 255);  // gone: draws nothing
  EXPECT_EQ(svc::create_sprite3d(-1, 999), 0);
}

// Many 3D sprites are records over one texture; freed numbers are handed out again.
TEST_F(SdlScreen, ManySprite3DRecordsShareOnePicture) {
  int s = two_tone_sprite(svc::rgb(0, 0, 255));
  std::vector<int> quads;
  for (int i = 0; i < 20000; i++) quads.push_back(svc::create_sprite3d(-1, s));
  EXPECT_EQ(quads.front(), 1);
  EXPECT_EQ(quads.back(), 20000);
  svc::free_sprite3d(500);
  EXPECT_EQ(svc::create_sprite3d(-1, s), 500);
  svc::zoom_sprite3d(20000, 8, 8);
  svc::clear_screen(0);
  svc::start_3d();
  svc::display_sprite3d(1, 0, 0, 255);
  svc::display_sprite3d(20000, 50, 0, 255);
  svc::stop_3d();
  EXPECT_EQ(svc::point(3, 1), svc::rgb(0, 0, 255));
  EXPECT_EQ(svc::point(57, 1), svc::rgb(0, 0, 255));
  EXPECT_EQ(svc::point(58, 1), 0);
}

// A sprite copied without transparency must not punch holes into the back buffer's alpha: a later
// destination-alpha draw over it still sees an opaque screen.
TEST_F(SdlScreen, DisplaySpriteKeepsBackBufferOpaque) {
  int s = two_tone_sprite(svc::rgb(0, 0, 255));
  int q = solid_quad(svc::rgb(250, 0, 0));
  svc::clear_screen(0);
  for (int y = 0; y < 40; y += 4)
    for (int x = 0; x < 40; x += 4) svc::display_sprite(s, x, y);
  svc::start_3d();
  svc::sprite3d_blending_mode(7, 1);  // destination alpha, zero
  svc::display_sprite3d(q, 0, 0, 255);
  svc::stop_3d();
  EXPECT_EQ(svc::point(0, 0), svc::rgb(250, 0, 0));
  EXPECT_EQ(svc::point(2, 0), svc::rgb(250, 0, 0));
}

// The engine's smoothing pass: grab the screen from (1, 1), draw it back filtered over the whole screen.
TEST_F(SdlScreen, GrabCopiesBackBufferAndReadsBlackOutside) {
  svc::clear_screen(svc::rgb(0, 0, 80));
  svc::draw_box(0, 0, 10, 10, svc::rgb(255, 255, 0));
  svc::draw_box(kWidth - 1, 0, 1, kHeight, svc::rgb(0, 255, 255));
  for (int frame = 0; frame < 3; frame++) {  // grabs freed and made again, as frame after frame
    int g = svc::grab_sprite(-1, 1, 1, kWidth, kHeight, 1);
    ASSERT_GE(g, 1);
    EXPECT_EQ(svc::sprite_width(g), kWidth);
    int g3 = svc::create_sprite3d(-1, g);
    svc::clear_screen(0);
    svc::start_3d();
    svc::sprite3d_quality(0);
    svc::display_sprite3d(g3, 0, 0, 255);
    svc::stop_3d();
    EXPECT_EQ(svc::point(8, 8), svc::rgb(255, 255, 0));
    EXPECT_EQ(svc::point(9, 9), svc::rgb(0, 0, 80));
    EXPECT_EQ(svc::point(kWidth - 2, 5), svc::rgb(0, 255, 255));
    EXPECT_EQ(svc::point(kWidth - 1, 5), 0);  // one past the screen: black
    EXPECT_EQ(svc::point(5, kHeight - 1), 0);
    // put the picture back for the next round
    svc::clear_screen(svc::rgb(0, 0, 80));
    svc::draw_box(0, 0, 10, 10, svc::rgb(255, 255, 0));
    svc::draw_box(kWidth - 1, 0, 1, kHeight, svc::rgb(0, 255, 255));
    svc::free_sprite3d(g3);
    svc::free_sprite(g);
  }
  EXPECT_EQ(svc::grab_sprite(-1, 0, 0, 0, 10, 1), 0);
}

// Filtered and unfiltered draws of different pictures in one pass each keep their own look.
TEST_F(SdlScreen, QualityChangesApplyPerDraw) {
  write_bmp(file("checker.bmp"), 2, 1, svc::rgb(0, 0, 0), svc::rgb(255, 255, 255));
  int checker = svc::load_sprite(-1, file("checker.bmp"), svc::SPRITE_TEXTURE);
  int a = svc::create_sprite3d(-1, checker);
  int b = svc::create_sprite3d(-1, checker);
  svc::zoom_sprite3d(a, 100, 10);
  svc::zoom_sprite3d(b, 100, 10);
  int solid = solid_quad(svc::rgb(0, 200, 0));
  svc::clear_screen(0);
  svc::start_3d();
  svc::sprite3d_quality(0);
  svc::display_sprite3d(a, 0, 0, 255);
  svc::display_sprite3d(solid, 200, 0, 255);
  svc::sprite3d_quality(1);
  svc::display_sprite3d(b, 0, 20, 255);
  svc::display_sprite3d(solid, 200, 50, 255);
  svc::sprite3d_quality(0);
  svc::stop_3d();
  EXPECT_EQ(svc::point(45, 5), 0);  // unfiltered: a hard edge
  EXPECT_EQ(svc::point(55, 5), svc::rgb(255, 255, 255));
  int32_t mid = svc::point(50, 25);  // filtered: a ramp
  EXPECT_GT(svc::red(mid), 40);
  EXPECT_LT(svc::red(mid), 215);
  EXPECT_EQ(svc::point(210, 10), svc::rgb(0, 200, 0));
  EXPECT_EQ(svc::point(210, 60), svc::rgb(0, 200, 0));
}

TEST_F(SdlScreen, ClosingTheWindowTakesTheScreenAndSprites) {
  int s = two_tone_sprite(svc::rgb(0, 0, 255));
  ASSERT_GE(s, 1);
  svc::close_window(window);
  EXPECT_FALSE(svc::is_window(window));
  EXPECT_EQ(svc::window_handle(window), 0);
  EXPECT_FALSE(svc::is_sprite(s));
  EXPECT_EQ(svc::point(0, 0), -1);
  svc::clear_screen(0);  // no screen: nothing happens
  svc::flip_buffers();
  EXPECT_EQ(svc::load_sprite(-1, file("two.bmp"), svc::SPRITE_TEXTURE), 0);
}

}  // namespace
