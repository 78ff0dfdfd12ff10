// live_reload_test.cpp -- following the world's files: a burst of saves gives one rebuild, files the
// world does not use give none, LIVERELOAD 0 follows nothing
#include <chrono>
#include <filesystem>
#include <string>

#include "core/live_reload.h"
#include "support/engine_fixture.h"
#include "services/clock.h"
#include "services/list.h"
#include "services/sprites.h"
#include "world/load_screen.h"

namespace {

class LiveFollowing : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    write_map("maps/land", 5, 5);
    write_lines("codes/land/000000000", {"GFXNAME", "a.bmp"});
    write_bmp("topo/a.bmp", 2, 2, 10, 20, 30);
    write_bmp("topo/b.bmp", 2, 2, 30, 20, 10);
  }

  static ConfigPairs config(const std::string& live) {
    return {{"RESOLUTION", "16"},     {"USESPRITE3D", "1"},     {"APPENTRY", "maps/"}, {"APPSTART", "land"},
            {"RGBCODEPATH", "codes/"}, {"TOPOGFX", "topo/"},    {"GFXCODEC", ".bmp"},  {"LIVERELOAD", live}};
  }

  // Runs main-loop passes for `ms` milliseconds, or until the rebuild count reaches `until`.
  static int follow_for(int ms, int until) {
    const uint32_t end = svc::tick_count() + static_cast<uint32_t>(ms);
    while (live_rebuild_count() < until && static_cast<int32_t>(end - svc::tick_count()) > 0) {
      follow_world_files();
      svc::delay(5);
    }
    return live_rebuild_count();
  }

  void save(const std::string& relative, const std::vector<std::string>& lines) {
    write_lines(relative + ".new", lines);
    std::filesystem::rename(dir + relative + ".new", dir + relative);
  }
};

TEST_F(LiveFollowing, ABurstOfSavesGivesOneRebuildAndUnusedFilesNone) {
  write_config(config("1"));
  start_engine([&] {
    start_following_world_files();
    const int before = live_rebuild_count();
    EXPECT_EQ(live_event_wait(-1), kLiveLongestWaitMs);
    EXPECT_EQ(live_event_wait(5), 5);

    // A code no cell uses and a file of another kind: nothing to rebuild.
    write_lines("codes/land/123123123", {"GFXNAME", "b.bmp"});
    write_file("topo/notes.txt", "x");
    EXPECT_EQ(follow_for(3 * kLiveQuietMs + 200, before + 1), before);

    for (int i = 0; i < 20; i++) save("codes/land/000000000", {"GFXNAME", i < 19 ? "a.bmp" : "b.bmp"});
    EXPECT_EQ(follow_for(10000, before + 1), before + 1);
    EXPECT_EQ(at(2, 2).pictureName, "b.bmp");
    EXPECT_NE(live_reload_line().find("Reload: 1 file changed, world rebuilt in"), std::string::npos);
    EXPECT_EQ(follow_for(3 * kLiveQuietMs + 200, before + 2), before + 1);

    // A deleted picture is a change too; so is the configuration, which can turn following off.
    std::filesystem::remove(dir + "topo/b.bmp");
    write_config(config("0"));
    EXPECT_EQ(follow_for(10000, before + 2), before + 2);
    EXPECT_NE(live_reload_line().find("2 files changed"), std::string::npos) << live_reload_line();
    EXPECT_EQ(live_event_wait(-1), -1);
    save("codes/land/000000000", {"GFXNAME", "a.bmp"});
    EXPECT_EQ(follow_for(3 * kLiveQuietMs + 200, before + 3), before + 2);
    stop_following_world_files();
  });
}

