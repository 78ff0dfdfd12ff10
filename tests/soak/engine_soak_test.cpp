// engine_soak_test.cpp -- simengine left running for hours: labyrinth variants paged through a thousand
// times, and a hundred thousand frames of scrolling and zooming over a 512 x 512 world, with its
// resident memory settling after the first tenth
#include <cstdlib>
#include <string>
#include <vector>

#include "core/engine.h"
#include "core/frame.h"
#include "support/engine_fixture.h"
#include "services/input.h"
#include "support/soak_memory.h"

namespace {

class EngineSoak : public EngineFixture {
 protected:
  // One pass of the main loop with these keys held and this wheel step: the rebuild a variant
  // change asks for, one event, one frame.
  static void pass(const std::vector<int>& keys, int wheel = 0) {
    svc::headless::queue_key_snapshot(keys);
    if (wheel) svc::headless::queue_wheel(wheel);
    svc::headless::queue_event(svc::EVENT_NONE);
    rebuild_if_variant_changed();
    engine.lastEvent = svc::wait_window_event(0);
    run_frame();
  }

  // Ground pictures and an object that every cell of two codes places, so each build and frame
  // allocates sprites, instances and definitions.
  void write_pictures_and_objects() {
    write_bmp("topo/grass.bmp", 8, 8, 0, 160, 0);
    write_bmp("topo/water.bmp", 8, 8, 0, 0, 200);
    write_bmp("objects/tree.bmp", 6, 6, 120, 60, 0);
    write_lines("objects/tree.dll", {"DGFXNAME", "tree", "DDENSITY", "2", "DGFXSHOW", "1", "DCOLLISION", "1"});
    for (const std::string& tile : kTiles) write_bmp("topo/" + tile + ".bmp", 4, 4, 90, 90, 90);
  }
};

TEST_F(EngineSoak, AThousandLabyrinthRebuildsDoNotGrow) {
  write_pictures_and_objects();
  write_config(lab_config(120, 120, {{"MAPSIZE", "100"}, {"USESPRITE3D", "1"}, {"WORLDGFX", "objects/"}, {"TOPOGFX", "topo/"},
                                     {"GFXCODEC", ".bmp"}, {"LABSWITCH", "3"}}));
  write_lines("codes/lab/LAB_FLOOR", {"GFXNAME", "LAB_FLOOR.bmp", "CHILD1", "tree", "CHILD2", "tree"});
  svc::headless::set_desktop(1280, 720);
  svc::headless::record_drawing(false);
  const long rebuilds = 1000;
  ResidentTrace trace("labyrinth rebuilds", rebuilds);
  svc::headless::run_program([&]() -> int {
    engine_startup(true);
    // Page Up twice for each Page Down: the variants wander upwards, so the bases change size.
    for (long n = 1; n <= rebuilds; n++) {
      const int key = n % 3 == 0 ? svc::KEY_PAGE_DOWN : svc::KEY_PAGE_UP;
      const int before = engine.builtVariant;
      pass({key});
      pass({});  // the key comes up: the variant steps
      pass({});  // the next pass rebuilds before it polls
      EXPECT_NE(engine.builtVariant, before) << n;
      trace.after(n);
    }
    engine_shutdown();
    return 0;
  });
  trace.check();
}

TEST_F(EngineSoak, AHundredThousandFramesOfScrollingAndZoomingDoNotGrow) {
  write_pictures_and_objects();
  // A 512 x 512 world of grass with a cross of water, every grass cell naming the tree twice.
  std::vector<std::string> code = {"AI", "511", "511", "SourceImage:", "AI-DATA:"};
  std::vector<std::string> red = {"RED", "511", "511", "SourceImage:", "RED-DATA:"};
  code.reserve(code.size() + 512 * 512 * 3);
  red.reserve(red.size() + 512 * 512);
  for (int x = 0; x < 512; x++)
    for (int y = 0; y < 512; y++) {
      const bool water = x == 256 || y == 256;
      code.insert(code.end(), {"000", water ? "000" : "160", water ? "200" : "000"});
      red.push_back("255");
    }
  write_lines("maps/land.qz61", code);
  write_lines("maps/land.red", red);
  write_lines("codes/land/000160000", {"GFXNAME", "grass.bmp", "CHILD1", "tree", "CHILD2", "tree"});
  write_lines("codes/land/000000200", {"GFXNAME", "water.bmp"});
  write_config({{"RESOLUTION", "32"}, {"USESPRITE3D", "1"}, {"APPENTRY", "maps/"}, {"APPSTART", "land"}, {"TOPOGFX", "topo/"},
                {"WORLDGFX", "objects/"}, {"GFXCODEC", ".bmp"}, {"RGBCODEPATH", "codes/"}, {"WORLDRANDOM", "7"},
                {"CURSORSPEED", "255"}});
  svc::headless::set_desktop(1280, 720);
  svc::headless::record_drawing(false);
  // SOAK_FRAMES asks for fewer (a multiple of 10): a sanitizer build runs many times slower.
  const char* asked = std::getenv("SOAK_FRAMES");
  const long frames = asked && std::atol(asked) >= 10 ? std::atol(asked) / 10 * 10 : 100000;
  ResidentTrace trace("scrolling and zooming frames", frames);
  svc::headless::run_program([&]() -> int {
    engine_startup(true);
    // Each 4,000 frames: right, down, left and up for 1,000 frames each, the wheel turned in and
    // out along the way; the view wraps around the world's edges.
    const int directions[] = {svc::KEY_RIGHT, svc::KEY_DOWN, svc::KEY_LEFT, svc::KEY_UP};
    EXPECT_EQ(engine.mapMaxX * 1000 + engine.mapMaxY, 511511);
    EXPECT_GT(svc::list_size(worldState.instanceList), 100000);
    float smallest = engine.resolution, largest = engine.resolution;
    int64_t scrolled = 0;
    for (long n = 1; n <= frames; n++) {
      const int wheel = n % 50 == 0 ? (n % 400 < 200 ? 3 : -3) : 0;
      const int32_t x = engine.scrollX, y = engine.scrollY;
      pass({directions[(n / 1000) % 4]}, wheel);
      scrolled += engine.scrollX != x || engine.scrollY != y;
      smallest = std::min(smallest, engine.resolution);
      largest = std::max(largest, engine.resolution);
      trace.after(n);
    }
    EXPECT_LT(smallest, largest);   // the wheel did zoom
    EXPECT_GT(scrolled, frames / 20);  // and the view did move
    engine_shutdown();
    return 0;
  });
  trace.check();
}

}  // namespace
