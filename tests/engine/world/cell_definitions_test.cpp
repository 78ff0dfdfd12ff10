// cell_definitions_test.cpp -- cell definition files applied to cells, the per-build cache, the ground catalogue
#include <filesystem>
#include <string>

#include "services/headless.h"
#include "world/cell_definitions.h"
#include "support/engine_fixture.h"
#include "support/posix_only.h"

namespace {

class Cells : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    use_world_folders();
    prepare_world(3, 3);
    clear_definition_cache();
  }
  // A map load's two steps for one cell: the code's definition (read once per build), applied.
  void load(int x, int y, const std::string& code) {
    apply_cell_definition(at(x, y), find_code_definition(cell_name(code)));
  }
};

TEST_F(Cells, DefinitionOverwritesOnlyWhatItNames) {
  write_lines("codes/land/a", {"CHILD1", "#", "CHILD2", "tree", "gfxname", "lower.bmp", "CHILD9", "x", "USECOLLISION",
                               "257", "RANDOMSEED", "-12"});
  WorldCell& c = at(1, 1);
  c.childInstance[0] = 5;
  c.childName[4] = "kept";
  c.childInstance[4] = 9;
  load(1, 1, "a");
  EXPECT_EQ(c.highestChildSlot, 1);
  EXPECT_EQ(c.childInstance[0], -1);
  EXPECT_EQ(c.childName[1], "tree");
  EXPECT_EQ(c.childName[4] + std::to_string(c.childInstance[4]), "kept9");
  EXPECT_EQ(c.pictureName, "dummy.png");
  EXPECT_EQ(c.useCollision, 1);  // low 8 bits
  EXPECT_EQ(c.randomSeed, -12);
  EXPECT_EQ(c.occupied, -1);

  write_file("codes/land/odd", "GFXNAME\r\nrock.bmp\r\nGFXNAME");  // an odd last key gets ""
  load(0, 0, "odd");
  EXPECT_EQ(at(0, 0).pictureName, "dummy.png");
  at(2, 2).pictureName = "old.bmp";
  load(2, 2, "missing");
  EXPECT_EQ(at(2, 2).pictureName, "old.bmp");
  // A folder in place of the file is no definition either: nothing of the cell changes.
  std::filesystem::create_directories(dir + "codes/land/folder");
  if (!support::link_to_endless_device(dir + "codes/land/zero"))
    GTEST_SKIP() << "POSIX only: the endless device /dev/zero";
  at(2, 2).highestChildSlot = 3;
  for (const char* name : {"folder", "zero"}) {
    load(2, 2, name);
    EXPECT_EQ(at(2, 2).pictureName + std::to_string(at(2, 2).highestChildSlot) + std::to_string(at(2, 2).occupied),
              "old.bmp30");
  }
}

TEST_F(Cells, CachedDefinitionActsExactlyLikeRereadingIt) {
  write_lines("codes/land/d", {"GFXNAME", "a.bmp", "CHILD3", "bush", "GFXNAME", "b.bmp"});
  at(0, 1).childName[0] = "own";
  load(0, 0, "d");
  write_lines("codes/land/d", {"GFXNAME", "changed.bmp"});  // the same build keeps the parsed file
  load(0, 1, "d");
  EXPECT_EQ(at(0, 0).pictureName, "b.bmp");  // the later pair wins
  EXPECT_EQ(at(0, 1).pictureName, "b.bmp");
  EXPECT_EQ(at(0, 1).childName[0], "own");
  EXPECT_EQ(at(0, 1).highestChildSlot, 2);
  clear_definition_cache();  // a new build reads the file again
  load(0, 2, "d");
  EXPECT_EQ(at(0, 2).pictureName, "changed.bmp");
}

TEST_F(Cells, GroundCatalogueMatchesNamesExactlyAndEachCellOwnsItsSprite) {
  SKIP_ON_WINDOWS("grass.bmp and Grass.bmp side by side need names that differ in letter case");
  write_bmp("topo/grass.bmp", 4, 4, 0, 200, 0);
  write_bmp("topo/Grass.bmp", 4, 4, 0, 0, 200);
  write_file("topo/notes.txt", "not a picture");
  write_file("topo/broken.bmp", "BMxx");
  std::string huge = support::solid_bmp(2, 2, 1, 2, 3);  // a header declaring 16000 x 16000 over 4 pixels
  for (int at : {18, 22}) huge[at] = char(0x80), huge[at + 1] = char(0x3E);
  write_file("topo/huge.bmp", huge);
  load_ground_catalogue();
  ASSERT_EQ(svc::list_size(worldState.groundCatalogue), 4);  // broken.bmp and huge.bmp stay, with sprite 0
  EXPECT_EQ(svc::first_element(worldState.groundCatalogue)->sprite, 0);
  EXPECT_EQ(svc::select_element(worldState.groundCatalogue, 3)->fileName, "huge.bmp");
  EXPECT_EQ(svc::select_element(worldState.groundCatalogue, 3)->sprite, 0);

  assign_ground_sprite(0, 0, cell_name("grass.bmp"));
  assign_ground_sprite(1, 0, cell_name("grass.bmp"));
  const int s0 = at(0, 0).groundSprite;
  ASSERT_NE(s0, 0);
  EXPECT_NE(s0, at(1, 0).groundSprite);
  EXPECT_EQ(svc::headless::sprite3d_picture(s0), svc::headless::sprite3d_picture(at(1, 0).groundSprite));
  assign_ground_sprite(1, 0, cell_name("Grass.bmp"));  // another picture; the old 3D sprite is freed
  EXPECT_NE(svc::headless::sprite3d_picture(at(1, 0).groundSprite), svc::headless::sprite3d_picture(s0));
  EXPECT_EQ(svc::headless::live_sprite3d_count(), 2);
  assign_ground_sprite(0, 0, cell_name("GRASS.BMP"));  // no exact match: the cell keeps what it had
  EXPECT_EQ(at(0, 0).groundSprite, s0);
}

}  // namespace