TEST_F(LiveFollowing, FoldersMissingAtStartAreFollowedOnceTheyAppear) {
  // Neither the definitions' folder nor the objects' exists yet; the objects' parent neither.
  std::filesystem::remove_all(dir + "codes");
  ConfigPairs cfg = config("1");
  cfg.push_back({"WORLDGFX", "gfx/objects/"});
  write_config(cfg);
  start_engine([&] {
    start_following_world_files();
    const int before = live_rebuild_count();
    EXPECT_TRUE(at(2, 2).pictureName.empty());

    std::filesystem::create_directories(dir + "codes/land");
    write_lines("codes/land/000000000", {"GFXNAME", "a.bmp", "CHILD1", "tree"});
    EXPECT_EQ(follow_for(10000, before + 1), before + 1);
    EXPECT_EQ(at(2, 2).pictureName, "a.bmp");

    // The folder is followed itself now, and so is one made two levels deep.
    save("codes/land/000000000", {"GFXNAME", "b.bmp", "CHILD1", "tree"});
    EXPECT_EQ(follow_for(10000, before + 2), before + 2);
    EXPECT_EQ(at(2, 2).pictureName, "b.bmp");
    std::filesystem::create_directories(dir + "gfx/objects");
    write_bmp("gfx/objects/tree.bmp", 4, 4, 0, 90, 0);
    write_lines("gfx/objects/tree.dll", {"DGFXNAME", "tree", "DDENSITY", "0"});
    // The folder and the files may come as one burst or two.
    const uint32_t end = svc::tick_count() + 10000;
    while (svc::list_size(worldState.instanceList) != 36 && static_cast<int32_t>(end - svc::tick_count()) > 0) {
      follow_world_files();
      svc::delay(5);
    }
    EXPECT_EQ(svc::list_size(worldState.instanceList), 36);
    const int settled = live_rebuild_count();
    write_lines("gfx/objects/tree.dll", {"DGFXNAME", "tree", "DDENSITY", "0", "DGFXSHOW", "1"});
    EXPECT_EQ(follow_for(10000, settled + 1), settled + 1);
    EXPECT_EQ(svc::first_element(worldState.instanceList)->show, 1);
    stop_following_world_files();
  });
}

TEST_F(LiveFollowing, UnreadableFilesAreNamedOnTheLineAndStandardErrorAndKeepWhatTheyGave) {
  ConfigPairs cfg = config("1");
  cfg.insert(cfg.end(), {{"LOADSCREEN", "screens/load#.bmp"}, {"WORLDRANDOM", "5"}});
  write_config(cfg);
  write_bmp("screens/load0.bmp", 4, 4, 1, 1, 1);
  write_bmp("screens/load1.bmp", 4, 4, 1, 1, 1);
  set_load_screen_wait(0);
  start_engine([&] {
    start_following_world_files();
    const std::string picture = load_screen_picture();
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(svc::sprite_width(engine.loadScreenSprite), 4);
    int count = live_rebuild_count();

    // The load screen's picture is followed: a new one is loaded, one that does not decode is kept.
    write_bmp(picture, 8, 8, 2, 2, 2);
    follow_for(10000, count + 1);
    EXPECT_EQ(live_rebuild_count(), ++count);
    EXPECT_EQ(svc::sprite_width(engine.loadScreenSprite), 8);
    testing::internal::CaptureStderr();
    write_file(picture, "BM not a picture");
    follow_for(10000, count + 1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(live_rebuild_count(), ++count);
    EXPECT_EQ(svc::sprite_width(engine.loadScreenSprite), 8);
    EXPECT_NE(live_reload_line().find("could not read " + picture), std::string::npos) << live_reload_line();
    EXPECT_NE(err.find("could not read " + picture), std::string::npos) << err;

    // A definition with a folder in its place is named and its cells keep their picture.
    std::filesystem::remove(dir + "codes/land/000000000");
    std::filesystem::create_directory(dir + "codes/land/000000000");
    testing::internal::CaptureStderr();
    follow_for(10000, count + 1);
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(live_rebuild_count(), ++count);
    EXPECT_EQ(at(2, 2).pictureName, "a.bmp");
    EXPECT_NE(live_reload_line().find("could not read codes/land\\000000000"), std::string::npos) << live_reload_line();
    EXPECT_NE(err.find("could not read codes/land\\000000000"), std::string::npos) << err;
    stop_following_world_files();
  });
  set_load_screen_wait(4000);
}

TEST_F(LiveFollowing, LiveReloadZeroFollowsNothing) {
  write_config(config("0"));
  start_engine([&] {
    start_following_world_files();
    EXPECT_EQ(live_event_wait(-1), -1);
    const int before = live_rebuild_count();
    save("codes/land/000000000", {"GFXNAME", "b.bmp"});
    EXPECT_EQ(follow_for(3 * kLiveQuietMs + 200, before + 1), before);
  });
}

}  // namespace
