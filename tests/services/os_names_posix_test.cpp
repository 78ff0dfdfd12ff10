// os_names_posix_test.cpp -- names found without regard to case on a system that keeps case: which of
// two names that differ only in case is found, and a folder's index that follows the folder's changes
#include <sys/stat.h>
#include <utime.h>

#include <string>
#include <vector>

#include "os.h"
#include "support/temp_folder.h"

namespace {

class OsNamesPosix : public support::TempFolder {
 protected:
  std::string read_all(const std::string& path) {
    const os::Handle h = os::open_file(path, os::Open::READ);
    if (h == os::kNoHandle) return "(not opened)";
    char buf[64];
    const int64_t n = os::read_some(h, buf, sizeof buf);
    os::close_file(h);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
  }
  // The folder's times set an hour back, so its index counts as read after its last change.
  void age(const std::string& folder) {
    struct utimbuf old = {::time(nullptr) - 3600, ::time(nullptr) - 3600};
    ASSERT_EQ(::utime((dir + folder).c_str(), &old), 0);
  }
};

TEST_F(OsNamesPosix, OfNamesThatDifferOnlyInCaseTheExactWinsElseTheFirstInByteOrder) {
  put("Gfx/Forest.png", "Forest");
  put("Gfx/forest.png", "forest");
  put("Gfx/FOREST.PNG", "FOREST");
  put("GFX/other", "other");
  EXPECT_EQ(read_all(dir + "Gfx/forest.png"), "forest");
  EXPECT_EQ(read_all(dir + "Gfx/Forest.png"), "Forest");
  for (int again = 0; again < 3; ++again) EXPECT_EQ(read_all(dir + "Gfx/forest.PNG"), "FOREST");
  // The folders too: "GFX" < "Gfx" in byte order, and each part is found on its own.
  EXPECT_EQ(read_all(dir + "gfx/other"), "other");
  EXPECT_EQ(read_all(dir + "gfx/Forest.PNG"), "(not opened)");  // GFX holds no such file
  EXPECT_EQ(read_all(dir + "Gfx/FOREST.png"), "FOREST");
  // A write to a name of other case replaces the first in byte order, as a read would find it.
  ASSERT_EQ(os::replace_file(dir + "Gfx/forest.Png", {"new"}, false), os::Replaced::DONE);
  EXPECT_EQ(get("Gfx/FOREST.PNG"), "new");
  EXPECT_EQ(get("Gfx/forest.png"), "forest");
  EXPECT_EQ(support::names_in(dir + "Gfx").size(), 3u);
}

// A rename onto a file of other case keeps that file's name; a rename to a name's own other case renames it.
TEST_F(OsNamesPosix, ARenameOntoOtherCaseKeepsTheNameAndACaseChangeIsMade) {
  put("Maps/island.red", "old");
  put("Maps/draft", "draft");
  ASSERT_TRUE(os::rename_path(dir + "maps/DRAFT", dir + "MAPS/ISLAND.RED"));
  EXPECT_EQ(support::names_in(dir + "Maps"), (std::vector<std::string>{"island.red"}));
  EXPECT_EQ(get("Maps/island.red"), "draft");
  ASSERT_TRUE(os::rename_path(dir + "Maps/island.red", dir + "maps/Island.RED"));
  EXPECT_EQ(support::names_in(dir + "Maps"), (std::vector<std::string>{"Island.RED"}));
}

TEST_F(OsNamesPosix, AFolderThatChangesAfterItsIndexWasMadeIsReadAgain) {
  put("Maps/Island.qz61", "first");
  age("Maps");
  EXPECT_EQ(read_all(dir + "Maps/ISLAND.QZ61"), "first");  // The index is made here
  // A name that came later, one that went, and one that came back in other case.
  put("Maps/Coast.red", "coast");
  EXPECT_EQ(read_all(dir + "Maps/COAST.RED"), "coast");
  age("Maps");
  ASSERT_EQ(::unlink((dir + "Maps/Island.qz61").c_str()), 0);
  EXPECT_EQ(read_all(dir + "Maps/ISLAND.QZ61"), "(not opened)");
  put("Maps/ISLAND.qz61", "second");
  EXPECT_EQ(read_all(dir + "Maps/island.qz61"), "second");
  // The same within one tick of the file system's clock: no waiting between the changes.
  for (int i = 0; i < 20; ++i) {
    const std::string name = "Maps/n" + std::to_string(i);
    put(name, name);
    EXPECT_EQ(read_all(dir + "maps/N" + std::to_string(i)), name);
  }
  // A folder replaced by another of the same name is another folder.
  ASSERT_EQ(::rename((dir + "Maps").c_str(), (dir + "Old").c_str()), 0);
  put("Maps/island.QZ61", "third");
  age("Maps");
  EXPECT_EQ(read_all(dir + "MAPS/Island.qz61"), "third");
}

}  // namespace
