// cpu_drawing_test.cpp -- drawing on the CPU gives the pixels of drawing each quad on the renderer:
// one test body, built once per platform that draws 3D sprites
//
// Each case draws the same sequence twice, once as always and once between start_cpu_drawing and
// finish_cpu_drawing, and the two screens must be equal in every pixel: pictures at their own size
// and scaled, opaque and with transparent texels, cut by every edge of the area, and among them the
// draws the canvas cannot copy (partial alpha, a quad alpha, another blend pair) and other drawing,
// which must keep their place in the order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "services/lifecycle.h"
#include "services/pictures.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "services/windows.h"
#include "support/temp_folder.h"

namespace {

constexpr int kWidth = 64, kHeight = 48;

// A w x h picture: colours varied texel by texel; `alpha` gives each texel's alpha.
svc::Picture picture(int w, int h, int seed, const std::function<int(int, int)>& alpha) {
  svc::Picture p;
  p.width = w;
  p.height = h;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      p.rgba.insert(p.rgba.end(), {uint8_t((x * 37 + y * 11 + seed * 50) % 256), uint8_t((x * 5 + y * 71 + seed) % 256),
                                   uint8_t((x * 113 + y * 29 + seed * 7) % 256), uint8_t(alpha(x, y))});
  return p;
}

class CpuDrawingContract : public ::testing::Test {
 protected:
  void SetUp() override {
#if CONTRACT_NEEDS_DISPLAY
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "needs a display (xvfb-run)";
#endif
    svc::start_services();
    started = true;
    svc::register_image_decoders();
    ASSERT_EQ(svc::open_window(1, 0, 0, kWidth, kHeight, "cpu drawing", svc::WINDOW_BORDERLESS), 1);
    ASSERT_NE(svc::open_windowed_screen(svc::window_handle(1), 0, 0, kWidth, kHeight, 1, 0, 0), 0);
    folder = support::make_temp_folder("cpu_drawing");
    ASSERT_NE(folder, "");
    opaque = quad(picture(5, 3, 1, [](int, int) { return 255; }), "opaque.png");
    holes = quad(picture(4, 6, 2, [](int x, int y) { return (x + y) % 3 == 0 ? 0 : 255; }), "holes.png");
    partial = quad(picture(3, 3, 3, [](int x, int y) { return 60 + 40 * x + 20 * y; }), "partial.png");
  }
  void TearDown() override {
    if (!started) return;
    svc::stop_services();
    if (!folder.empty()) support::remove_folder(folder);
  }

  int quad(const svc::Picture& p, const std::string& name) {
    const std::string path = folder + name;
    EXPECT_EQ(svc::write_png(path, p), 1);
    const int sprite = svc::load_sprite(-1, path, svc::SPRITE_TEXTURE);
    EXPECT_NE(sprite, 0) << name;
    const int q = svc::create_sprite3d(-1, sprite);
    EXPECT_NE(q, 0) << name;
    return q;
  }

  void draw(int q, int x, int y, int w, int h, int alpha = 255) {
    svc::zoom_sprite3d(q, w, h);
    svc::display_sprite3d(q, x, y, alpha);
  }

  static std::vector<int32_t> screen() {
    std::vector<int32_t> pixels(size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; y++) svc::points(0, y, kWidth, &pixels[size_t(y) * kWidth]);
    return pixels;
  }

  // The screen after `sequence`, drawn from a black screen as always, then on the CPU; the two
  // must agree. Returns the first difference's description, "" when none.
  std::string compare(const std::function<void()>& sequence) {
    cpuPass = false;
    svc::clear_screen(0);
    svc::start_3d();
    sequence();
    svc::stop_3d();
    const std::vector<int32_t> renderer = screen();
    cpuPass = true;
    svc::clear_screen(0);
    svc::start_3d();
    const int onCpu = svc::start_cpu_drawing(0);
#if CONTRACT_DRAWS_ON_CPU
    EXPECT_EQ(onCpu, 1) << "this platform draws on the CPU";
#else
    EXPECT_EQ(onCpu, 0) << "this platform draws every quad itself";
#endif
    sequence();
    svc::finish_cpu_drawing();
    svc::stop_3d();
    const std::vector<int32_t> cpu = screen();
    int differ = 0;
    std::string first;
    for (size_t i = 0; i < cpu.size(); i++)
      if (cpu[i] != renderer[i] && differ++ == 0)
        first = "(" + std::to_string(i % kWidth) + ", " + std::to_string(i / kWidth) + "): " + std::to_string(cpu[i]) +
                " on the CPU, " + std::to_string(renderer[i]) + " on the renderer";
    if (renderer == std::vector<int32_t>(renderer.size(), renderer[0])) return "the sequence drew nothing to compare";
    return differ ? std::to_string(differ) + " pixels differ, first at " + first : "";
  }

