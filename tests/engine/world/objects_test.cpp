// objects_test.cpp -- the object catalogue and ".dll" definitions, placement by chance, placement rules
#include <filesystem>
#include <string>
#include <vector>

#include "services/headless.h"
#include "services/random.h"
#include "services/sprites.h"
#include "world/objects.h"
#include "support/engine_fixture.h"

namespace {

class Objects : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    use_world_folders();
    prepare_world(9, 9);
  }
  // An 8 x 4 object picture with its definition lines.
  void write_object(const std::string& base, const std::vector<std::string>& lines) {
    write_bmp("objects/" + base + ".bmp", 8, 4, 200, 0, 0);
    write_lines("objects/" + base + ".dll", lines);
  }
  // Slot names as a definition sets them ("" leaves a slot unnamed).
  void name_slots(int x, int y, const std::vector<std::string>& names) {
    WorldCell& c = at(x, y);
    for (size_t k = 0; k < names.size(); k++) {
      if (names[k].empty()) continue;
      c.childName[k] = names[k];
      c.childInstance[k] = -1;
      if (names[k] != "#") c.highestChildSlot = static_cast<int8_t>(k);
    }
  }
  const ObjectInstance& instance(int position) { return *svc::select_element(worldState.instanceList, position); }
};

TEST_F(Objects, CatalogueDefinitionsAndNamesThatNeverPlace) {
  EXPECT_EQ(object_definition_path("gfx.png/tree.png", ".png"), "gfx.dll");
  EXPECT_EQ(object_definition_path("gfx/TREE.PNG", ".png"), "gfx/TREE.dll");
  write_object("tree", {"DGFXNAME", "tree", "DGFXTRANSPARENCY", "200", "DDENSITY", "0", "DCOLLISION", "257", "DXMODE1",
                        "2", "DGFXSHOW", "1", "DHOTSPOT", "RIGHT"});
  write_object("hash", {"DGFXNAME", "#", "DDENSITY", "0"});
  write_object("blank", {"DGFXNAME", "", "DDENSITY", "0"});
  write_bmp("objects/lonely.bmp", 2, 2, 0, 0, 0);  // no definition file: empty name
  load_object_catalogue();
  std::vector<std::string> names;
  for (auto* n = worldState.objectCatalogue.head; n; n = n->next) names.push_back(n->value.objectName);
  EXPECT_EQ(names, (std::vector<std::string>{"NOPE", "NOPE", "", "tree"}));

  name_slots(0, 0, {"NOPE", "tree"});
  place_cell_objects(at(0, 0));
  EXPECT_EQ(at(0, 0).childInstance[0], -1);
  EXPECT_EQ(at(0, 0).childInstance[1], 0);
  EXPECT_EQ(at(0, 0).lastChildSlot, 1);
  EXPECT_EQ(at(0, 0).occupied, 1);
  ASSERT_EQ(svc::list_size(worldState.instanceList), 1);
  EXPECT_EQ(instance(0).transparency, 200);
  EXPECT_EQ(instance(0).collision, 1);  // low 8 bits
  EXPECT_EQ(instance(0).blendSource, 2);
  EXPECT_EQ(instance(0).offsetX, 8.0f);  // RIGHT: the picture's width

  // An unnamed slot below a named one holds nothing (not the world's first instance), and the
  // picture without a definition does not grow on a cell that names no CHILD1.
  name_slots(1, 0, {"", "#", "tree"});
  place_cell_objects(at(1, 0));
  EXPECT_EQ(at(1, 0).childInstance[0], -1);
  EXPECT_EQ(at(1, 0).childInstance[1], -1);
  EXPECT_EQ(at(1, 0).childInstance[2], 1);
  EXPECT_EQ(svc::list_size(worldState.instanceList), 2);
}

// Re-placing appends and re-points only the slots it fills: a slot this placement leaves alone keeps
// pointing at the earlier instance (a wall's tree stays when the cell is redefined with only CHILD2).
TEST_F(Objects, ReplacingKeepsTheSlotsItDoesNotFill) {
  write_object("tree", {"DGFXNAME", "tree", "DDENSITY", "0"});
  write_object("bush", {"DGFXNAME", "bush", "DDENSITY", "0"});
  load_object_catalogue();
  EXPECT_EQ(at(3, 3).childInstance[0], -1);  // a new grid's slots are empty
  name_slots(3, 3, {"tree"});
  place_cell_objects(at(3, 3));
  // Redefined naming only CHILD2; this time the tree's draw fails, so slot 0 is not placed.
  for (auto* n = worldState.objectCatalogue.head; n; n = n->next)
    if (n->value.objectName == "tree") n->value.density = 1000000;
  name_slots(3, 3, {"", "bush"});
  place_cell_objects(at(3, 3));
  EXPECT_EQ(at(3, 3).childInstance[0], 0);  // still the tree
  EXPECT_EQ(at(3, 3).childInstance[1], 1);
  EXPECT_EQ(at(3, 3).childInstance[2], -1);
  EXPECT_EQ(svc::list_size(worldState.instanceList), 2);
}

// A folder or an endless device named like a definition file is no definition: the picture gets
// the empty name, as one without a file does.
TEST_F(Objects, DefinitionThatIsAFolderOrADeviceIsNone) {
  write_bmp("objects/a.bmp", 2, 2, 0, 0, 0);
  write_bmp("objects/b.bmp", 2, 2, 0, 0, 0);
  std::filesystem::create_directories(dir + "objects/a.dll");
  if (!support::link_to_endless_device(dir + "objects/b.dll"))
    GTEST_SKIP() << "POSIX only: the endless device /dev/zero";
  load_object_catalogue();
  std::vector<std::string> names;
  for (auto* n = worldState.objectCatalogue.head; n; n = n->next) names.push_back(n->value.objectName);
  EXPECT_EQ(names, (std::vector<std::string>{"", ""}));
}

