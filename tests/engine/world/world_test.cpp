// world_test.cpp -- emptying the world between builds: what is freed, what stays, and building it again
#include <string>

#include "support/engine_fixture.h"
#include "services/headless.h"
#include "services/sprites.h"
#include "world/world_build.h"

namespace {

class WorldRecord : public EngineFixture {
 protected:
  // A 4 x 4 world whose every cell has a ground sprite and one tree, and one carved floor cell.
  void fill_world() {
    use_world_folders();
    prepare_world(3, 3);
    write_bmp("topo/g.bmp", 4, 4, 0, 200, 0);
    write_bmp("objects/tree.bmp", 4, 4, 90, 60, 0);
    write_lines("objects/tree.dll", {"DGFXNAME", "tree", "DDENSITY", "0"});
    write_lines("codes/land/c", {"GFXNAME", "g.bmp", "CHILD1", "tree"});
    load_ground_catalogue();
    load_object_catalogue();
    for (int x = 0; x <= 3; x++)
      for (int y = 0; y <= 3; y++) {
        at(x, y).code = "c";
        apply_cell_definition(at(x, y), find_code_definition(cell_name("c")));
        assign_ground_sprite(x, y, at(x, y).pictureName);
        place_cell_objects(at(x, y));
      }
    svc::append_element(worldState.floorList);
  }
};

TEST_F(WorldRecord, EachClearFreesWhatItEmptiesAndKeepsTheRest) {
  fill_world();
  ASSERT_EQ(svc::list_size(worldState.instanceList), 16);
  ASSERT_EQ(svc::headless::live_sprite3d_count(), 32);  // a ground sprite and a tree per cell
  const int treePicture = svc::first_element(worldState.objectCatalogue)->sprite;

  // Between builds: the placed objects and the floor go, the grid, catalogues and cursor stay,
  // and definition files are read again.
  clear_world();
  EXPECT_EQ(svc::list_size(worldState.instanceList) + svc::list_size(worldState.floorList), 0);
  EXPECT_EQ(svc::headless::live_sprite3d_count(), 16);
  EXPECT_EQ(svc::list_size(worldState.objectCatalogue) * 10 + svc::list_size(worldState.groundCatalogue), 11);
  EXPECT_EQ(svc::list_size(worldState.cursorList), 1);
  write_lines("codes/land/c", {"GFXNAME", "other.bmp"});
  apply_cell_definition(at(0, 0), find_code_definition(cell_name("c")));
  EXPECT_EQ(at(0, 0).pictureName, "other.bmp");

  // Start-up's clear also frees the object pictures; the names no longer place anything.
  clear_world_lists();
  EXPECT_EQ(svc::list_size(worldState.objectCatalogue), 0);
  EXPECT_FALSE(svc::is_sprite(treePicture));
  place_cell_objects(at(1, 1));
  EXPECT_EQ(svc::list_size(worldState.instanceList), 0);

  // A base build's reset frees the cells' ground sprites with the grid it replaces.
  engine.scrollX = 2;
  reset_world();
  EXPECT_EQ(svc::headless::live_sprite3d_count(), 0);
  EXPECT_EQ(worldState.world.columns * 1000 + worldState.world.rows, 257257);
  EXPECT_EQ(engine.scrollX, 0);
}

// A world emptied in a running engine holds nothing any more, and builds again as at start-up:
// what a reload of the world relies on.
TEST_F(WorldRecord, EmptiedWorldBuildsAgainAsAtStartUp) {
  write_config(lab_config(20, 14, {{"TOPOGFX", "topo/"}, {"GFXCODEC", ".bmp"}}));
  for (const std::string& tile : kTiles) write_bmp("topo/" + tile + ".bmp", 4, 4, 0, 200, 0);
  std::string first, rebuilt;
  int sprites = 0;
  start_engine([&] {
    first = world_dump_text();
    sprites = svc::headless::live_sprite3d_count();
    empty_world();
    EXPECT_EQ(svc::headless::live_sprite3d_count(), 0);
    EXPECT_EQ(svc::list_size(worldState.groundCatalogue) + svc::list_size(worldState.cursorList), 0);
    build_world();
    rebuilt = world_dump_text();
    EXPECT_EQ(svc::headless::live_sprite3d_count(), sprites);
  });
  EXPECT_GT(sprites, 0);
  EXPECT_EQ(rebuilt, first);
}

}  // namespace
