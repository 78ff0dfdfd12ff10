// os_test.cpp -- the operating-system layer's promises that every system keeps: replacing a file whole
// or not at all (also on a full disk), creating a file only once, making and removing folders, and
// seeing a folder's changes
#include "os.h"
#include "os_programs.h"
#include "os_test_hook.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "services/files.h"
#include "services/pictures.h"
#include "support/temp_folder.h"

namespace {

class Os : public support::TempFolder {
 protected:
  void TearDown() override {
    os::fail_writes_after(-1);
    support::TempFolder::TearDown();
  }
  // The names in the folder, sorted.
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  // Collects changes until one of `name` with `gone` as given arrives, for up to five seconds (a
  // system may deliver them a moment later); everything collected on the way stays in `seen`.
  bool wait_for_change(const std::string& name, bool gone, std::vector<os::Change>& seen) {
    for (int i = 0; i < 500; ++i) {
      os::collect_changes(seen);
      for (const os::Change& c : seen)
        if (c.name == name && c.gone == gone) return true;
      os::sleep_milliseconds(10);
    }
    return false;
  }
};

using Names = std::vector<std::string>;

TEST_F(Os, ReplacingAFileGivesTheNewContentOrLeavesTheOldWhole) {
  put("map.txt", "old content");
  const std::string target = dir + "map.txt";

  EXPECT_EQ(os::replace_file(target, {"new ", "content", ""}, false), os::Replaced::DONE);
  EXPECT_EQ(get("map.txt"), "new content");
  EXPECT_EQ(names(), Names{"map.txt"});

  // A missing target is made.
  EXPECT_EQ(os::replace_file(dir + "fresh.txt", {"x"}, true), os::Replaced::DONE);
  EXPECT_EQ(get("fresh.txt"), "x");

  // A disk that fills up halfway: the old content stays and nothing is left beside it.
  os::fail_writes_after(4);
  EXPECT_EQ(os::replace_file(target, {"a longer text than fits"}, false), os::Replaced::FAILED);
  EXPECT_EQ(get("map.txt"), "new content");
  EXPECT_EQ(names(), (Names{"fresh.txt", "map.txt"}));

  // The disk is full from the start; then room again.
  os::fail_writes_after(0);
  EXPECT_EQ(os::replace_file(target, {"z"}, false), os::Replaced::FAILED);
  os::fail_writes_after(-1);
  EXPECT_EQ(os::replace_file(target, {"room again"}, false), os::Replaced::DONE);
  EXPECT_EQ(get("map.txt"), "room again");

  // A replacement given up halfway leaves the target as it was.
  os::Replacement r;
  ASSERT_TRUE(os::begin_replace(target, false, r));
  ASSERT_TRUE(os::write_all(r.file, "half", 4));
  os::abandon_replace(r);
  EXPECT_EQ(get("map.txt"), "room again");
  EXPECT_EQ(names(), (Names{"fresh.txt", "map.txt"}));

  // No folder to write into: nothing is made.
  EXPECT_EQ(os::replace_file(dir + "missing/map.txt", {"x"}, false), os::Replaced::NOT_POSSIBLE);
}

TEST_F(Os, TheFullDiskReachesTheServicesWriters) {
  // A numbered text file reports the lost bytes when it is closed; a PNG keeps its old version.
  const int file = svc::create_file(-1, dir + "out.txt");
  ASSERT_NE(file, 0);
  os::fail_writes_after(10);
  for (int i = 0; i < 2000; ++i) svc::write_line(file, "a line that fills the buffer");
  EXPECT_EQ(svc::close_file(file), 0);

  os::fail_writes_after(-1);
  svc::Picture picture;
  picture.width = picture.height = 64;
  picture.rgba.assign(64 * 64 * 4, 200);
  ASSERT_EQ(svc::write_png(dir + "shot.png", picture), 1);
  const std::string before = get("shot.png");
  picture.rgba.assign(64 * 64 * 4, 17);
  os::fail_writes_after(20);
  EXPECT_EQ(svc::write_png(dir + "shot.png", picture), 0);
  EXPECT_EQ(get("shot.png"), before);
  EXPECT_EQ(names(), (Names{"out.txt", "shot.png"}));
}

TEST_F(Os, AnEmptyFileIsCreatedOnlyWhereNoneExists) {
  const std::string path = dir + "060160060";
  EXPECT_EQ(os::create_empty_file(path), os::Made::MADE);
  os::Info info;
  ASSERT_TRUE(os::path_info(path, info, true));
  EXPECT_EQ(info.kind, os::Kind::FILE);
  EXPECT_EQ(info.size, 0);

  put("060160060", "GFXNAME\r\nforest.png\r\n");
  EXPECT_EQ(os::create_empty_file(path), os::Made::EXISTS);
  EXPECT_EQ(get("060160060"), "GFXNAME\r\nforest.png\r\n");
  EXPECT_EQ(os::open_file(path, os::Open::CREATE_ONLY), os::kNoHandle);
  EXPECT_EQ(get("060160060"), "GFXNAME\r\nforest.png\r\n");

  EXPECT_EQ(os::create_empty_file(dir + "no/such/folder/000000000"), os::Made::FAILED);
  std::filesystem::create_directory(dir + "folder");
  EXPECT_EQ(os::create_empty_file(dir + "folder"), os::Made::EXISTS);
}

TEST_F(Os, AWatchedFolderReportsSavesCreationsAndDeletions) {
  put("world.txt", "one");
  const int watch = os::watch_folder(dir);
  ASSERT_GT(watch, 0);
  std::vector<os::Change> seen;
  os::collect_changes(seen);
  EXPECT_TRUE(seen.empty());

  // A save by rename shows as a change of the saved name, which still exists.
  ASSERT_EQ(os::replace_file(dir + "world.txt", {"two"}, false), os::Replaced::DONE);
  EXPECT_TRUE(wait_for_change("world.txt", false, seen));
  for (const os::Change& c : seen) {
    EXPECT_EQ(c.watch, watch);
    if (c.name != "world.txt") {
      EXPECT_TRUE(c.gone) << c.name;  // The new file's passing name is gone again
    }
  }

  seen.clear();
  put("new.txt", "made");
  EXPECT_TRUE(wait_for_change("new.txt", false, seen));
  seen.clear();
  ASSERT_TRUE(os::remove_file(dir + "new.txt"));
  EXPECT_TRUE(wait_for_change("new.txt", true, seen));

  // A second watch of the same folder shares the number; the folder stays watched until both end.
  EXPECT_EQ(os::watch_folder(dir), watch);
  os::unwatch_folder(watch);
  seen.clear();
  put("late.txt", "x");
  EXPECT_TRUE(wait_for_change("late.txt", false, seen));
  os::unwatch_folder(watch);
  seen.clear();
  put("later.txt", "x");
  os::sleep_milliseconds(50);
  os::collect_changes(seen);
  EXPECT_TRUE(seen.empty());

  EXPECT_EQ(os::watch_folder(dir + "missing"), 0);
  EXPECT_EQ(os::watch_folder(dir + "world.txt"), 0);  // A file is no folder to watch
}

TEST_F(Os, FoldersAreMadeWithTheFoldersOnTheirWayAndRemovedWithEverythingInThem) {
  EXPECT_TRUE(os::make_folder(dir + "world/codes/land"));
  EXPECT_TRUE(os::make_folder(dir + "world/codes/land/"));  // There already
  put("world/codes/land/010200003", "GFXNAME\r\ngrass.png\r\n");
  EXPECT_EQ(get("world/codes/land/010200003"), "GFXNAME\r\ngrass.png\r\n");
  // A folder named in other case is the one there, as every name here is found.
  EXPECT_TRUE(os::make_folder(dir + "WORLD/Codes/sea"));
  EXPECT_EQ(names(), Names{"world"});
  os::Info info;
  ASSERT_TRUE(os::path_info(dir + "world/codes/sea", info, true));
  EXPECT_EQ(info.kind, os::Kind::FOLDER);

  // A file where a folder should be is no folder, and nothing is made beyond it.
  put("notes.txt", "x");
  EXPECT_FALSE(os::make_folder(dir + "notes.txt"));
  EXPECT_FALSE(os::make_folder(dir + "notes.txt/inside"));
  EXPECT_EQ(get("notes.txt"), "x");

  EXPECT_FALSE(os::remove_folder(dir + "world/codes/land"));  // Not empty
  EXPECT_TRUE(os::remove_folder(dir + "world/codes/SEA"));
  EXPECT_FALSE(os::path_info(dir + "world/codes/sea", info, true) && info.kind != os::Kind::MISSING);
  EXPECT_TRUE(os::remove_tree(dir + "World"));
  EXPECT_EQ(names(), Names{"notes.txt"});
  EXPECT_TRUE(os::remove_tree(dir + "world"));  // Nothing there is nothing left
  EXPECT_TRUE(os::remove_tree(dir + "notes.txt"));
  EXPECT_EQ(names(), Names{});
}

TEST_F(Os, ARelativePathIsCompletedFromTheWorkingFolder) {
  EXPECT_EQ(os::absolute_path(dir + "shot.png"), dir + "shot.png");
  const std::string before = os::current_folder();
  ASSERT_TRUE(os::change_folder(dir));
  const std::string here = os::current_folder();
  const std::string completed = os::absolute_path("pictures/shot.png");
  ASSERT_TRUE(os::change_folder(before));
  // Windows spells the whole path with its own separator.
  auto slashes = [](std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
  };
  EXPECT_EQ(slashes(completed), slashes(here) + "/pictures/shot.png");
}

TEST(OsClocks, TheMonotonicClocksAgreeAndTheThreadTimeCountsWork) {
  const uint64_t micro = os::monotonic_microseconds(), milli = os::monotonic_milliseconds();
  os::sleep_milliseconds(30);
  EXPECT_GE(os::monotonic_microseconds() - micro, 25000u);
  EXPECT_GE(os::monotonic_milliseconds() - milli, 25u);

  // Work until the thread's time grows; Windows counts it in scheduler ticks (about 16 ms).
  const double start = os::thread_processor_seconds();
  ASSERT_GE(start, 0);
  const uint64_t deadline = os::monotonic_milliseconds() + 10000;
  volatile uint64_t sum = 0;
  while (os::thread_processor_seconds() <= start && os::monotonic_milliseconds() < deadline)
    for (uint64_t i = 0; i < 100000u; ++i) sum = sum + i;
  EXPECT_GT(os::thread_processor_seconds(), start);
}

TEST(OsEnvironment, AVariableIsReadAndAMissingOneIsEmpty) {
  EXPECT_NE(os::environment_variable("PATH"), "");
  EXPECT_EQ(os::environment_variable("ORVANEL_NO_SUCH_VARIABLE"), "");
}

}  // namespace
