// world_drawing_test.cpp -- the visiting order, ground and object passes, blend modes, refit, smoothing, boxes
#include <string>
#include <vector>

#include "core/world_drawing.h"
#include "services/headless.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "support/engine_fixture.h"

namespace {

using svc::headless::DrawCall;

class Drawing : public EngineFixture {
 protected:
  int picture = 0;

  void SetUp() override {
    EngineFixture::SetUp();
    write_bmp("g.bmp", 2, 2, 0, 128, 0);
    picture = svc::load_sprite(-1, dir + "g.bmp", 4);
    prepare_world(99, 99);
    engine.smoothingPass = 0;
    engine.zoomedCellSize = 32;
    engine.frameCache = 0;  // the passes' own draws are counted here
  }
  void give_ground(int x, int y, int alpha = 255) {
    at(x, y).groundSprite = svc::create_sprite3d(-1, picture);
    at(x, y).groundAlpha = alpha;
  }
  // One visible instance on the cell's slot 0.
  ObjectInstance& give_object(int x, int y, int blendSource = 0, int blendTarget = 0) {
    ObjectInstance* i = svc::append_element(worldState.instanceList);
    *i = ObjectInstance{1, 200, svc::create_sprite3d(-1, picture), 0, 2, 2, 0, 0, blendSource, blendTarget};
    at(x, y).childInstance[0] = svc::list_size(worldState.instanceList) - 1;
    at(x, y).lastChildSlot = 0;
    return *i;
  }
};

TEST_F(Drawing, EachPassVisitsOneColumnMoreThanFitsAndNothingOutsideTheGrid) {
  for (int x = 0; x <= 99; x++)
    for (int y = 0; y <= 99; y++) give_ground(x, y);
  engine.scrollX = 3;
  engine.scrollY = 2;
  draw_world();
  std::vector<DrawCall> quads = calls("sprite3d");
  ASSERT_EQ(quads.size(), 41u * 23u);
  EXPECT_EQ(quads[40].a, at(43, 2).groundSprite);
  EXPECT_EQ(quads[40].b, 40 * 32);
  EXPECT_EQ(quads[41].c, 32);
  at(44, 2).occupied = -1;  // just outside the view: not recomputed
  draw_world();
  EXPECT_EQ(at(43, 24).occupied, 0);
  EXPECT_EQ(at(44, 2).occupied, -1);

  svc::headless::clear_draw_calls();
  engine.scrollX = 97;  // the view runs past the grid's last column
  draw_world();
  EXPECT_EQ(calls("sprite3d").size(), 3u * 23u);
  engine.cellsAcross = 1.0e30f;
  draw_world();
}

TEST_F(Drawing, ObjectsNeedGroundAndLoadedCellsButNotGroundAlpha) {
  give_ground(0, 0, 0);
  give_object(0, 0).offsetX = 5.0f;
  give_ground(1, 0);
  at(1, 0).loaded = 0;
  give_object(1, 0);
  give_ground(2, 0);
  give_object(2, 0).show = 0;
  give_ground(3, 0);
  give_object(3, 0).collision = 1;
  for (int& i : at(3, 0).childInstance) i = -1;
  at(3, 0).childInstance[0] = 57;  // no such instance
  at(3, 0).lastChildSlot = 12;     // beyond the eight slots
  draw_world();
  std::vector<DrawCall> quads = calls("sprite3d");
  ASSERT_EQ(quads.size(), 3u);  // the object of (0, 0), the grounds of (2, 0) and (3, 0)
  EXPECT_EQ(quads[2].b, 5);
  EXPECT_EQ(quads[2].d, 200);
  EXPECT_EQ(at(3, 0).occupied, 0);
}

TEST_F(Drawing, BlendModeIsSetPerInstance) {
  for (int x = 0; x < 3; x++) give_ground(x, 0);
  give_object(0, 0, 2, 2).collision = 1;
  give_object(1, 0);
  give_object(2, 0, 0, 9);
  draw_world();
  std::vector<DrawCall> quads = calls("sprite3d");
  ASSERT_EQ(quads.size(), 6u);
  EXPECT_EQ(quads[3].e * 10 + quads[3].f, 22);  // additive
  EXPECT_EQ(quads[4].e * 10 + quads[4].f, 56);  // back to source alpha, inverse source alpha
  EXPECT_EQ(quads[5].e * 10 + quads[5].f, 9);
  EXPECT_EQ(at(0, 0).occupied, 1);
  EXPECT_EQ(at(1, 0).occupied, 0);
}

TEST_F(Drawing, ZoomRefitsGroundOnceAndScrollMinusOneShowsTheLastColumn) {
  give_ground(0, 0);
  give_ground(1, 0, 0);
  give_ground(99, 99);
  draw_world();
  EXPECT_TRUE(calls("zoom").empty());
  svc::headless::clear_draw_calls();
  engine.resolution = 33.0f;  // the wheel turned by one notch
  engine.scrollX = engine.scrollY = -1;
  draw_world();
  EXPECT_EQ(engine.scrollX, 99);
  EXPECT_EQ(engine.scrollY, 99);
  EXPECT_EQ(calls("zoom").size(), 2u);  // the alpha-0 cell is not refitted
  int w = 0, h = 0;
  svc::headless::sprite3d_size(at(99, 99).groundSprite, &w, &h);
  EXPECT_EQ(w * 100 + h, 3333);
  ASSERT_EQ(calls("sprite3d").size(), 1u);
  EXPECT_EQ(calls("sprite3d")[0].a, at(99, 99).groundSprite);
  svc::headless::clear_draw_calls();
  draw_world();
  EXPECT_TRUE(calls("zoom").empty());
}

TEST_F(Drawing, SmoothingPassGrabsShiftedAndFreesTheLastFrame) {
  svc::headless::set_desktop(64, 64);
  engine.screenWidth = engine.screenHeight = 64.0f;
  engine.cellsAcross = engine.cellsDown = 2.0f;
  svc::open_window(-1, 0, 0, 64, 64, "", 1);
  svc::open_windowed_screen(svc::window_handle(1), 0, 0, 64, 64, 1, 0, 0);
  engine.smoothingPass = 1;
  draw_world();
  draw_world();
  std::vector<DrawCall> grabs = calls("grab");
  ASSERT_EQ(grabs.size(), 2u);
  EXPECT_EQ(grabs[0].b * 100 + grabs[0].c, 101);
  EXPECT_EQ(grabs[0].d, 64);
  EXPECT_EQ(svc::headless::live_sprite3d_count(), 1);  // only this frame's grab
  svc::headless::clear_draw_calls();
  engine.smoothingPass = 0;
  draw_world();
  EXPECT_TRUE(calls("grab").empty());
  ASSERT_EQ(calls("quality").size(), 1u);
}

TEST_F(Drawing, PositionBoxColourAndObjectName) {
  cursor().x = 32;
  at(1, 0).occupied = 1;
  at(1, 0).childName[0] = "oak";
  draw_position_boxes();
  ASSERT_EQ(calls("box").size(), 1u);
  EXPECT_EQ(calls("box")[0].colour, svc::rgb(255, 0, 0));
  ASSERT_EQ(calls("text").size(), 1u);
  EXPECT_EQ(calls("text")[0].text, "CHILD1NAME:oak");
  svc::headless::clear_draw_calls();
  at(1, 0).occupied = -1;
  draw_position_boxes();
  EXPECT_EQ(calls("box")[0].colour, svc::rgb(0, 255, 0));
  EXPECT_TRUE(calls("text").empty());
  cursor().x = -1.0e20f;  // no cell under the cursor
  draw_position_boxes();
}

}  // namespace
