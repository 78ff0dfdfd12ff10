// os_posix_test.cpp -- what only the POSIX side of the operating-system layer does: a replaced file
// keeps its permissions when asked, and a folder that takes no new files closes the rename route
#include <sys/stat.h>
#include <unistd.h>

#include "os.h"
#include "support/temp_folder.h"

namespace {

using OsPosix = support::TempFolder;

TEST_F(OsPosix, AReplacedFileKeepsItsPermissionsAndAClosedFolderRefusesTheRoute) {
  put("notes.txt", "old");
  const std::string target = dir + "notes.txt";
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  ASSERT_EQ(os::replace_file(target, {"kept"}, true), os::Replaced::DONE);
  os::Info info;
  ASSERT_TRUE(os::path_info(target, info, true));
  EXPECT_EQ(info.permissions, 0640u);
  EXPECT_EQ(get("notes.txt"), "kept");

  if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes into any folder";
  ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
  EXPECT_EQ(os::replace_file(target, {"new"}, false), os::Replaced::NOT_POSSIBLE);
  ::chmod(dir.c_str(), 0755);
  EXPECT_EQ(get("notes.txt"), "kept");
}

}  // namespace