TEST_F(Objects, SameNamedDefinitionsEachDrawAndTheSlotKeepsTheLast) {
  write_object("a", {"DGFXNAME", "rock", "DDENSITY", "0"});
  write_object("b", {"DGFXNAME", "rock", "DDENSITY", "0"});
  load_object_catalogue();
  name_slots(2, 2, {"rock", "#", "rock"});
  place_cell_objects(at(2, 2));
  EXPECT_EQ(at(2, 2).childInstance[0], 1);
  EXPECT_EQ(at(2, 2).childInstance[1], -1);
  EXPECT_EQ(at(2, 2).childInstance[2], 3);
  EXPECT_EQ(svc::list_size(worldState.instanceList), 4);
}

TEST_F(Objects, DensityGivesOneInDensityPlusOneAndPlacementsFollowTheSeed) {
  write_object("bush", {"DGFXNAME", "bush", "DDENSITY", "9"});
  write_object("never", {"DGFXNAME", "never", "DDENSITY", "-1"});
  load_object_catalogue();
  auto place_all = [&](uint32_t seed) {
    svc::random_seed(seed);
    std::vector<int> slots;
    for (int x = 0; x <= 9; x++)
      for (int y = 0; y <= 9; y++) {
        name_slots(x, y, {"bush", "never"});
        place_cell_objects(at(x, y));
        slots.push_back(at(x, y).childInstance[0] == -1 ? -1 : 1);
      }
    return slots;
  };
  std::vector<int> first = place_all(1234);
  int placed = 0;
  for (int s : first) placed += s == 1;
  EXPECT_GT(placed, 2);  // 100 draws at 1 in 10
  EXPECT_LT(placed, 25);
  EXPECT_EQ(svc::list_size(worldState.instanceList), placed);  // "never" never placed
  EXPECT_EQ(place_all(1234), first);
  EXPECT_NE(place_all(99), first);
}

TEST_F(Objects, FitHotSpotAndCentringRules) {
  write_bmp("p.bmp", 8, 4, 1, 2, 3);
  ObjectDefinition d;
  d.sprite = svc::load_sprite(-1, dir + "p.bmp", 4);
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
  EXPECT_EQ(i.offsetX * 100 + i.offsetY, 1616);
  int w = 0, h = 0;
  svc::headless::sprite3d_size(i.sprite3d, &w, &h);
  EXPECT_EQ(w * 100 + h, 3232);
  i = placed(1, "CENTER", 1);
  EXPECT_EQ(i.offsetX * 100 + i.offsetY, 3232);
  i = placed(0, "BOTTOMRIGHT", 0);
  EXPECT_EQ(i.offsetX * 100 + i.offsetY, 804);
  i = placed(0, "center", 0);
  EXPECT_EQ(i.offsetX * 100 + i.offsetY, 0);
  ObjectInstance none;  // no 3D sprite: nothing changes
  apply_placement_rules(none, d);
  EXPECT_EQ(none.width, 0.0f);
}

// Placed instances get what the placement rules give a new instance, for every fit, hot spot and
// centring, and follow the cell size when it changes between placements.
TEST_F(Objects, PlacementsTakeTheRulesAtTheCellSizeOfTheirPlacement) {
  const std::vector<std::vector<std::string>> rules = {
      {"DFITTOMATRIX", "1", "DHOTSPOT", "CENTER"}, {"DHOTSPOT", "RIGHT", "DCENTERFIELD", "1"},
      {"DHOTSPOT", "BOTTOMLEFT"},                  {"DFITTOMATRIX", "1", "DHOTSPOT", "BOTTOMRIGHT", "DCENTERFIELD", "1"},
      {"DHOTSPOT", "elsewhere"},                   {}};
  for (size_t k = 0; k < rules.size(); k++) {
    std::vector<std::string> lines = {"DGFXNAME", "o" + std::to_string(k), "DDENSITY", "0"};
    lines.insert(lines.end(), rules[k].begin(), rules[k].end());
    write_object("o" + std::to_string(k), lines);
  }
  load_object_catalogue();
  for (float resolution : {32.0f, 20.0f, 7.5f}) {
    engine.resolution = resolution;
    for (size_t k = 0; k < rules.size(); k++) {
      name_slots(static_cast<int>(k), 0, {"o" + std::to_string(k)});
      place_cell_objects(at(static_cast<int>(k), 0));
      const ObjectInstance& placed = instance(at(static_cast<int>(k), 0).childInstance[0]);
      const ObjectDefinition* d = nullptr;
      for (auto* n = worldState.objectCatalogue.head; n; n = n->next)
        if (n->value.objectName == "o" + std::to_string(k)) d = &n->value;
      ASSERT_NE(d, nullptr);
      ObjectInstance expected;
      expected.sprite3d = svc::create_sprite3d(-1, d->sprite);
      expected.width = 8;
      expected.height = 4;
      apply_placement_rules(expected, *d);
      const std::string what = "definition " + std::to_string(k) + " at " + std::to_string(resolution);
      EXPECT_EQ(placed.width, expected.width) << what;
      EXPECT_EQ(placed.height, expected.height) << what;
      EXPECT_EQ(placed.offsetX, expected.offsetX) << what;
      EXPECT_EQ(placed.offsetY, expected.offsetY) << what;
      int w = 0, h = 0, ew = 0, eh = 0;
      svc::headless::sprite3d_size(placed.sprite3d, &w, &h);
      svc::headless::sprite3d_size(expected.sprite3d, &ew, &eh);
      EXPECT_EQ(w * 1000 + h, ew * 1000 + eh) << what;
      svc::free_sprite3d(expected.sprite3d);
    }
  }
}

}  // namespace
