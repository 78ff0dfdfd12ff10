// drawing_test.cpp -- the visiting order, ground and object passes, blend modes, refit, smoothing, boxes
#include <string>
#include <vector>

#include "core/world_drawing.h"
#include "services/headless.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "world_fixture.h"

namespace {

using svc::headless::DrawCall;

class Drawing : public WorldFixture {
 protected:
  int picture = 0;

  void SetUp() override {
    WorldFixture::SetUp();
    svc::headless::set_desktop(64, 64);  // keep the CPU blending small; the view sizes are set by hand
    write_bmp("g.bmp", 2, 2, 0, 128, 0);
    picture = svc::load_sprite(-1, dir + "g.bmp", 4);
    prepare_world(99, 99);
    engine.smoothingPass = 0;
    engine.zoomedCellSize = 32;
  }

  void give_ground(int x, int y, int alpha = 255) {
    at(x, y).groundSprite = svc::create_sprite3d(-1, picture);
    at(x, y).groundAlpha = alpha;
  }

  // One instance on the cell's slot 0.
  ObjectInstance& give_object(int x, int y, int blendSource = 0, int blendTarget = 0) {
    ObjectInstance* i = svc::append_element(worldState.instanceList);
    i->sprite3d = svc::create_sprite3d(-1, picture);
    i->show = 1;
    i->transparency = 200;
    i->blendSource = blendSource;
    i->blendTarget = blendTarget;
    at(x, y).childInstance[0] = svc::list_size(worldState.instanceList) - 1;
    at(x, y).lastChildSlot = 0;
    return *i;
  }

  static std::vector<DrawCall> calls(const std::string& kind) {
    std::vector<DrawCall> out;
    for (const auto& c : svc::headless::draw_calls())
      if (c.kind == kind) out.push_back(c);
    return out;
  }
};

TEST_F(Drawing, EachPassVisitsOneColumnMoreThanFits) {
  for (int x = 0; x <= 99; x++)
    for (int y = 0; y <= 99; y++) give_ground(x, y);
  engine.scrollX = 3;
  engine.scrollY = 2;
  draw_world();
  std::vector<DrawCall> quads = calls("sprite3d");
  ASSERT_EQ(quads.size(), 41u * 23u);
  EXPECT_EQ(quads[0].a, at(3, 2).groundSprite);
  EXPECT_EQ(quads[40].a, at(43, 2).groundSprite);
  EXPECT_EQ(quads[40].b, 40 * 32);
  EXPECT_EQ(quads[41].c, 32);
  // Every visited cell's `occupied` was recomputed; one just outside the view was not.
  EXPECT_EQ(at(43, 24).occupied, 0);
  at(44, 2).occupied = -1;
  draw_world();
  EXPECT_EQ(at(44, 2).occupied, -1);
}

TEST_F(Drawing, ViewBeyondTheGridIsSkipped) {
  svc::dim_array(worldState.world, 3, 3);
  for (auto& c : worldState.world.cells) c.loaded = 1;
  for (int x = 0; x <= 3; x++)
    for (int y = 0; y <= 3; y++) give_ground(x, y);
  engine.mapMaxX = engine.mapMaxY = 3;
  engine.scrollX = 2;
  draw_world();
  EXPECT_EQ(calls("sprite3d").size(), 2u * 4u);
  engine.cellsAcross = 1.0e30f;  // nonsense counts draw nothing outside the grid either
  draw_world();
}

TEST_F(Drawing, GroundAlphaZeroHidesGroundButNotObjects) {
  give_ground(0, 0, 0);
  give_object(0, 0).offsetX = 5.0f;
  give_ground(1, 0);
  at(1, 0).loaded = 0;  // not part of the map: neither ground nor objects
  give_object(1, 0);
  draw_world();
  std::vector<DrawCall> quads = calls("sprite3d");
  ASSERT_EQ(quads.size(), 1u);
  EXPECT_EQ(quads[0].b, 5);
  EXPECT_EQ(quads[0].d, 200);
}

TEST_F(Drawing, BlendModeIsSetPerInstance) {
  give_ground(0, 0);
  give_ground(1, 0);
  give_ground(2, 0);
  give_object(0, 0, 2, 2).collision = 1;
  give_object(1, 0);
  give_object(2, 0, 0, 9);
  draw_world();
  std::vector<DrawCall> objects;
  for (const auto& c : calls("sprite3d"))
    if (c.a == svc::select_element(worldState.instanceList, 0)->sprite3d ||
        c.a == svc::select_element(worldState.instanceList, 1)->sprite3d ||
        c.a == svc::select_element(worldState.instanceList, 2)->sprite3d)
      objects.push_back(c);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0].e, 2);  // additive
  EXPECT_EQ(objects[0].f, 2);
  EXPECT_EQ(objects[1].e, 5);  // back to source alpha, inverse source alpha
  EXPECT_EQ(objects[1].f, 6);
  EXPECT_EQ(objects[2].e, 0);
  EXPECT_EQ(objects[2].f, 9);
  EXPECT_EQ(at(0, 0).occupied, 1);
  EXPECT_EQ(at(1, 0).occupied, 0);
}

