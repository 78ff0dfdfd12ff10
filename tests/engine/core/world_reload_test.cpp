// world_reload_test.cpp -- a world rebuilt in place equals a fresh start from the changed files,
// keeps the view, and keeps what a file that cannot be read gave before
#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/world_reload.h"
#include "services/sprites.h"
#include "world/labyrinth.h"
#include "support/engine_fixture.h"

namespace {

class WorldReload : public EngineFixture {
 protected:
  // A 12 x 9 map of three codes in bands, two ground pictures, two objects that grow by chance.
  ConfigPairs world_config(const ConfigPairs& extra = {}) {
    const std::vector<std::string> codes = {"010010010", "020020020", "030030030"};
    std::vector<std::string> ai = {"AI", "11", "8", "", ""}, red = {"RED", "11", "8", "", ""};
    for (int x = 0; x <= 11; x++)
      for (int y = 0; y <= 8; y++) {
        const std::string& c = codes[static_cast<size_t>((x + y / 3) % 3)];
        ai.insert(ai.end(), {c.substr(0, 3), c.substr(3, 3), c.substr(6, 3)});
        red.push_back(std::to_string(100 + x));
      }
    write_lines("maps/land.qz61", ai);
    write_lines("maps/land.red", red);
    write_bmp("topo/grass.bmp", 4, 4, 0, 200, 0);
    write_bmp("topo/sand.bmp", 4, 4, 200, 200, 0);
    write_lines("codes/land/010010010", {"GFXNAME", "grass.bmp", "CHILD1", "tree", "CHILD2", "bush"});
    write_lines("codes/land/020020020", {"GFXNAME", "sand.bmp", "CHILD1", "bush"});
    write_lines("codes/land/030030030", {"GFXNAME", "grass.bmp", "CHILD3", "tree"});
    write_bmp("objects/tree.bmp", 8, 16, 0, 90, 0);
    write_lines("objects/tree.dll", {"DGFXNAME", "tree", "DDENSITY", "2", "DHOTSPOT", "CENTER", "DGFXSHOW", "1"});
    write_bmp("objects/bush.bmp", 6, 6, 0, 120, 0);
    write_lines("objects/bush.dll", {"DGFXNAME", "bush", "DDENSITY", "1", "DFITTOMATRIX", "1"});
    ConfigPairs cfg = {{"RESOLUTION", "16"}, {"USESPRITE3D", "1"}, {"APPENTRY", "maps/"},  {"APPSTART", "land"},
                       {"RGBCODEPATH", "codes/"}, {"TOPOGFX", "topo/"}, {"WORLDGFX", "objects/"}, {"GFXCODEC", ".bmp"}};
    cfg.insert(cfg.end(), extra.begin(), extra.end());
    return cfg;
  }

  // A 3D sprite as its drawn size and its picture's size and colour ("-" for none).
  static std::string shown(int sprite3d) {
    int w = 0, h = 0;
    if (!svc::headless::sprite3d_size(sprite3d, &w, &h)) return "-";
    const int picture = svc::headless::sprite3d_picture(sprite3d);
    return std::to_string(w) + "x" + std::to_string(h) + "/" + std::to_string(svc::sprite_width(picture)) + "x" +
           std::to_string(svc::sprite_height(picture));
  }

  // The world cell by cell (the dump) and object by object: every placed instance's drawing
  // record, which picture each ground sprite shows, and the cursor and view.
  static std::string fingerprint() {
    std::ostringstream out;
    out << world_dump_text() << "scroll " << engine.scrollX << " " << engine.scrollY << " res " << engine.resolution
        << "\n";
    for (int x = 0; x <= engine.mapMaxX; x++)
      for (int y = 0; y <= engine.mapMaxY; y++) {
        const WorldCell& c = at(x, y);
        out << shown(c.groundSprite) << ":";
        for (int k = 0; k < 8; k++) out << c.childInstance[k] << ",";
        out << int(c.occupied) << int(c.useCollision) << c.randomSeed << "\n";
      }
    for (auto* n = worldState.instanceList.head; n; n = n->next) {
      const ObjectInstance& i = n->value;
      out << int(i.show) << " " << i.transparency << " " << i.width << "x" << i.height << " " << i.offsetX << ","
          << i.offsetY << " " << shown(i.sprite3d) << "\n";
    }
    return out.str();
  }

