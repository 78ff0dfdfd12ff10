// headless_sprite3d_numbers_test.cpp -- numbers of headless 3D sprites: reuse, chosen numbers, the live count
#include <gtest/gtest.h>

#include "services/headless.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/windows.h"

namespace {

namespace hl = svc::headless;

TEST(HeadlessSprite3DNumbers, FreedNumbersComeBackAndChosenOnesAreSkipped) {
  hl::reset();
  ASSERT_NE(svc::open_window(0, 0, 0, 8, 8, "test", svc::WINDOW_BORDERLESS), 0);
  ASSERT_NE(svc::open_windowed_screen(svc::window_handle(0), 0, 0, 8, 8, 1, 0, 0), 0);
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
