// view_test.cpp -- cursor moves, scrolling and its wrap, collision, wheel zoom and the Page keys
#include <vector>

#include "core/view_input.h"
#include "services/headless.h"
#include "services/input.h"
#include "world_fixture.h"

namespace {

class View : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    prepare_world(99, 99);
    engine.screenWidth = 320.0f;
    engine.screenHeight = 320.0f;
    engine.cursorDelay = 0;  // CURSORSPEED 255
  }
  void hold(const std::vector<int>& keys, int frames) {
    for (int i = 0; i < frames; i++) {
      svc::headless::queue_key_snapshot(keys);
      keyboard_control();
    }
  }
};

TEST_F(View, RightMovesTheCursorToMidScreenThenScrolls) {
  hold({svc::KEY_RIGHT}, 4);
  EXPECT_EQ(cursor().x, 128.0f);  // 128 + 32 is no longer below 160
  EXPECT_EQ(engine.scrollX, 0);
  hold({svc::KEY_RIGHT}, 3);
  EXPECT_EQ(cursor().x, 128.0f);
  EXPECT_EQ(engine.scrollX, 3);
}

TEST_F(View, CursorDelayAndLeftAtTheEdgeScrolls) {
  engine.cursorDelay = 255;  // CURSORSPEED 0
  hold({svc::KEY_DOWN}, 255);
  EXPECT_EQ(cursor().y, 0.0f);
  hold({svc::KEY_DOWN}, 1);
  EXPECT_EQ(cursor().y, 32.0f);
  EXPECT_EQ(cursor().moveCounter, 0);

  engine.cursorDelay = 0;
  engine.scrollX = 5;
  hold({svc::KEY_LEFT}, 1);
  EXPECT_EQ(engine.scrollX, 4);
  EXPECT_EQ(cursor().x, 0.0f);
}

TEST_F(View, ScrollWrapsAtBothEndsOfTheMap) {
  cursor().x = 0;
  hold({svc::KEY_LEFT}, 1);
  EXPECT_EQ(engine.scrollX, 99);
  hold({svc::KEY_UP}, 1);
  EXPECT_EQ(engine.scrollY, 99);
  cursor().x = 128;
  hold({svc::KEY_RIGHT}, 1);
  EXPECT_EQ(engine.scrollX, 0);

  // A map smaller than the grid wraps at its own end.
  engine.mapMaxX = 10;
  engine.scrollX = 10;
  hold({svc::KEY_RIGHT}, 1);
  EXPECT_EQ(engine.scrollX, 0);
}

TEST_F(View, CollisionStopsStraightAndDiagonalMoves) {
  cursor().x = 64;
  cursor().y = 64;  // cell (2, 2)
  at(3, 2).useCollision = 1;
  hold({svc::KEY_RIGHT}, 3);
  EXPECT_EQ(cursor().x, 64.0f);
  EXPECT_EQ(cursor().moveCounter, 3);

  at(3, 2).useCollision = 0;
  at(3, 3).useCollision = 1;
  hold({svc::KEY_RIGHT, svc::KEY_DOWN}, 1);
  EXPECT_EQ(cursor().x, 64.0f);
  EXPECT_EQ(cursor().y, 64.0f);
  hold({svc::KEY_RIGHT}, 1);  // the straight neighbour is free
  EXPECT_EQ(cursor().x, 96.0f);

  // Left of the first column is the last one, where the view wraps to.
  cursor().x = 0;
  at(99, 2).useCollision = 1;
  hold({svc::KEY_LEFT}, 1);
  EXPECT_EQ(engine.scrollX, 0);
}

TEST_F(View, CollisionTargetOutsideTheGridIsNeverRead) {
  cursor().x = 1.0e12f;  // far beyond any grid
  cursor().y = -5000.0f;
  collision_check(1, 1);
  EXPECT_EQ(engine.horizontalMove, 1);
  EXPECT_EQ(engine.verticalMove, 1);
  engine.resolution = 0.0f;  // no usable cell size
  collision_check(-1, 0);
  EXPECT_EQ(engine.horizontalMove, -1);
}

TEST_F(View, WheelZoomsWithinBoundsAndRecountsCells) {
  engine.resolution = 64.0f;
  svc::headless::queue_wheel(2);
  wheel_zoom();
  EXPECT_EQ(engine.resolution, 64.0f);
  svc::headless::queue_wheel(-1);
  wheel_zoom();
  EXPECT_EQ(engine.resolution, 63.0f);
  EXPECT_EQ(engine.cellsAcross, 6.0f);  // 320 / 63 rounded up
  engine.resolution = 9.0f;
  svc::headless::queue_wheel(-3);
  wheel_zoom();
  EXPECT_EQ(engine.resolution, 6.0f);
  svc::headless::queue_wheel(-1);
  wheel_zoom();
  EXPECT_EQ(engine.resolution, 6.0f);
}

TEST_F(View, PageKeysActOncePerRelease) {
  for (int i = 0; i < 3; i++) {
    hold({svc::KEY_PAGE_UP}, 2);
    hold({}, 2);
  }
  EXPECT_EQ(engine.baseVariant, 3);
  hold({svc::KEY_PAGE_DOWN}, 1);
  hold({}, 1);
  EXPECT_EQ(engine.baseVariant, 2);
}

TEST_F(View, JoystickMovesThroughTheSameCheck) {
  svc::headless::queue_joystick(501, 0);
  joystick_control();
  EXPECT_EQ(cursor().x, 32.0f);
  svc::headless::queue_joystick(400, 0);
  joystick_control();
  EXPECT_EQ(cursor().x, 32.0f);
}

}  // namespace
