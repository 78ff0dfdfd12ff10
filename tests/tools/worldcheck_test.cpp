// worldcheck_test.cpp -- the worldcheck program: a crafted broken world gets each of its faults named,
// the examples check clean, and a wrong argument is refused
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::string tool(const std::string& name) { return std::string(SUITE_BINARY_DIR) + "/tools/" + name; }

class Worldcheck : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(tool("worldcheck") + SUITE_EXE)) GTEST_SKIP() << "tools not built";
    dir = support::make_temp_folder("worldcheck_test_");
    ASSERT_FALSE(dir.empty());
  }
  void TearDown() override {
    if (!dir.empty()) support::remove_folder(dir);
  }
  std::string check(const std::string& folder, int& status) {
    return support::shell_output("'" + tool("worldcheck") + "' '" + folder + "' 2>&1", &status);
  }
  std::string dir;
};

TEST_F(Worldcheck, TheExamplesCheckClean) {
  for (const char* world : {"world", "labyrinth"}) {
    int status = -1;
    const std::string out = check(std::string(SUITE_SOURCE_DIR) + "/examples/" + world, status);
    EXPECT_EQ(status, 0) << world << ":\n" << out;
    EXPECT_EQ(out, "") << world;
  }
}

TEST_F(Worldcheck, AWorldWorldmakeMadeChecksClean) {
  if (!fs::exists(tool("worldmake") + SUITE_EXE)) GTEST_SKIP() << "worldmake not built";
  const std::string land = std::string(SUITE_SOURCE_DIR) + "/examples/mapconvert/land.png";
  ASSERT_EQ(support::shell("'" + tool("worldmake") + "' '" + land + "' '" + dir + "made' --colours 6 --quiet"), 0);
  int status = -1;
  EXPECT_EQ(check(dir + "made", status), "");
  EXPECT_EQ(status, 0);
}

TEST_F(Worldcheck, ABrokenWorldGetsEachFaultNamed) {
  const std::string w = dir + "broken/";
  fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/world", w, fs::copy_options::recursive);
  // A definition naming its picture in other case, one naming an object nobody provides, an empty
  // definition, a code without any, a definition no cell uses, a picture without its .dll, a .dll
  // without its picture, a map of another size, and a folder found only by ignoring case.
  ASSERT_TRUE(support::write_file(w + "codes/island/060160060", "GFXNAME\r\nGrass.PNG\r\nCHILD1\r\nunicorn\r\n"));
  ASSERT_TRUE(support::write_file(w + "codes/island/128128128", ""));
  fs::remove(w + "codes/island/000000000");
  ASSERT_TRUE(support::write_file(w + "codes/island/123123123", "GFXNAME\r\nsand.png\r\n"));
  fs::remove(w + "gfx/objects/stone.dll");
  ASSERT_TRUE(support::write_file(w + "gfx/objects/ghost.dll", "OBJECTNAME\r\nghost\r\n"));
  std::string red = support::read_file(w + "maps/island.red");
  red.replace(red.find("\r\n") + 2, 2, "48");
  ASSERT_TRUE(support::write_file(w + "maps/island.red", red));
  fs::rename(w + "gfx/topo", w + "gfx/topo.renaming");  // Through another name: a case-only rename may do nothing
  fs::rename(w + "gfx/topo.renaming", w + "gfx/Topo");
  ASSERT_TRUE(support::write_file(w + "gfx/Topo/water.png", "not a picture"));
  std::string ini = support::read_file(w + "DATA/ini.txt");
  ASSERT_TRUE(support::write_file(w + "DATA/ini.txt", ini + "LOADSCREEN\r\nload#.png\r\n"));
  int status = -1;
  const std::string out = check(w, status);
  EXPECT_EQ(status, 1);
  for (const char* expected :
       {"maps missing, unreadable or of different sizes (1):", "but maps\\island.red is 48 x 29",
        "codes\\island\\000000000: missing for code 000000000, 77 cells, the first at (0, 29)",
        "codes\\island\\128128128: empty", "GFXNAME Grass.PNG: no such picture", "the picture grass.png differs only in letter case",
        "CHILD unicorn: no object", "stone.png: no stone.dll beside it", "ghost.dll: no .png picture",
        "codes\\island\\123123123: no cell of the map has this code",
        "topo\\ is spelled gfx", "Topo", "water.png: cannot be decoded (474 cells, the first at",
        "LOADSCREEN load#.png: load0.png is missing", "LOADSCREEN load#.png: load1.png is missing"})
    EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
}

// worldshot draws the world all the same, and says in one line that something is missing and where
// the list is; of a clean world it says nothing.
TEST_F(Worldcheck, WorldshotSummarisesTheCheckOnStandardError) {
  if (!fs::exists(tool("worldshot") + SUITE_EXE)) GTEST_SKIP() << "worldshot not built";
  const std::string w = dir + "w/";
  fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/world", w, fs::copy_options::recursive);
  auto shot = [&](int& status) {
    return support::shell_output("'" + tool("worldshot") + "' --cell 4 '" + w + "' '" + dir + "w.png' 2>&1", &status);
  };
  int status = -1;
  EXPECT_EQ(shot(status), "");
  EXPECT_EQ(status, 0);
  ASSERT_TRUE(support::write_file(w + "codes/island/060160060", "GFXNAME\r\nGrass.PNG\r\nCHILD1\r\nunicorn\r\n"));
  const std::string err = shot(status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(err.find("worldshot: 2 things the world names are missing or unusable; run worldcheck in "),
            std::string::npos)
      << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST_F(Worldcheck, ALabyrinthWithoutItsBaseFileIsTold) {
  const std::string w = dir + "lab/";
  fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/labyrinth", w, fs::copy_options::recursive);
  fs::remove(w + "base.txt");
  int status = -1;
  const std::string out = check(w, status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("load screen and base file (1):\n  SELFCREATEBASE "), std::string::npos) << out;
  EXPECT_NE(out.find("base.txt: the base file is missing"), std::string::npos) << out;
}

TEST_F(Worldcheck, AFolderWithoutSettingsAndWrongArgumentsAreTold) {
  int status = -1;
  std::string out = check(dir, status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("DATA\\ini.txt: missing"), std::string::npos) << out;
  out = check(dir + "nothing", status);
  EXPECT_EQ(status, 2);
  out = support::shell_output("'" + tool("worldcheck") + "' --colour 2>&1", &status);
  EXPECT_EQ(status, 2);
}

}  // namespace
