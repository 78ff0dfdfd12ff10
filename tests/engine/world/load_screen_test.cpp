// load_screen_test.cpp -- the load screen: the picture's name, its one random draw, what is drawn
#include <set>
#include "core/engine.h"
#include "support/engine_fixture.h"
#include "services/random.h"
#include "services/sprites.h"
#include "world/load_screen.h"

namespace {

using svc::headless::draw_calls;

class LoadScreen : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    engine.screenWidth = 800;
    engine.screenHeight = 600;
    set_load_screen_wait(0);  // the four seconds are not waited here
  }
  void TearDown() override {
    set_load_screen_wait(4000);
    EngineFixture::TearDown();
  }
};

TEST(LoadScreenName, FirstHashTakesTheDigit) {
  EXPECT_EQ(load_screen_name("gfx/load#.png", 1), "gfx/load1.png");
  EXPECT_EQ(load_screen_name("gfx/load#_#.png", 0), "gfx/load0_#.png");  // only the first
  EXPECT_EQ(load_screen_name("gfx/load#", 1), "gfx/load1");
  EXPECT_EQ(load_screen_name("#", 0), "0");
  EXPECT_EQ(load_screen_name("gfx/load.png", 1), "");
  EXPECT_EQ(load_screen_name("", 1), "");
}

TEST_F(LoadScreen, TakesExactlyOneDrawAndNoneWithoutAHash) {
  svc::random_seed(99);
  int first = svc::random(1000), second = svc::random(1000);

  svc::random_seed(99);
  engine.loadScreen = "missing#.png";
  show_load_screen();
  EXPECT_EQ(svc::random(1000), second);

  svc::random_seed(99);
  engine.loadScreen = "missing.png";
  show_load_screen();
  EXPECT_EQ(svc::random(1000), first);
}

TEST_F(LoadScreen, ShowsThePictureOverTheWholeScreenThreeTimes) {
  write_bmp("load0.bmp", 4, 3, 10, 20, 30);
  write_bmp("load1.bmp", 4, 3, 10, 20, 30);
  engine.loadScreen = dir + "load#.bmp";
  svc::headless::clear_draw_calls();
  show_load_screen();
  ASSERT_TRUE(svc::is_sprite3d(engine.loadScreenSprite3D));
  int w = 0, h = 0;
  svc::headless::sprite3d_size(engine.loadScreenSprite3D, &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  std::vector<std::string> kinds;
  for (const auto& c : draw_calls())
    if (c.kind != "zoom") kinds.push_back(c.kind);
  std::vector<std::string> expected = {"clear"};
  for (int i = 0; i < 3; i++) expected.insert(expected.end(), {"start_3d", "sprite3d", "stop_3d", "flip"});
  EXPECT_EQ(kinds, expected);
  for (const auto& c : draw_calls())
    if (c.kind == "sprite3d") {
      EXPECT_EQ(c.b, 0);
      EXPECT_EQ(c.c, 0);
      EXPECT_EQ(c.d, 255);
    }
}

TEST_F(LoadScreen, MissingPictureOrNoWindowShowsNothing) {
  engine.loadScreen = dir + "nothing#.bmp";
  svc::headless::clear_draw_calls();
  show_load_screen();
  EXPECT_EQ(engine.loadScreenSprite, 0);
  EXPECT_TRUE(draw_calls().empty());

  write_bmp("here0.bmp", 2, 2, 0, 0, 0);
  write_bmp("here1.bmp", 2, 2, 0, 0, 0);
  engine.loadScreen = dir + "here#.bmp";
  engine.windowless = 1;
  show_load_screen();
  EXPECT_EQ(engine.loadScreenSprite, 0);
  EXPECT_TRUE(draw_calls().empty());
}

TEST_F(LoadScreen, WorldRandomAlwaysPicksTheSameVariant) {
  // The variants differ in width, so the sprite tells which one was loaded.
  write_bmp("pics/load0.bmp", 2, 2, 0, 0, 0);
  write_bmp("pics/load1.bmp", 3, 2, 0, 0, 0);
  ConfigPairs cfg = minimal_config();
  cfg.push_back({"LOADSCREEN", "pics/load#.bmp"});
  std::set<int> widthsBySeed[2];
  for (int seed = 0; seed < 4; seed++) {
    cfg.push_back({"WORLDRANDOM", std::to_string(seed)});
    write_config(cfg);
    cfg.pop_back();
    for (int run = 0; run < 2; run++) {
      int width = -1;
      svc::headless::run_program([&] {
        engine_startup(true);
        width = svc::sprite_width(engine.loadScreenSprite);
        return 0;
      });
      svc::random_seed(static_cast<uint32_t>(seed));
      EXPECT_EQ(width, svc::random(1) == 0 ? 2 : 3) << "seed " << seed;
      widthsBySeed[0].insert(width);
    }
  }
  EXPECT_EQ(widthsBySeed[0].size(), 2u) << "four seeds should show both variants";
}

}  // namespace
