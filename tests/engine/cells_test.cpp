// cells_test.cpp -- cell definition files applied to cells, the per-build cache, the ground catalogue
#include <string>

#include "services/headless.h"
#include "services/sprites.h"
#include "world/cell_definitions.h"
#include "world_fixture.h"

namespace {

class Cells : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    use_world_folders();
    prepare_world(3, 3);
    clear_definition_cache();
  }
  std::string def(const std::string& name) { return dir + "codes/land/" + name; }
};

TEST_F(Cells, ChildSlotsDummyPictureAndUnknownKeys) {
  write_pairs("codes/land/a", {"CHILD1", "#", "CHILD2", "tree", "gfxname", "lower.bmp", "CHILD9", "x", "USECOLLISION",
                               "257", "RANDOMSEED", "-12"});
  WorldCell& c = at(1, 1);
  c.childInstance[0] = 5;
  c.childInstance[1] = 6;
  c.childName[4] = "kept";
  c.childInstance[4] = 9;
  load_cell_definition(1, 1, def("a"));
  EXPECT_EQ(c.highestChildSlot, 1);
  EXPECT_EQ(c.childInstance[0], -1);
  EXPECT_EQ(c.childInstance[1], -1);
  EXPECT_EQ(c.childName[0], "#");
  EXPECT_EQ(c.childName[1], "tree");
  EXPECT_EQ(c.childName[4], "kept");  // a slot the file does not mention stays
  EXPECT_EQ(c.childInstance[4], 9);
  EXPECT_EQ(c.pictureName, "dummy.png");
  EXPECT_EQ(c.useCollision, 1);  // low 8 bits
  EXPECT_EQ(c.randomSeed, -12);
  EXPECT_EQ(c.occupied, -1);
}

TEST_F(Cells, OddLastKeyGetsEmptyValueAndMissingFileChangesNothing) {
  write_file("codes/land/odd", "GFXNAME\r\nrock.bmp\r\nGFXNAME");
  load_cell_definition(0, 0, def("odd"));
  EXPECT_EQ(at(0, 0).pictureName, "dummy.png");

  WorldCell& c = at(2, 2);
  c.pictureName = "old.bmp";
  c.highestChildSlot = 4;
  c.occupied = 1;
  load_cell_definition(2, 2, def("nothing-here"));
  EXPECT_EQ(c.pictureName, "old.bmp");
  EXPECT_EQ(c.highestChildSlot, 4);
  EXPECT_EQ(c.occupied, 1);
  load_cell_definition(99, 99, def("odd"));  // outside the grid: ignored
}

TEST_F(Cells, CachedDefinitionActsExactlyLikeRereadingIt) {
  write_pairs("codes/land/d", {"GFXNAME", "a.bmp", "CHILD3", "bush", "GFXNAME", "b.bmp"});
  WorldCell& first = at(0, 0);
  WorldCell& second = at(0, 1);
  second.childName[0] = "own";
  second.pictureName = "mine.bmp";
  load_cell_definition(0, 0, def("d"));
  write_pairs("codes/land/d", {"GFXNAME", "changed.bmp"});  // the same build keeps the parsed file
  load_cell_definition(0, 1, def("d"));
  EXPECT_EQ(first.pictureName, "b.bmp");  // later pair wins
  EXPECT_EQ(second.pictureName, "b.bmp");
  EXPECT_EQ(second.childName[0], "own");
  EXPECT_EQ(second.childName[2], "bush");
  EXPECT_EQ(second.highestChildSlot, 2);

  clear_definition_cache();  // a new build reads the file again
  load_cell_definition(0, 2, def("d"));
  EXPECT_EQ(at(0, 2).pictureName, "changed.bmp");
  EXPECT_EQ(at(0, 2).highestChildSlot, 0);
}

TEST_F(Cells, GroundCatalogueMatchesNamesExactlyAndEachCellOwnsItsSprite) {
  write_bmp("topo/grass.bmp", 4, 4, 0, 200, 0);
  write_bmp("topo/Grass.bmp", 4, 4, 0, 0, 200);
  write_file("topo/notes.txt", "not a picture");
  write_file("topo/broken.bmp", "BMxx");
  load_ground_catalogue();
  ASSERT_EQ(svc::list_size(worldState.groundCatalogue), 3);  // broken.bmp stays, with sprite 0
  int broken = 0;
  for (auto* n = worldState.groundCatalogue.head; n; n = n->next) {
    EXPECT_EQ(n->value.path, engine.topoGfx + n->value.fileName);
    broken += n->value.sprite == 0;
  }
  EXPECT_EQ(broken, 1);

  assign_ground_sprite(0, 0, "grass.bmp");
  assign_ground_sprite(1, 0, "grass.bmp");
  const int s0 = at(0, 0).groundSprite, s1 = at(1, 0).groundSprite;
  ASSERT_NE(s0, 0);
  EXPECT_NE(s0, s1);
  EXPECT_EQ(svc::headless::sprite3d_picture(s0), svc::headless::sprite3d_picture(s1));

  assign_ground_sprite(1, 0, "Grass.bmp");  // a different picture; the old sprite is freed
  EXPECT_NE(svc::headless::sprite3d_picture(at(1, 0).groundSprite), svc::headless::sprite3d_picture(s0));
  EXPECT_EQ(svc::headless::live_sprite3d_count(), 2);

  assign_ground_sprite(0, 0, "GRASS.BMP");  // no exact match: the cell keeps what it had
  EXPECT_EQ(at(0, 0).groundSprite, s0);
  assign_ground_sprite(3, 3, "dummy.png");
  EXPECT_EQ(at(3, 3).groundSprite, 0);
}

TEST_F(Cells, MissingGroundFolderGivesEmptyCatalogue) {
  engine.topoGfx = dir + "nowhere/";
  load_ground_catalogue();
  EXPECT_EQ(svc::list_size(worldState.groundCatalogue), 0);
  assign_ground_sprite(0, 0, "dummy.png");
  EXPECT_EQ(at(0, 0).groundSprite, 0);
}

}  // namespace
