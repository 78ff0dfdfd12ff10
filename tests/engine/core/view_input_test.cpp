// view_input_test.cpp -- cursor moves, scrolling and its wrap, collision and wheel zoom
#include <vector>

#include "core/view_input.h"
#include "services/headless.h"
#include "services/input.h"
#include "support/engine_fixture.h"

namespace {

class View : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    prepare_world(99, 99);
    engine.screenWidth = engine.screenHeight = 320.0f;
  }
  void hold(const std::vector<int>& keys, int frames = 1) {
    for (int i = 0; i < frames; i++) {
      svc::headless::queue_key_snapshot(keys);
      keyboard_control();
    }
  }
};

TEST_F(View, CursorMovesToMidScreenThenScrollsWithDelay) {
  hold({svc::KEY_RIGHT}, 4);
  EXPECT_EQ(cursor().x, 128.0f);  // 128 + 32 is no longer below 160
  hold({svc::KEY_RIGHT}, 3);
  EXPECT_EQ(cursor().x, 128.0f);
  EXPECT_EQ(engine.scrollX, 3);

  engine.cursorDelay = 255;  // CURSORSPEED 0: one step every 256 frames
  hold({svc::KEY_DOWN}, 255);
  EXPECT_EQ(cursor().y, 0.0f);
  hold({svc::KEY_DOWN});
  EXPECT_EQ(cursor().y, 32.0f);
}

TEST_F(View, ScrollWrapsAtBothEndsOfTheMap) {
  engine.scrollX = 5;
  hold({svc::KEY_LEFT});
  EXPECT_EQ(engine.scrollX, 4);
  engine.scrollX = 0;
  hold({svc::KEY_LEFT});
  EXPECT_EQ(engine.scrollX, 99);
  hold({svc::KEY_UP});
  EXPECT_EQ(engine.scrollY, 99);
  engine.mapMaxX = 10;  // a map smaller than the grid wraps at its own end
  engine.scrollX = 10;
  cursor().x = 128;
  hold({svc::KEY_RIGHT});
  EXPECT_EQ(engine.scrollX, 0);
}

TEST_F(View, CollisionStopsStraightAndDiagonalMoves) {
  cursor().x = cursor().y = 64;  // cell (2, 2)
  at(3, 2).useCollision = 1;
  hold({svc::KEY_RIGHT}, 3);
  EXPECT_EQ(cursor().x, 64.0f);
  EXPECT_EQ(cursor().moveCounter, 3);
  at(3, 2).useCollision = 0;
  at(3, 3).useCollision = 1;
  hold({svc::KEY_RIGHT, svc::KEY_DOWN});
  EXPECT_EQ(cursor().x, 64.0f);
  EXPECT_EQ(cursor().y, 64.0f);
  hold({svc::KEY_RIGHT});
  EXPECT_EQ(cursor().x, 96.0f);
  // Left of the first column is the last one, where the view wraps to.
  cursor().x = 0;
  at(99, 2).useCollision = 1;
  hold({svc::KEY_LEFT});
  EXPECT_EQ(engine.scrollX, 0);
  // Targets far outside the grid, or no usable cell size, block nothing and read nothing.
  cursor().x = 1.0e12f;
  collision_check(1, 1);
  EXPECT_EQ(engine.horizontalMove, 1);
  engine.resolution = 0.0f;
  collision_check(-1, 0);
  EXPECT_EQ(engine.horizontalMove, -1);
}

TEST_F(View, WheelZoomsWithinBoundsButNeverBelowOnePixel) {
  engine.resolution = 64.0f;
  for (int wheel : {2, -1}) {
    svc::headless::queue_wheel(wheel);
    wheel_zoom();
  }
  EXPECT_EQ(engine.resolution, 63.0f);
  EXPECT_EQ(engine.cellsAcross, 6.0f);  // 320 / 63 rounded up
  engine.resolution = 9.0f;
  for (int wheel : {-3, -1}) {
    svc::headless::queue_wheel(wheel);
    wheel_zoom();
  }
  EXPECT_EQ(engine.resolution, 6.0f);
  engine.resolution = 9.0f;
  svc::headless::queue_wheel(-40);
  wheel_zoom();
  EXPECT_EQ(engine.resolution, 1.0f);
}

}  // namespace
