// os_posix_test.cpp -- what only the POSIX side of the operating-system layer does: a replaced file
// keeps its permissions when asked, a folder that takes no new files closes the rename route, and a
// child program's exit code and processor time
#include <sys/stat.h>
#include <unistd.h>

#include "os.h"
#include "os_programs.h"
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

// The benchmarks time programs through run_program: the code must be the program's, a program that
// never ran or was killed must not pass for one that succeeded, and its children's time must count.
TEST_F(OsPosix, AChildProgramGivesItsExitCodeAndProcessorTime) {
  double cpu = -1;
  EXPECT_EQ(os::run_program({"sh", "-c", "echo thrown away; exit 3"}, &cpu), 3);
  EXPECT_GE(cpu, 0);
  EXPECT_EQ(os::run_program({"sh", "-c", "kill -TERM $$"}, &cpu), -1);
  EXPECT_GE(cpu, 0);  // waited for, though it did not end by itself
  EXPECT_EQ(os::run_program({dir + "no such program"}, nullptr), 127);
  EXPECT_EQ(os::run_program({}, &cpu), -1);
  EXPECT_EQ(cpu, -1);
  // A grandchild's busy loop: the shell waits for it, so its time is the program's.
  EXPECT_EQ(os::run_program({"sh", "-c", "sh -c 'i=0; while [ $i -lt 100000 ]; do i=$((i+1)); done'"}, &cpu), 0);
  EXPECT_GT(cpu, 0.05);
}

// A link in a removed tree goes by itself: what it leads to stays.
TEST_F(OsPosix, RemovingATreeNeverFollowsItsLinks) {
  ASSERT_TRUE(os::make_folder(dir + "kept/inner"));
  put("kept/inner/map.red", "x");
  ASSERT_TRUE(os::make_folder(dir + "gone/sub"));
  ASSERT_EQ(::symlink((dir + "kept").c_str(), (dir + "gone/sub/link").c_str()), 0);
  ASSERT_EQ(::symlink((dir + "kept/inner/map.red").c_str(), (dir + "gone/file_link").c_str()), 0);
  EXPECT_TRUE(os::remove_tree(dir + "gone"));
  os::Info info;
  ASSERT_TRUE(os::path_info(dir + "gone", info, false));
  EXPECT_EQ(info.kind, os::Kind::MISSING);
  EXPECT_EQ(get("kept/inner/map.red"), "x");
}

}  // namespace
