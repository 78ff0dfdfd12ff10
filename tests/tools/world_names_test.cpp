// world_names_test.cpp -- a world brought from Windows: every name the programs open written in other
// letter case, in the settings and on disk, gives the same world and the same picture
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::string tool(const std::string& name) { return std::string(SUITE_BINARY_DIR) + "/tools/" + name; }

// A rename that changes only letter case, through a name of its own: some systems take a direct one
// for a rename onto itself and leave the name as it was.
void rename_case(const std::string& from, const std::string& to) {
  fs::rename(from, from + ".renaming");
  fs::rename(from + ".renaming", to);
}

void replace_line(std::string& text, const std::string& line, const std::string& by) {
  const size_t at = text.find("\r\n" + line + "\r\n");
  ASSERT_NE(at, std::string::npos) << line;
  text.replace(at + 2, line.size(), by);
}

class WorldNames : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(tool("worldshot") + SUITE_EXE) || !fs::exists(tool("worlddump") + SUITE_EXE))
      GTEST_SKIP() << "tools not built";
    dir = support::make_temp_folder("world_names_test_");
    ASSERT_FALSE(dir.empty());
    fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/world", dir + "exact", fs::copy_options::recursive);
  }
  void TearDown() override {
    if (!dir.empty()) support::remove_folder(dir);
  }
  // What worlddump prints in a world folder, and the picture worldshot draws of it.
  std::string dump(const std::string& world) {
    int status = -1;
    const std::string out = support::shell_output("cd '" + dir + world + "' && '" + tool("worlddump") + "'", &status);
    EXPECT_EQ(status, 0) << world;
    return out;
  }
  std::string shot(const std::string& world) {
    EXPECT_EQ(support::shell("'" + tool("worldshot") + "' '" + dir + world + "' '" + dir + world + ".png'"), 0);
    return support::read_file(dir + world + ".png");
  }
  std::string dir;
};

TEST_F(WorldNames, AWorldWhoseNamesAreInOtherCaseIsTheSameWorld) {
  // The settings name every folder in other case; on disk the folders, maps, definition files and
  // .dll files are renamed another way again. Picture names stay: GFXNAME compares them exactly.
  fs::copy(dir + "exact", dir + "other", fs::copy_options::recursive);
  const std::string w = dir + "other/";
  std::string ini = support::read_file(w + "DATA/ini.txt");
  replace_line(ini, "maps\\", "MAPS\\");
  replace_line(ini, "island", "Island");
  replace_line(ini, "gfx\\topo\\", "Gfx\\Topo\\");
  replace_line(ini, "gfx\\objects\\", "GFX\\Objects\\");
  replace_line(ini, "codes\\", "Codes\\");
  ASSERT_TRUE(support::write_file(w + "DATA/ini.txt", ini));
  rename_case(w + "DATA", w + "data");
  rename_case(w + "maps/island.qz61", w + "maps/ISLAND.QZ61");
  rename_case(w + "maps/island.red", w + "maps/Island.Red");
  rename_case(w + "gfx", w + "gFX");
  rename_case(w + "gFX/topo", w + "gFX/TOPO");
  for (const char* name : {"bush", "flower", "stone", "tree"})
    rename_case(w + "gFX/objects/" + name + ".dll", w + "gFX/objects/" + std::string(name) + ".DLL");
  rename_case(w + "codes/island", w + "codes/ISLAND");
  rename_case(w + "codes", w + "CODES");

  const std::string exact = dump("exact");
  EXPECT_NE(exact.find("grass.png"), std::string::npos);
  EXPECT_EQ(dump("other"), exact);
  const std::string picture = shot("exact");
  EXPECT_FALSE(picture.empty());
  EXPECT_TRUE(shot("other") == picture) << "the pictures differ";
  // The world's folder named in other case on the command line is found too.
  EXPECT_EQ(support::shell("'" + tool("worldshot") + "' '" + dir + "OTHER' '" + dir + "again.png'"), 0);
  EXPECT_TRUE(support::read_file(dir + "again.png") == picture);
  const std::vector<std::string> top = support::names_in(w);
  EXPECT_EQ(top, (std::vector<std::string>{"CODES", "data", "gFX", "make_world.sh", "maps"}))
      << "nothing is made in another spelling";
}

}  // namespace