TEST_F(Drawing, HiddenAndUnknownInstancesAreSkipped) {
  give_ground(0, 0);
  give_object(0, 0).show = 0;
  give_ground(1, 0);
  give_object(1, 0).collision = 1;
  at(1, 0).childInstance[0] = 57;  // no such instance
  at(1, 0).lastChildSlot = 12;     // beyond the eight slots
  draw_world();
  EXPECT_EQ(calls("sprite3d").size(), 2u);  // the two grounds only
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
  engine.scrollX = -1;
  engine.scrollY = -1;
  draw_world();
  EXPECT_EQ(engine.scrollX, 99);
  EXPECT_EQ(engine.scrollY, 99);
  std::vector<DrawCall> zooms = calls("zoom");
  ASSERT_EQ(zooms.size(), 2u);  // the alpha-0 cell is not refitted
  int w = 0, h = 0;
  svc::headless::sprite3d_size(at(99, 99).groundSprite, &w, &h);
  EXPECT_EQ(w, 33);
  EXPECT_EQ(h, 33);
  EXPECT_EQ(engine.zoomedCellSize, 33);
  std::vector<DrawCall> quads = calls("sprite3d");
  ASSERT_EQ(quads.size(), 1u);
  EXPECT_EQ(quads[0].a, at(99, 99).groundSprite);
  svc::headless::clear_draw_calls();
  draw_world();
  EXPECT_TRUE(calls("zoom").empty());
}

TEST_F(Drawing, SmoothingPassGrabsShiftedAndFreesTheLastFrame) {
  engine.screenWidth = 64.0f;
  engine.screenHeight = 64.0f;
  engine.cellsAcross = 2.0f;
  engine.cellsDown = 2.0f;
  svc::open_window(-1, 0, 0, 64, 64, "", 1);
  svc::open_windowed_screen(svc::window_handle(1), 0, 0, 64, 64, 1, 0, 0);
  engine.smoothingPass = 1;
  draw_world();
  draw_world();
  std::vector<DrawCall> grabs = calls("grab");
  ASSERT_EQ(grabs.size(), 2u);
  EXPECT_EQ(grabs[0].b, 1);
  EXPECT_EQ(grabs[0].c, 1);
  EXPECT_EQ(grabs[0].d, 64);
  EXPECT_EQ(svc::headless::live_sprite3d_count(), 1);  // only this frame's grab
  std::vector<DrawCall> quality = calls("quality");
  ASSERT_EQ(quality.size(), 4u);
  EXPECT_EQ(quality[0].a, 1);
  EXPECT_EQ(quality[1].a, 0);

  engine.smoothingPass = 0;
  svc::headless::clear_draw_calls();
  draw_world();
  EXPECT_TRUE(calls("grab").empty());
  ASSERT_EQ(calls("quality").size(), 1u);
}

TEST_F(Drawing, PositionBoxColourAndObjectName) {
  cursor().x = 32;
  cursor().y = 0;
  at(1, 0).occupied = 1;
  at(1, 0).childName[0] = "oak";
  draw_position_boxes();
  std::vector<DrawCall> boxes = calls("box");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].colour, svc::rgb(255, 0, 0));
  EXPECT_EQ(boxes[0].d, 32);
  std::vector<DrawCall> texts = calls("text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "CHILD1NAME:oak");

  svc::headless::clear_draw_calls();
  at(1, 0).occupied = -1;
  draw_position_boxes();
  EXPECT_EQ(calls("box")[0].colour, svc::rgb(0, 255, 0));
  EXPECT_TRUE(calls("text").empty());

  cursor().x = -1.0e20f;  // no cell under the cursor
  draw_position_boxes();
}

}  // namespace
