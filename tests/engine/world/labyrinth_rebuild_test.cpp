// labyrinth_rebuild_test.cpp -- rebuilds in place: a base rebuilt over another, larger or smaller,
// is the base that variant gives on its own, and its ground sprites are reused without a leak, a
// stale picture or a sprite shared between cells
#include <set>
#include <string>
#include <vector>

#include "core/engine.h"
#include "core/world_dump.h"
#include "services/headless.h"
#include "services/sprites.h"
#include "support/engine_fixture.h"
#include "world/labyrinth.h"

namespace {

class LabyrinthRebuild : public EngineFixture {
 protected:
  // Ground pictures for every tile, and an object on floor cells, so that rebuilds make and reuse
  // ground sprites and draw placement numbers between the walks' steps.
  ConfigPairs pictured_config(int resolution) {
    for (const std::string& tile : kTiles) write_bmp("ground/" + tile + ".bmp", 8, 8, 90, 120, 60);
    write_bmp("objects/bush.bmp", 4, 4, 0, 200, 0);
    write_lines("objects/bush.dll", {"DGFXNAME", "bush", "DDENSITY", "2", "DGFXSHOW", "1"});
    ConfigPairs cfg = lab_config(160, 120,
                                 {{"MAPSIZE", "200"},
                                  {"TOPOGFX", "ground/"},
                                  {"WORLDGFX", "objects/"},
                                  {"GFXCODEC", ".bmp"},
                                  {"RESOLUTION", std::to_string(resolution)}});
    write_lines("codes/lab/LAB_FLOOR", {"GFXNAME", "LAB_FLOOR.bmp", "CHILD1", "bush"});
    return cfg;
  }

  static void rebuild(int variant) {
    engine.baseVariant = variant;
    rebuild_if_variant_changed();
  }

  // What must hold after any build: every cell of the base names a live ground sprite of its own,
  // zoomed to the cell size, and nothing else holds a 3D sprite but the placed objects.
  static void expect_sprites_sound(int edge) {
    std::set<int> seen;
    int shared = 0, unfitted = 0, missing = 0;
    for (int x = 0; x <= engine.mapMaxX; x++)
      for (int y = 0; y <= engine.mapMaxY; y++) {
        const int sprite = at(x, y).groundSprite;
        int w = 0, h = 0;
        if (!svc::headless::sprite3d_size(sprite, &w, &h)) {
          missing++;
          continue;
        }
        if (!seen.insert(sprite).second) shared++;
        if (w != edge || h != edge) unfitted++;
      }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(shared, 0);
    EXPECT_EQ(unfitted, 0);
    EXPECT_EQ(engine.zoomedCellSize, edge);
    EXPECT_EQ(svc::headless::live_sprite3d_count(),
              static_cast<int>(seen.size()) + svc::list_size(worldState.instanceList));
  }
};

TEST_F(LabyrinthRebuild, ARunOfRebuildsGivesEachVariantAsItIsAlone) {
  write_config(pictured_config(24));
  // Variants whose bases grow and shrink against the one before (MAPSIZE 200 lets sizes vary).
  const std::vector<int> variants = {3, 1, 7, 2, 9, 4};
  std::vector<std::string> alone;
  for (int v : variants) alone.push_back(start_engine([v] { rebuild(v); }));

  std::vector<std::string> inRun;
  std::vector<std::pair<int, int>> sizes;
  start_engine([&] {
    for (int v : variants) {
      rebuild(v);
      sizes.emplace_back(engine.mapMaxX, engine.mapMaxY);
      inRun.push_back(world_dump_text());
      SCOPED_TRACE("variant " + std::to_string(v));
      expect_sprites_sound(24);
    }
  });
  ASSERT_EQ(inRun.size(), alone.size());
  for (size_t i = 0; i < variants.size(); i++) EXPECT_EQ(inRun[i], alone[i]) << "variant " << variants[i];
  // The run did cover a smaller base after a larger one and the other way round.
  bool shrank = false, grew = false;
  for (size_t i = 1; i < sizes.size(); i++) {
    shrank = shrank || sizes[i].first < sizes[i - 1].first || sizes[i].second < sizes[i - 1].second;
    grew = grew || sizes[i].first > sizes[i - 1].first || sizes[i].second > sizes[i - 1].second;
  }
  EXPECT_TRUE(shrank);
  EXPECT_TRUE(grew);
}

TEST_F(LabyrinthRebuild, AWallWithoutAPictureKeepsNoSpriteFromTheBaseBefore) {
  ConfigPairs cfg = pictured_config(16);
  write_config(cfg);
  // The first build is a labyrinth with pictures everywhere but the walls'.
  write_lines("codes/lab/LAB_WALL", {"GFXNAME", "nowhere.bmp"});
  start_engine([] {
    rebuild(2);
    rebuild(5);
    int wallsWithSprites = 0, walls = 0, floorsWithout = 0;
    for (int x = 0; x <= engine.mapMaxX; x++)
      for (int y = 0; y <= engine.mapMaxY; y++) {
        const WorldCell& c = at(x, y);
        if (c.code == "LAB_WALL") {
          walls++;
          wallsWithSprites += c.groundSprite != 0;
        } else if (c.code == "LAB_FLOOR") {
          floorsWithout += c.groundSprite == 0;
        }
      }
    EXPECT_GT(walls, 0);
    EXPECT_EQ(wallsWithSprites, 0);
    EXPECT_EQ(floorsWithout, 0);
    int live = svc::list_size(worldState.instanceList);
    for (int x = 0; x <= engine.mapMaxX; x++)
      for (int y = 0; y <= engine.mapMaxY; y++) live += at(x, y).groundSprite != 0;
    EXPECT_EQ(svc::headless::live_sprite3d_count(), live);
  });
}

}  // namespace
