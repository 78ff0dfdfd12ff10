// directories_test.cpp -- path parts, the working directory and sorted, pattern-filtered directory scans
#include <filesystem>
#include <vector>

#include "os.h"
#include "services/directories.h"
#include "services/paths.h"
#include "support/temp_folder.h"

namespace {

using Directories = support::TempFolder;

std::vector<std::string> scan(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  if (!svc::examine_directory(7, folder, pattern)) return {"<failed>"};
  while (svc::next_directory_entry(7)) {
    std::string name = svc::directory_entry_name(7);
    names.push_back(svc::directory_entry_type(7) == 2 ? name + "/" : name);
  }
  svc::finish_directory(7);
  return names;
}

TEST(Paths, FileAndFolderPartsSplitAtEitherSeparator) {
  EXPECT_EQ(svc::get_file_part("C:\\maps\\land.png"), "land.png");
  EXPECT_EQ(svc::get_file_part("/home/u/maps/land.png"), "land.png");
  EXPECT_EQ(svc::get_file_part("maps/sub\\land.png"), "land.png");
  EXPECT_EQ(svc::get_file_part("\"C:\\My Maps\\land.png\""), "land.png");
  EXPECT_EQ(svc::get_file_part("land.png"), "land.png");
  EXPECT_EQ(svc::get_file_part("maps\\"), "");
  EXPECT_EQ(svc::folder_part("maps\\sub/land.png"), "maps\\sub/");
  EXPECT_EQ(svc::folder_part("land.png"), "");
  EXPECT_EQ(svc::system_path("DATA\\ini.txt"), "DATA/ini.txt");
}

TEST_F(Directories, CurrentDirectoryEndsInTheSeparator) {
  std::string here = svc::current_directory();
  ASSERT_FALSE(here.empty());
  EXPECT_EQ(here.back(), '/');
  ASSERT_TRUE(os::change_folder(dir));
  std::string inside = svc::current_directory();
  ASSERT_TRUE(os::change_folder(here));
  EXPECT_EQ(std::filesystem::equivalent(inside, dir), true);
  EXPECT_EQ(inside.back(), '/');
}

TEST_F(Directories, EntriesSortWithoutRegardToCaseAndPatternsIgnoreCase) {
  for (const char* name : {"b.PNG", "A.png", "c.txt", "README", "a.Png", "Z.jpg"}) put(name, "x");
  std::filesystem::create_directory(dir + "Folder");
  // Letter case is ignored for order; names equal but for case fall back to byte order.
  EXPECT_EQ(scan(dir, "*.*"),
            (std::vector<std::string>{"A.png", "a.Png", "b.PNG", "c.txt", "Folder/", "README", "Z.jpg"}));
  EXPECT_EQ(scan(dir, "*.png"), (std::vector<std::string>{"A.png", "a.Png", "b.PNG"}));
  EXPECT_EQ(scan(dir, "?.TXT"), (std::vector<std::string>{"c.txt"}));
  EXPECT_EQ(scan(dir, "*"), scan(dir, "*.*"));
  EXPECT_EQ(scan(dir, "r*e"), (std::vector<std::string>{"README"}));
  EXPECT_EQ(scan(dir, "*.gif"), (std::vector<std::string>{}));
}

TEST_F(Directories, BackslashFoldersAndMissingFolders) {
  put("DATA/GFX/tile.png", "x");
  EXPECT_EQ(scan(dir + "DATA\\GFX\\", "*.png"), (std::vector<std::string>{"tile.png"}));
  EXPECT_EQ(scan(dir + "DATA\\GFX", "*.png"), (std::vector<std::string>{"tile.png"}));
  EXPECT_EQ(scan(dir + "nothing\\", "*.*"), (std::vector<std::string>{"<failed>"}));
}

TEST_F(Directories, ScansAreIndependentAndQueriesOutsideAScanAreEmpty) {
  put("one.txt", "1");
  put("two.txt", "2");
  int a = svc::examine_directory(-1, dir, "*.txt");
  int b = svc::examine_directory(-1, dir, "*.txt");
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  ASSERT_NE(a, b);
  EXPECT_EQ(svc::directory_entry_name(a), "");  // Before the first advance
  ASSERT_EQ(svc::next_directory_entry(a), 1);
  ASSERT_EQ(svc::next_directory_entry(a), 1);
  ASSERT_EQ(svc::next_directory_entry(b), 1);
  EXPECT_EQ(svc::directory_entry_name(a), "two.txt");
  EXPECT_EQ(svc::directory_entry_name(b), "one.txt");
  EXPECT_EQ(svc::directory_entry_type(b), 1);
  EXPECT_EQ(svc::next_directory_entry(a), 0);
  EXPECT_EQ(svc::directory_entry_name(a), "");
  EXPECT_EQ(svc::next_directory_entry(a), 0);
  svc::finish_directory(a);
  svc::finish_directory(b);
  EXPECT_EQ(svc::next_directory_entry(a), 0);
  EXPECT_EQ(svc::directory_entry_type(a), 0);
}

}  // namespace
