// sdl_frame_cache_test.cpp -- on the SDL screen (a GPU renderer under Xvfb), frames drawn from kept
// blocks equal, pixel for pixel, frames drawn cell by cell
#include <cstdlib>

#include "services/lifecycle.h"
#include "services/windows.h"
#include "support/frame_cache_world.h"
#include "support/temp_folder.h"

namespace {

constexpr int kWidth = 400, kHeight = 240;

class SdlFrameCache : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
    svc::start_services();
    reset_engine_state();
    forget_world();
    const int window = svc::open_window(-1, 0, 0, kWidth, kHeight, "sdl frame cache test", svc::WINDOW_BORDERLESS);
    ASSERT_GE(window, 1);
    ASSERT_NE(svc::open_windowed_screen(svc::window_handle(window), 0, 0, kWidth, kHeight, 1, 0, 0), 0);
    dir = support::make_temp_folder("sdl_frame_cache_");
    ASSERT_NE(dir, "");
    pictures = support::load_cache_world_pictures(dir);
  }
  void TearDown() override {
    if (dir.empty()) return;
    forget_world();
    svc::stop_services();
    support::remove_folder(dir);
  }
  std::string dir;
  support::CacheWorldPictures pictures;
};

TEST_F(SdlFrameCache, ScrollsAndZoomsGiveThePixelsOfTheCellByCellDrawing) {
  support::build_cache_world(pictures, 99, 69, 7.0f, kWidth, kHeight);
  support::expect_scrolls_and_zooms_exact(kWidth, kHeight);
}

}  // namespace
