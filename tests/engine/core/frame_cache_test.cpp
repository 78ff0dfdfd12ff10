// frame_cache_test.cpp -- frames drawn from kept blocks equal, pixel for pixel, frames drawn cell by cell
// (tests/gui/sdl_frame_cache_test.cpp runs the same comparison on the SDL screen)
#include "support/frame_cache_world.h"

#include "services/windows.h"
#include "world/objects.h"
#include "support/engine_fixture.h"

namespace {

constexpr int kWidth = 320, kHeight = 200;

class FrameCache : public EngineFixture {
 protected:
  support::CacheWorldPictures pictures;

  void SetUp() override {
    EngineFixture::SetUp();
    ASSERT_EQ(svc::open_window(1, 0, 0, kWidth, kHeight, "cache", svc::WINDOW_BORDERLESS), 1);
    ASSERT_NE(svc::open_windowed_screen(svc::window_handle(1), 0, 0, kWidth, kHeight, 1, 0, 0), 0);
    pictures = support::load_cache_world_pictures(dir);
  }
};

TEST_F(FrameCache, ScrollsAndZoomsGiveThePixelsOfTheCellByCellDrawing) {
  support::build_cache_world(pictures, 79, 59, 7.0f, kWidth, kHeight);
  support::expect_scrolls_and_zooms_exact(kWidth, kHeight);
}

// The first frame after a change is the passes', the next draws the blocks, a still frame copies
// them; a change the world notes (a reload, a rebuild) draws them again.
TEST_F(FrameCache, StillFramesCopyBlocksAndNotedChangesRedrawThem) {
  support::build_cache_world(pictures, 59, 39, 8.0f, kWidth, kHeight);
  engine.frameCache = 1;
  draw_world();
  EXPECT_EQ(frame_cache_figures().blocks, 0);
  draw_world();
  EXPECT_GT(frame_cache_figures().drawnBlocks, 0);
  draw_world();
  EXPECT_EQ(frame_cache_figures().drawnBlocks, 0);
  EXPECT_GT(frame_cache_figures().blocks, 0);
  EXPECT_LE(frame_cache_figures().bytes, kFrameCacheBytes);

  at(3, 2).groundSprite = svc::create_sprite3d(-1, pictures.grounds[(3 * 7 + 2 * 13 + 1) % 3]);
  svc::zoom_sprite3d(at(3, 2).groundSprite, 8, 8);
  at(3, 2).groundAlpha = 255;
  note_drawing_changed();
  support::expect_same_frame("after a noted change", kWidth, kHeight);
}

// A placement that finds nothing to place empties the cell's slots and leaves `occupied` at -1 (a
// green box) until the next frame: the kept blocks lose its objects, and the frame sets `occupied`
// again, also on a cell the cache had set before.
TEST_F(FrameCache, APlacementThatPlacesNothingIsDrawnAndOccupiedAgain) {
  support::build_cache_world(pictures, 59, 39, 8.0f, kWidth, kHeight);
  for (auto* n = worldState.instanceList.head; n; n = n->next) n->value.collision = 1;
  note_drawing_changed();
  support::expect_same_frame("start", kWidth, kHeight);
  ASSERT_EQ(at(4, 2).occupied, 1);
  place_cell_objects(at(4, 2));  // no CHILD names: nothing is placed
  ASSERT_EQ(at(4, 2).occupied, -1);
  support::expect_same_frame("after an empty placement", kWidth, kHeight);
  EXPECT_EQ(at(4, 2).occupied, 0);
}

// Objects that reach cells the view does not visit (above and left of it, below its last row) are
// not drawn there by the passes, and the cache leaves them out too.
TEST_F(FrameCache, CellsOutsideTheViewDoNotReachIntoIt) {
  support::build_cache_world(pictures, 59, 39, 6.0f, kWidth, kHeight);
  engine.cellsDown = 30.0f;  // rows 0..29 visited: 180 of 200 pixels
  for (auto* n = worldState.instanceList.head; n; n = n->next) svc::zoom_sprite3d(n->value.sprite3d, 20, 20);
  note_drawing_changed();
  engine.scrollX = 6;
  engine.scrollY = 4;
  support::expect_same_frame("overhanging objects", kWidth, kHeight);
  engine.scrollX++;
  engine.scrollY++;
  support::expect_same_frame("overhanging objects, scrolled", kWidth, kHeight);
}

// The renderer losing its targets (Direct3D's device reset) draws every block again.
TEST_F(FrameCache, LostTargetsAreDrawnAgain) {
  support::build_cache_world(pictures, 59, 39, 8.0f, kWidth, kHeight);
  engine.frameCache = 1;
  draw_world();
  draw_world();
  svc::headless::lose_target_sprites();
  support::expect_same_frame("after the targets were lost", kWidth, kHeight);
}

// Video memory running out part way through a frame's blocks: the blocks copied so far are
// cleared away and the passes draw the frame; the next frames try the cache again.
TEST_F(FrameCache, TargetsRunningOutPartWayLeaveTheFrameToThePasses) {
  support::build_cache_world(pictures, 59, 39, 8.0f, kWidth, kHeight);
  engine.frameCache = 1;
  draw_world();  // the passes' first frame
  svc::headless::fail_target_sprites_after(2);
  support::expect_same_frame_without_blocks("two blocks, then no more targets", kWidth, kHeight);
  svc::headless::fail_target_sprites_after(-1);
  support::expect_same_frame("with targets again", kWidth, kHeight);
}

// A renderer that resets while a frame is drawn empties the blocks drawn before that moment in the
// frame and those kept from earlier frames. Whichever switch of target it meets (between blocks,
// before a strip), that frame and the next still show exactly the world: no magenta, no stale block.
TEST_F(FrameCache, TargetsLostWhileAFrameIsDrawnNeverReachTheScreen) {
  support::build_cache_world(pictures, 59, 39, 8.0f, kWidth, kHeight);
  auto direct_frame = [] {
    engine.frameCache = 2;
    draw_world();
    engine.frameCache = 1;
    return support::read_screen(kWidth, kHeight);
  };
  auto expect_frame = [](const std::vector<int32_t>& want, const std::string& what) {
    const std::vector<int32_t> got = support::read_screen(kWidth, kHeight);
    int wrong = 0;
    for (size_t i = 0; i < want.size(); i++)
      if (got[i] != want[i] && wrong++ < 3)
        ADD_FAILURE() << what << ": pixel (" << i % kWidth << ", " << i / kWidth << ") " << std::hex << got[i]
                      << " instead of " << want[i];
    EXPECT_EQ(wrong, 0) << what;
  };
  // From column 8 to 9 a column of blocks comes into view at the right: drawn in each row, between
  // blocks kept from the frame before.
  engine.scrollX = 8, engine.scrollY = 2;
  const std::vector<int32_t> still = direct_frame();
  engine.scrollX = 9;
  const std::vector<int32_t> scrolled = direct_frame();
  for (int at : {1, 2, 5, 9}) {  // 9: beyond the switches of the frame that draws the blocks
    const std::string when = "targets lost at switch " + std::to_string(at);
    // The frame that draws every block.
    forget_frame_cache();
    engine.scrollX = 8;
    draw_world();  // the passes' frame after a change
    svc::headless::lose_target_sprites_at(at);
    draw_world();
    expect_frame(still, when + " of the frame that draws the blocks");
    draw_world();
    expect_frame(still, when + ", the frame after");
    svc::headless::lose_target_sprites_at(0);  // a switch beyond this frame's would have come in the next
    draw_world();
    EXPECT_GT(frame_cache_figures().blocks, 0) << when << ": the blocks are kept again";
    // A scroll: blocks kept from the last frame are copied, the uncovered ones drawn.
    svc::headless::lose_target_sprites_at(at);
    engine.scrollX = 9;
    draw_world();
    expect_frame(scrolled, when + " of a scroll");
    draw_world();
    expect_frame(scrolled, when + ", the frame after a scroll");
    svc::headless::lose_target_sprites_at(0);
  }
}

// A world whose object offsets are beyond any screen is drawn by the passes, not the cache.
TEST_F(FrameCache, OffsetsBeyondAnyScreenLeaveTheFrameToThePasses) {
  support::build_cache_world(pictures, 19, 19, 8.0f, kWidth, kHeight);
  worldState.instanceList.head->value.offsetX = 1.0e20f;
  note_drawing_changed();
  engine.frameCache = 1;
  draw_world();
  draw_world();
  EXPECT_EQ(frame_cache_figures().blocks, 0);
}

}  // namespace
