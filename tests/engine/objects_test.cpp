// objects_test.cpp -- the object catalogue and ".dll" definitions, placement by chance, placement rules
#include <string>
#include <vector>

#include "services/headless.h"
#include "services/random.h"
#include "services/sprites.h"
#include "world/objects.h"
#include "world_fixture.h"

namespace {

class Objects : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    use_world_folders();
    prepare_world(9, 9);
  }

  // An object picture of 8 x 4 pixels with its definition lines.
  void write_object(const std::string& base, const std::vector<std::string>& lines) {
    write_bmp("objects/" + base + ".bmp", 8, 4, 200, 0, 0);
    write_pairs("objects/" + base + ".dll", lines);
  }

  void name_slots(int x, int y, const std::vector<std::string>& names) {
    WorldCell& c = at(x, y);
    for (size_t k = 0; k < names.size(); k++) {
      c.childName[k] = names[k];
      c.childInstance[k] = -1;  // as reading the definition does
      if (names[k] != "#") c.highestChildSlot = static_cast<int8_t>(k);
    }
  }

  // childInstance of every cell's slot 0 after placing all cells with this seed.
  std::vector<int> place_all(uint32_t seed) {
    svc::random_seed(seed);
    std::vector<int> out;
    for (int x = 0; x <= 9; x++)
      for (int y = 0; y <= 9; y++) {
        place_cell_objects(x, y);
        out.push_back(at(x, y).childInstance[0]);
      }
    return out;
  }
};

TEST_F(Objects, DefinitionPathCutsAtFirstExtension) {
  EXPECT_EQ(object_definition_path("gfx/tree.png", ".png"), "gfx/tree.dll");
  EXPECT_EQ(object_definition_path("gfx.png/tree.png", ".png"), "gfx.dll");
  EXPECT_EQ(object_definition_path("gfx/TREE.PNG", ".png"), "gfx/TREE.dll");
  EXPECT_EQ(object_definition_path("gfx/tree", ""), "gfx/tree.dll");
}

TEST_F(Objects, CatalogueReadsDefinitionsAndNopeNamesNeverPlace) {
  write_object("tree", {"DGFXNAME", "tree", "DGFXTRANSPARENCY", "200", "DDENSITY", "0", "DCOLLISION", "257",
                        "DXMODE1", "2", "DXMODE2", "2", "DGFXSHOW", "1", "DHOTSPOT", "RIGHT"});
  write_object("hash", {"DGFXNAME", "#", "DDENSITY", "0"});
  write_object("blank", {"DGFXNAME", "", "DDENSITY", "0"});
  write_bmp("objects/lonely.bmp", 2, 2, 0, 0, 0);  // no definition file
  load_object_catalogue();
  ASSERT_EQ(svc::list_size(worldState.objectCatalogue), 4);
  std::vector<std::string> names;
  for (auto* n = worldState.objectCatalogue.head; n; n = n->next) names.push_back(n->value.objectName);
  EXPECT_EQ(names, (std::vector<std::string>{"NOPE", "NOPE", "", "tree"}));  // scan order: blank, hash, lonely, tree
  const ObjectDefinition& tree = *svc::select_element(worldState.objectCatalogue, 3);
  EXPECT_EQ(tree.transparency, 200);
  EXPECT_EQ(tree.collision, 1);
  EXPECT_EQ(tree.blendSource, 2);
  EXPECT_EQ(tree.hotSpot, "RIGHT");
  EXPECT_EQ(tree.fileName, "tree.bmp");

  name_slots(0, 0, {"NOPE", "tree"});
  place_cell_objects(0, 0);
  EXPECT_EQ(at(0, 0).childInstance[0], -1);
  EXPECT_EQ(at(0, 0).childInstance[1], 0);
  ASSERT_EQ(svc::list_size(worldState.instanceList), 1);
  const ObjectInstance& i = *svc::select_element(worldState.instanceList, 0);
  EXPECT_EQ(i.transparency, 200);
  EXPECT_EQ(i.show, 1);
  EXPECT_EQ(i.width, 8.0f);
  EXPECT_EQ(i.offsetX, 8.0f);
  EXPECT_EQ(i.offsetY, 0.0f);
  EXPECT_EQ(at(0, 0).occupied, 1);
  EXPECT_EQ(at(0, 0).lastChildSlot, 1);

  // The picture without a definition has an empty name; a cell without CHILD1 must not get it.
  place_cell_objects(1, 0);
  EXPECT_EQ(at(1, 0).lastChildSlot, -1);
  EXPECT_EQ(at(1, 0).occupied, -1);
  EXPECT_EQ(svc::list_size(worldState.instanceList), 1);
}

