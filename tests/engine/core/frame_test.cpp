// frame_test.cpp -- the frame: relative timer, debug overlay texts, step order
#include "core/frame.h"
#include "core/live_reload.h"
#include "support/engine_fixture.h"
#include "services/input.h"
#include "services/screen.h"
#include "services/text.h"

namespace {

using svc::headless::draw_calls;

class Frame : public EngineFixture {};

TEST_F(Frame, TimerAdvancesOncePerRefreshPeriodPlusOneFrames) {
  engine.refreshPeriod = 60;
  for (int i = 0; i < 60; i++) timer_tick();
  EXPECT_EQ(engine.InGameRelativeTimer, 0);
  EXPECT_EQ(engine.refreshCounter, 60);
  timer_tick();
  EXPECT_EQ(engine.InGameRelativeTimer, 1);
  EXPECT_EQ(engine.refreshCounter, 0);
  for (int i = 0; i < 61; i++) timer_tick();
  EXPECT_EQ(engine.InGameRelativeTimer, 2);
}

TEST_F(Frame, TimerWithPeriodZeroOrLessCountsFrames) {
  for (int period : {0, -5}) {
    reset_engine_state();
    engine.refreshPeriod = period;
    for (int i = 0; i < 17; i++) timer_tick();
    EXPECT_EQ(engine.InGameRelativeTimer, 17) << "period " << period;
  }
}

TEST_F(Frame, OverlayDrawsFiveLinesAtTheTopLeft) {
  svc::dim_array(worldState.world, 4, 4);
  svc::cell(worldState.world, 1, 1)->pictureName = "grass.png";
  engine.InGameRelativeTimer = 7;
  engine.baseVariant = -3;
  engine.mapMaxX = 256;
  engine.mapMaxY = 128;
  svc::headless::clear_draw_calls();
  debug_overlay();
  std::vector<svc::headless::DrawCall> texts = calls("text");
  // A rebuild's line from an earlier case of the same process (the Windows build runs every case in
  // one) may still be showing below the five, as a sixth.
  ASSERT_EQ(texts.size(), live_reload_line().empty() ? 5u : 6u);
  std::vector<std::string> expected = {
      "Debug:  InGameRelativeTimer: 7",
      "Debug: actual map: -3",
      "Debug: GFXMEM:" + svc::int_to_string(svc::free_video_memory()),
      "Debug: max_x 256.000000  max_y: 128.000000",
      "Debug: world: grass.png",
  };
  for (int i = 0; i < 5; i++) {
    EXPECT_EQ(texts[i].text, expected[i]);
    EXPECT_EQ(texts[i].a, 10);
    EXPECT_EQ(texts[i].b, 10 + 14 * i);
    EXPECT_EQ(texts[i].colour, svc::rgb(255, 255, 200));
    EXPECT_EQ(texts[i].colour2, svc::rgb(0, 0, 0));
  }
  // One 2D pass around the five texts.
  EXPECT_EQ(draw_calls().front().kind, "start_drawing");
  EXPECT_EQ(draw_calls().back().kind, "stop_drawing");
}

TEST_F(Frame, OverlayLastLineIsEmptyWhenThereIsNoCellOneOne) {
  svc::dim_array(worldState.world, 0, 0);  // a world of one cell
  EXPECT_EQ(debug_overlay_line(4), "Debug: world: ");
  worldState.world = svc::Grid<WorldCell>{};
  EXPECT_EQ(debug_overlay_line(4), "Debug: world: ");
}

TEST_F(Frame, WithoutSprite3DTheOverlayIsStillDrawnAndFlipped) {
  svc::dim_array(worldState.world, 512, 512);
  engine.useSprite3D = 0;
  engine.resolution = 32;
  svc::headless::clear_draw_calls();
  run_frame();
  run_frame();
  EXPECT_EQ(static_cast<int>(calls("flip").size()), 2);
  EXPECT_EQ(static_cast<int>(calls("clear").size()), 0);  // nothing clears the screen without the world drawing
  EXPECT_EQ(texts_starting("Debug:").size(), 10u);
  // The flip is the frame's last step.
  EXPECT_EQ(draw_calls().back().kind, "flip");
}

TEST_F(Frame, PageUpReleasedShowsTheNewVariantInTheSameFrame) {
  svc::dim_array(worldState.world, 512, 512);
  engine.resolution = 32;
  svc::headless::queue_key_snapshot({svc::KEY_PAGE_UP});
  svc::headless::queue_key_snapshot({});
  run_frame();
  svc::headless::clear_draw_calls();
  run_frame();
  EXPECT_EQ(engine.baseVariant, 1);
  auto lines = texts_starting("Debug: actual map:");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "Debug: actual map: 1");
}

}  // namespace
