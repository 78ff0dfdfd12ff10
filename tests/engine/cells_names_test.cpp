// cells_names_test.cpp -- names shared by cells through the name table, and a load that reuses a code's definition
#include <string>
#include <vector>

#include "world/map_loading.h"
#include "world_fixture.h"

namespace {

TEST(CellNames, EqualTextsShareANumberAndReadAsText) {
  CellName a, b, none;
  a = "oak";
  b = std::string("oak");
  EXPECT_EQ(a.id, b.id);
  EXPECT_TRUE(a == b && a == "oak" && std::string("oak") == a);
  EXPECT_TRUE(a != "oa" && a != std::string("oak "));
  EXPECT_EQ("[" + a + "]", "[oak]");
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none, "");
  b = "";
  EXPECT_EQ(b.id, 0u);  // the empty text is the zero-filled name
  const char* nothing = nullptr;
  b = nothing;
  EXPECT_TRUE(b.empty());
}

TEST(CellNames, TextsStayPutWhileTheTableGrows) {
  CellName first;
  first = "first name of this test";
  const std::string& text = first;
  std::vector<CellName> more(5000);
  for (size_t i = 0; i < more.size(); i++) more[i] = "grown " + std::to_string(i);
  EXPECT_EQ(text, "first name of this test");
  EXPECT_EQ(&text, &first.str());
  EXPECT_EQ(more[4321], "grown 4321");
}

class CellNamesLoad : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    use_world_folders();
    engine.useSprite3D = 1;
    engine.resolution = 32.0f;
    engine.screenWidth = 640.0f;
    engine.screenHeight = 480.0f;
  }
};

// The load looks a definition up again only when the code changes: runs of one code, a code that
// comes back, lines that join to the same code, and a longer code with the same start.
TEST_F(CellNamesLoad, EachCellGetsItsOwnCodesDefinition) {
  svc::dim_array(worldState.world, 0, 5);
  const std::vector<std::vector<std::string>> pixels = {{"1", "2", "3"}, {"1", "2", "3"}, {"4", "5", "6"},
                                                        {"1", "2", "3"}, {"12", "3", ""}, {"1", "2", "34"}};
  std::vector<std::string> code = {"AI", "0", "5", "", ""};
  for (const auto& p : pixels) code.insert(code.end(), p.begin(), p.end());
  write_file("maps/land.qz61", crlf_lines(code));
  write_pairs("codes/land/123", {"GFXNAME", "a.bmp", "CHILD1", "oak"});
  write_pairs("codes/land/456", {"GFXNAME", "b.bmp", "CHILD2", "pine"});
  write_pairs("codes/land/1234", {"CHILD1", "elm"});
  load_topographic_map(engine.appEntry + engine.appStart + ".qz61");
  std::string seen;
  for (int y = 0; y <= 5; y++) {
    const WorldCell& c = *svc::cell(worldState.world, 0, y);
    seen += c.code + ":" + c.pictureName + "/" + c.childName[0] + "/" + c.childName[1] + " ";
  }
  EXPECT_EQ(seen,
            "123:a.bmp/oak/ 123:a.bmp/oak/ 456:b.bmp//pine 123:a.bmp/oak/ 123:a.bmp/oak/ "
            "1234:dummy.png/elm/ ");
}

}  // namespace
