// sdl_world_drawing_test.cpp -- the engine's world drawing on the SDL platform under Xvfb, read back by pixel
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/state.h"
#include "core/engine.h"
#include "core/world_drawing.h"
#include "services/screen.h"
#include "services/text.h"
#include "support/bmp.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace {

std::string solid_bmp(int r, int g, int b) {
  return support::bmp_bytes(8, 8, [&](int, int) { return support::Rgb{r, g, b}; });
}

// A grass world of 8 x 8 cells; cell (0, 0) also grows an object drawn additively (DXMODE 2, 2).
// The smoothing pass must draw its grab opaque: a grass pixel far from the object keeps its colour
// instead of being added to itself.
TEST(SdlWorldDrawing, SmoothingPassDrawsItsGrabOpaqueAfterAnAdditiveObject) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  support::WorkFolder folder;
  ASSERT_TRUE(support::enter_temp_folder(folder, "sdl_world_"));
  const std::string& dir = folder.dir;
  std::string code = "QZ61\r\n7\r\n7\r\n\r\n\r\n", red = "RED\r\n7\r\n7\r\n\r\n\r\n";
  for (int i = 0; i < 64; i++) {
    code += i == 0 ? "001\r\n001\r\n001\r\n" : "000\r\n000\r\n000\r\n";
    red += "255\r\n";
  }
  support::write_file(dir + "maps/start.qz61", code);
  support::write_file(dir + "maps/start.red", red);
  support::write_file(dir + "topo/grass.bmp", solid_bmp(40, 160, 40));
  support::write_file(dir + "objects/glow.bmp", solid_bmp(40, 160, 40));
  support::write_file(dir + "objects/glow.dll",
                      support::join_lines({"DGFXNAME", "glow", "DDENSITY", "0", "DGFXSHOW", "1", "DGFXTRANSPARENCY",
                                           "255", "DXMODE1", "2", "DXMODE2", "2"}));
  support::write_file(dir + "codes/start/000000000", support::join_lines({"GFXNAME", "grass.bmp"}));
  support::write_file(dir + "codes/start/001001001", support::join_lines({"GFXNAME", "grass.bmp", "CHILD1", "glow"}));
  support::write_file(dir + "DATA/ini.txt",
                      support::join_lines({"RESOLUTION", "32", "USESPRITE3D", "1", "APPENTRY", "maps/", "APPSTART",
                                           "start", "TOPOGFX", "topo/", "WORLDGFX", "objects/", "GFXCODEC", ".bmp",
                                           "RGBCODEPATH", "codes/", "WORLDRANDOM", "1"}));
  engine_startup(true);
  engine.smoothingPass = 1;
  draw_world();
  const int32_t far = svc::point(5 * 32 + 16, 5 * 32 + 16);
  draw_world();  // the second frame frees and grabs again
  const int32_t again = svc::point(5 * 32 + 16, 5 * 32 + 16);
  engine_shutdown();
  support::leave_temp_folder(folder);
  for (int32_t got : {far, again}) {
    EXPECT_NEAR(svc::red(got), 40, 3);
    EXPECT_NEAR(svc::green(got), 160, 3);
    EXPECT_NEAR(svc::blue(got), 40, 3);
  }
}

}  // namespace