  bool started = false;
  bool cpuPass = false;  // The sequence runs the second time, on the CPU
  std::string folder;
  int opaque = 0, holes = 0, partial = 0;
};

// Pictures at their own size and scaled up and down, overlapping, and cut by each edge.
TEST_F(CpuDrawingContract, CopiedPicturesGiveTheRenderersPixelsAtEverySizeAndEdge) {
  EXPECT_EQ(compare([&] {
              draw(opaque, 0, 0, 5, 3);
              draw(holes, 3, 1, 4, 6);
              draw(opaque, 10, 4, 11, 7);   // scaled up, by a size that puts samples on texel edges
              draw(holes, 12, 6, 9, 13);
              draw(holes, 30, 5, 2, 3);     // scaled down
              draw(opaque, 34, 5, 1, 1);
              draw(opaque, -3, 20, 5, 3);   // cut by the left edge
              draw(holes, 20, -4, 4, 6);    // the top
              draw(holes, kWidth - 2, 30, 8, 12);  // the right
              draw(opaque, 40, kHeight - 1, 10, 6);  // the bottom
              draw(opaque, -20, -20, 5, 3);          // wholly outside
              draw(holes, kWidth, kHeight, 4, 6);
              for (int i = 0; i < 40; i++) draw(i % 2 ? holes : opaque, (i * 7) % 60, 20 + (i * 5) % 20, 2, 2);
            }),
            "");
}

// Draws the canvas cannot copy go to the renderer in their place, and the copies after them on top.
TEST_F(CpuDrawingContract, DrawsTheCanvasCannotCopyKeepTheirPlaceInTheOrder) {
  EXPECT_EQ(compare([&] {
              draw(opaque, 0, 0, 20, 12);
              draw(partial, 4, 2, 9, 9);  // partial alpha
              draw(holes, 6, 4, 8, 12);   // over it again
              draw(opaque, 24, 0, 10, 6, 128);  // a quad alpha
              draw(holes, 26, 2, 4, 6);
              svc::sprite3d_blending_mode(svc::BLEND_ONE, svc::BLEND_ONE);  // additive
              draw(opaque, 28, 2, 10, 6);
              svc::sprite3d_blending_mode(svc::BLEND_SRC_ALPHA, svc::BLEND_INV_SRC_ALPHA);
              draw(holes, 30, 3, 4, 6);
              svc::sprite3d_quality(1);  // filtered scaling
              draw(opaque, 40, 20, 13, 9);
              svc::sprite3d_quality(0);
              draw(holes, 44, 22, 8, 12);
            }),
            "");
}

// Other drawing in between (a box, a pixel read, a target sprite) sees and keeps the order too.
TEST_F(CpuDrawingContract, OtherDrawingInBetweenKeepsTheOrder) {
  int32_t seen = -2;
  EXPECT_EQ(compare([&] {
              draw(opaque, 0, 0, 10, 6);
              svc::start_drawing(svc::screen_output());
              svc::draw_box(4, 2, 10, 10, svc::rgb(200, 10, 90));
              svc::stop_drawing();
              draw(holes, 6, 4, 8, 12);
              seen = svc::point(2, 2);  // a read sees what was drawn
              const int target = svc::create_target_sprite(-1, 16, 16);
              if (target) {
                svc::draw_into_sprite(target);
                svc::clear_screen(svc::rgb(0, 0, 0));
                const int inside = cpuPass ? svc::start_cpu_drawing(0) : 0;
                draw(holes, 2, 2, 8, 12);
                draw(opaque, -2, 10, 10, 6);
                if (inside) svc::finish_cpu_drawing();
                svc::draw_into_sprite(0);
                const int shown = svc::create_sprite3d(-1, target);
                svc::display_sprite3d(shown, 40, 20, 255);
                svc::free_sprite3d(shown);
                svc::free_sprite(target);
              }
              draw(opaque, 44, 24, 5, 3);
            }),
            "");
  EXPECT_NE(seen, 0) << "a pixel read during the drawing on the CPU saw the screen as cleared";
}

}  // namespace