  std::string fresh_start() {
    std::string print;
    start_engine([&] { print = fingerprint(); });
    return print;
  }
};

TEST_F(WorldReload, RebuiltWorldEqualsAFreshStartFromTheChangedFiles) {
  write_config(world_config({{"WORLDRANDOM", "41"}, {"LOADSCREEN", "load#.bmp"}}));
  const std::string before = fresh_start();
  std::string rebuilt, unchanged;
  ReloadReport report;
  start_engine([&] {
    // An unrelated change gives back the same world, objects in the same places.
    write_lines("codes/land/999999999", {"GFXNAME", "sand.bmp"});
    rebuild_world_in_place();
    unchanged = fingerprint();
    // A definition, a picture and the map change.
    write_lines("codes/land/020020020", {"GFXNAME", "grass.bmp", "CHILD2", "tree", "USECOLLISION", "1"});
    write_bmp("topo/sand.bmp", 6, 6, 1, 2, 3);
    write_bmp("topo/new.bmp", 5, 5, 1, 2, 3);
    write_lines("codes/land/030030030", {"GFXNAME", "new.bmp", "CHILD1", "bush", "RANDOMSEED", "9"});
    report = rebuild_world_in_place();
    rebuilt = fingerprint();
  });
  EXPECT_EQ(unchanged, before);
  EXPECT_TRUE(report.rebuilt);
  EXPECT_TRUE(report.unreadable.empty());
  EXPECT_EQ(rebuilt, fresh_start());
  EXPECT_NE(rebuilt, before);
}

TEST_F(WorldReload, WithoutASeedTheRebuildRepeatsStartUpsDraws) {
  write_config(world_config());
  std::string first, again;
  start_engine([&] {
    first = fingerprint();
    rebuild_world_in_place();
    again = fingerprint();
  });
  EXPECT_EQ(again, first);
  EXPECT_NE(first.find("tree"), std::string::npos);
}

TEST_F(WorldReload, ViewZoomAndCursorStayClampedToTheNewWorld) {
  write_config(world_config({{"WORLDRANDOM", "3"}}));
  start_engine([&] {
    engine.scrollX = 9;
    engine.scrollY = 2;
    engine.resolution = 20.0f;  // the user zoomed
    cursor().x = 40.0f;
    cursor().y = 60.0f;
    rebuild_world_in_place();
    EXPECT_EQ(engine.scrollX, 9);
    EXPECT_EQ(engine.scrollY, 2);
    EXPECT_EQ(engine.resolution, 20.0f);
    EXPECT_EQ(cursor().x, 40.0f);
    EXPECT_EQ(cursor().y, 60.0f);
    // A smaller map: the view and the cursor move back inside it.
    write_lines("maps/land.qz61", {"AI", "3", "1", "", "", "010", "010", "010", "010", "010", "010", "010", "010",
                                   "010", "010", "010", "010", "010", "010", "010", "010", "010", "010", "010",
                                   "010", "010", "010", "010", "010"});
    rebuild_world_in_place();
    EXPECT_EQ(engine.mapMaxX, 3);
    EXPECT_EQ(engine.scrollX, 3);
    EXPECT_EQ(engine.scrollY, 1);
    EXPECT_EQ(cursor().x, 0.0f);
    EXPECT_EQ(cursor().y, 0.0f);
    EXPECT_EQ(at(0, 0).code, "010010010");
  });
}

TEST_F(WorldReload, WhatCannotBeReadLeavesWhatItGaveBefore) {
  write_config(world_config({{"WORLDRANDOM", "3"}, {"APPNAME", "one"}}));
  start_engine([&] {
    const std::string before = fingerprint();
    // No map: the world and the settings stay, and the map is named.
    write_config(world_config({{"WORLDRANDOM", "3"}, {"USESPRITE3D", "0"}}));
    std::filesystem::rename(dir + "maps/land.qz61", dir + "maps/away");
    ReloadReport r = rebuild_world_in_place();
    EXPECT_FALSE(r.rebuilt);
    ASSERT_EQ(r.unreadable.size(), 1u);
    EXPECT_EQ(r.unreadable[0], "maps/land.qz61");
    EXPECT_EQ(engine.useSprite3D, 1);
    EXPECT_EQ(fingerprint(), before);
    std::filesystem::rename(dir + "maps/away", dir + "maps/land.qz61");

    // A configuration without a cell size is not taken; a picture that no longer decodes keeps its
    // sprite and is named; a new title needs a restart.
    write_config(world_config({{"RESOLUTION", "0"}}));
    write_file("topo/sand.bmp", "BM not a picture");
    r = rebuild_world_in_place();
    EXPECT_TRUE(r.rebuilt);
    EXPECT_EQ(r.unreadable, (std::vector<std::string>{dir + "DATA\\ini.txt", dir + "topo/sand.bmp"}));
    EXPECT_EQ(engine.resolution, 16.0f);
    EXPECT_EQ(fingerprint(), before);

    write_config(world_config({{"WORLDRANDOM", "3"}, {"APPNAME", "two"}}));
    r = rebuild_world_in_place();
    EXPECT_EQ(r.needRestart, (std::vector<std::string>{"APPNAME"}));
    EXPECT_EQ(engine.windowTitle, "one");
  });
}

TEST_F(WorldReload, FilesThereButUnreadableGiveWhatTheyGaveBeforeAndAreNamed) {
  write_config(world_config({{"WORLDRANDOM", "3"}}));
  std::string withoutDefinition;
  start_engine([&] {
    const std::string before = fingerprint();
    auto folder_in_place_of = [&](const std::string& relative) {
      std::filesystem::remove(dir + relative);
      std::filesystem::create_directory(dir + relative);
    };
    // A definition and an object definition with a folder in their place, an object picture that
    // no longer decodes: the world stays cell for cell and object for object, twice over.
    folder_in_place_of("codes/land/020020020");
    folder_in_place_of("objects/bush.dll");
    write_file("objects/tree.bmp", "BM not a picture");
    for (int round = 0; round < 2; round++) {
      const ReloadReport r = rebuild_world_in_place();
      EXPECT_TRUE(r.rebuilt);
      std::vector<std::string> named = r.unreadable;
      std::sort(named.begin(), named.end());
      EXPECT_EQ(named, (std::vector<std::string>{dir + "objects/bush.dll", dir + "objects/tree.bmp",
                                                 "codes/land\\020020020"}));
      EXPECT_EQ(fingerprint(), before) << "round " << round;
    }

    std::filesystem::remove(dir + "objects/bush.dll");
    write_lines("objects/bush.dll", {"DGFXNAME", "bush", "DDENSITY", "1", "DFITTOMATRIX", "1"});
    write_bmp("objects/tree.bmp", 8, 16, 0, 90, 0);

    // A red map that is there but cannot be read keeps the whole world; a missing one does not.
    folder_in_place_of("maps/land.red");
    ReloadReport r = rebuild_world_in_place();
    EXPECT_FALSE(r.rebuilt);
    EXPECT_EQ(r.unreadable, (std::vector<std::string>{"maps/land.red"}));
    EXPECT_EQ(fingerprint(), before);
    std::filesystem::remove(dir + "maps/land.red");
    EXPECT_TRUE(rebuild_world_in_place().rebuilt);
    EXPECT_EQ(at(0, 0).groundAlpha, 0);

    // A definition that is gone is no fault: its cells are what a fresh start makes of them.
    std::filesystem::remove(dir + "codes/land/020020020");
    r = rebuild_world_in_place();
    EXPECT_EQ(std::count(r.unreadable.begin(), r.unreadable.end(), "codes/land\\020020020"), 0);
    withoutDefinition = fingerprint();
  });
  EXPECT_EQ(withoutDefinition, fresh_start());
}

TEST_F(WorldReload, ANewCellSizeAppliesUnlessTheUserZoomed) {
  write_config(world_config({{"WORLDRANDOM", "3"}}));
  start_engine([&] {
    write_config(world_config({{"WORLDRANDOM", "3"}, {"RESOLUTION", "24"}}));
    EXPECT_TRUE(rebuild_world_in_place().needRestart.empty());
    EXPECT_EQ(engine.resolution, 24.0f);
    engine.resolution = 30.0f;  // zoomed
    write_config(world_config({{"WORLDRANDOM", "3"}, {"RESOLUTION", "12"}}));
    EXPECT_EQ(rebuild_world_in_place().needRestart, (std::vector<std::string>{"RESOLUTION"}));
    EXPECT_EQ(engine.resolution, 30.0f);
  });
}

TEST_F(WorldReload, APagedLabyrinthVariantIsBuiltAgain) {
  write_config(lab_config(60, 40, {{"MAPSIZE", "50"}}));
  std::string paged;
  start_engine([&] {
    build_variant(2);
    paged = world_dump_text();
    rebuild_world_in_place();
    EXPECT_EQ(world_dump_text(), paged);
    EXPECT_EQ(engine.baseVariant, 2);
  });
}

}  // namespace