TEST_F(Objects, SlotsUpToHighestAreVisitedAndSameNamedDefinitionsEachPlace) {
  write_object("a", {"DGFXNAME", "rock", "DDENSITY", "0"});
  write_object("b", {"DGFXNAME", "rock", "DDENSITY", "0"});
  load_object_catalogue();
  name_slots(2, 2, {"rock", "#", "rock"});
  place_cell_objects(2, 2);
  const WorldCell& c = at(2, 2);
  EXPECT_EQ(c.childInstance[1], -1);
  EXPECT_EQ(c.childInstance[0], 1);  // the slot keeps the last of the two placements
  EXPECT_EQ(c.childInstance[2], 3);
  EXPECT_EQ(c.lastChildSlot, 2);
  EXPECT_EQ(svc::list_size(worldState.instanceList), 4);
}

TEST_F(Objects, DensityGivesOneInDensityPlusOneAndPlacementsFollowTheSeed) {
  write_object("bush", {"DGFXNAME", "bush", "DDENSITY", "9"});
  write_object("never", {"DGFXNAME", "never", "DDENSITY", "-1"});
  load_object_catalogue();
  for (int x = 0; x <= 9; x++)
    for (int y = 0; y <= 9; y++) name_slots(x, y, {"bush", "never"});
  std::vector<int> first = place_all(1234);
  int placed = 0;
  for (int i : first) placed += i != -1;
  EXPECT_GT(placed, 2);  // 100 draws at 1 in 10
  EXPECT_LT(placed, 25);
  for (auto* n = worldState.instanceList.head; n; n = n->next)
    EXPECT_EQ(svc::headless::sprite3d_picture(n->value.sprite3d), svc::select_element(worldState.objectCatalogue, 0)->sprite);

  const int before = svc::list_size(worldState.instanceList);
  std::vector<int> again = place_all(1234);
  for (size_t k = 0; k < first.size(); k++)
    EXPECT_EQ(again[k] == -1, first[k] == -1) << "cell " << k;  // same seed, same cells
  EXPECT_EQ(svc::list_size(worldState.instanceList), 2 * before);  // earlier instances stay
  EXPECT_NE(place_all(99), first);
}

TEST_F(Objects, FitHotSpotAndCentringRules) {
  engine.resolution = 32.0f;
  ObjectDefinition d;
  d.sprite = svc::load_sprite(-1, (write_bmp("p.bmp", 8, 4, 1, 2, 3), dir + "p.bmp"), 4);
  auto placed = [&](uint8_t fit, const std::string& hot, uint8_t centre) {
    ObjectInstance i;
    i.sprite3d = svc::create_sprite3d(-1, d.sprite);
    i.width = 8;
    i.height = 4;
    d.fitToCell = fit;
    d.hotSpot = hot;
    d.centerField = centre;
    apply_placement_rules(i, d);
    return i;
  };
  ObjectInstance i = placed(1, "CENTER", 0);
  EXPECT_EQ(i.offsetX, 16.0f);
  EXPECT_EQ(i.offsetY, 16.0f);
  int w = 0, h = 0;
  svc::headless::sprite3d_size(i.sprite3d, &w, &h);
  EXPECT_EQ(w, 32);
  EXPECT_EQ(h, 32);
  i = placed(1, "CENTER", 1);
  EXPECT_EQ(i.offsetX, 32.0f);
  EXPECT_EQ(i.offsetY, 32.0f);
  i = placed(0, "BOTTOMRIGHT", 0);
  EXPECT_EQ(i.offsetX, 8.0f);
  EXPECT_EQ(i.offsetY, 4.0f);
  i = placed(0, "center", 0);
  EXPECT_EQ(i.offsetX, 0.0f);
  EXPECT_EQ(i.offsetY, 0.0f);

  ObjectInstance none;  // no 3D sprite: nothing changes
  d.fitToCell = 1;
  d.centerField = 1;
  apply_placement_rules(none, d);
  EXPECT_EQ(none.width, 0.0f);
  EXPECT_EQ(none.offsetX, 0.0f);
}

TEST_F(Objects, ClearingAndReloadingReleasesSprites) {
  write_object("a", {"DGFXNAME", "rock", "DDENSITY", "0"});
  load_object_catalogue();
  name_slots(0, 0, {"rock"});
  place_cell_objects(0, 0);
  EXPECT_EQ(svc::headless::live_sprite3d_count(), 1);
  load_object_catalogue();
  EXPECT_EQ(svc::list_size(worldState.objectCatalogue), 1);
  clear_world_lists();
  EXPECT_EQ(svc::list_size(worldState.instanceList), 0);
  EXPECT_EQ(svc::list_size(worldState.objectCatalogue), 0);
  EXPECT_EQ(svc::headless::live_sprite3d_count(), 0);
  engine.worldGfx = dir + "missing/";
  load_object_catalogue();
  EXPECT_EQ(svc::list_size(worldState.objectCatalogue), 0);
}

}  // namespace
