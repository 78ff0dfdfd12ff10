// files_test.cpp -- line reading and writing, the numbered file table, sizes, renames
#include <filesystem>
#include <vector>

#include "os.h"
#include "services/files.h"
#include "services/paths.h"
#include "support/files.h"
#include "support/small_disk.h"
#include "support/temp_folder.h"

namespace {

using Files = support::TempFolder;

std::vector<std::string> read_all(int file) {
  std::vector<std::string> lines;
  while (!svc::end_of_file(file)) lines.push_back(svc::read_line(file));
  return lines;
}

TEST_F(Files, EveryTerminatorEndsALineAndCrLfEndsOnlyOne) {
  const char mixed[] = "a\r\nb\nc\rd\0e\r\r\nf\n\rg";
  put("mixed.txt", std::string(mixed, sizeof mixed - 1));
  ASSERT_EQ(svc::open_file_read(1, dir + "mixed.txt"), 1);
  // "\r\r\n" is a CR line end then a CR LF one; "\n\r" is two line ends.
  EXPECT_EQ(read_all(1), (std::vector<std::string>{"a", "b", "c", "d", "e", "", "f", "", "g"}));
  EXPECT_EQ(svc::read_line(1), "");
  svc::close_file(1);
}

TEST_F(Files, LastLineWithoutTerminatorIsReadThenEndOfFile) {
  put("last.txt", "one\r\ntwo");
  ASSERT_EQ(svc::open_file_read(1, dir + "last.txt"), 1);
  EXPECT_EQ(svc::read_line(1), "one");
  EXPECT_EQ(svc::end_of_file(1), 0);
  EXPECT_EQ(svc::read_line(1), "two");
  EXPECT_NE(svc::end_of_file(1), 0);
  svc::close_file(1);

  put("terminated.txt", "one\r\n");  // A final line end leaves no byte: no extra empty line
  ASSERT_EQ(svc::open_file_read(1, dir + "terminated.txt"), 1);
  EXPECT_EQ(read_all(1), std::vector<std::string>{"one"});
  svc::close_file(1);

  put("empty.txt", "");
  ASSERT_EQ(svc::open_file_read(1, dir + "empty.txt"), 1);
  EXPECT_NE(svc::end_of_file(1), 0);
  svc::close_file(1);
}

TEST_F(Files, LongLinesAndTerminatorsAcrossReadBlocks) {
  // Lines longer than any read block, and a CR LF split exactly at a 64 KiB block boundary.
  std::string big(300 * 1024, 'x');
  std::string first(65535, 'a');
  put("long.txt", first + "\r\n" + big + "\n" + "tail");
  ASSERT_EQ(svc::open_file_read(-1, dir + "long.txt"), 1);
  EXPECT_EQ(svc::read_line(1), first);
  EXPECT_EQ(svc::read_line(1), big);
  EXPECT_EQ(svc::read_line(1), "tail");
  EXPECT_NE(svc::end_of_file(1), 0);
  svc::close_file(1);
}

TEST_F(Files, WritesLargerThanTheBufferAllArriveOnClose) {
  ASSERT_EQ(svc::create_file(3, dir + "out.txt"), 1);
  std::string expected;
  for (int i = 0; i < 2000; i++) {
    std::string line = "line " + std::to_string(i) + std::string(i % 13, '.');
    ASSERT_EQ(svc::write_line(3, line), 1);
    expected += line + "\r\n";
  }
  ASSERT_EQ(svc::write_line(3, std::string(10000, 'L')), 1);  // One line longer than the buffer
  expected += std::string(10000, 'L') + "\r\n";
  // Raw bytes keep their place among the lines, whether buffered or written whole.
  const std::string block(70000, 'B');
  ASSERT_EQ(svc::write_bytes(3, "no end", 6), 1);
  ASSERT_EQ(svc::write_bytes(3, block.data(), block.size()), 1);
  ASSERT_EQ(svc::write_line(3, "after"), 1);
  expected += "no end" + block + "after\r\n";
  EXPECT_EQ(svc::close_file(3), 1);
  EXPECT_EQ(get("out.txt"), expected);
  EXPECT_EQ(svc::file_size(dir + "out.txt"), static_cast<int64_t>(expected.size()));
}

TEST_F(Files, NumbersAreChosenReusedAndReopened) {
  put("a.txt", "A\n");
  put("b.txt", "B\n");
  int first = svc::open_file_read(-1, dir + "a.txt");
  int second = svc::open_file_read(-1, dir + "b.txt");
  EXPECT_GE(first, 1);
  EXPECT_GE(second, 1);
  EXPECT_NE(first, second);
  // Reopening a number closes the old file first.
  EXPECT_EQ(svc::open_file_read(first, dir + "b.txt"), 1);
  EXPECT_EQ(svc::read_line(first), "B");
  EXPECT_EQ(svc::close_file(first), 1);
  EXPECT_EQ(svc::is_file(first), 0);
  EXPECT_EQ(svc::open_file_read(-1, dir + "a.txt"), first);  // The freed number is taken again
  svc::close_all_files();
  EXPECT_EQ(svc::is_file(second), 0);

  // Numbers that are not open files fail quietly.
  EXPECT_EQ(svc::read_line(42), "");
  EXPECT_EQ(svc::end_of_file(42), 0);
  EXPECT_EQ(svc::write_line(42, "x"), 0);
  EXPECT_EQ(svc::write_bytes(42, "x", 1), 0);
  EXPECT_EQ(svc::close_file(42), 0);
  EXPECT_EQ(svc::open_file_read(5, dir + "missing.txt"), 0);
  EXPECT_EQ(svc::open_file_read(5, dir), 0);  // A folder is not a file
  EXPECT_EQ(svc::is_file(5), 0);
}

TEST_F(Files, CreateNewNeverTruncatesAndReadWriteKeepsContents) {
  put("keep.txt", "precious\r\n");
  EXPECT_EQ(svc::create_new_file(1, dir + "keep.txt"), 0);
  EXPECT_EQ(get("keep.txt"), "precious\r\n");
  EXPECT_EQ(svc::create_new_file(1, dir + "new.txt"), 1);
  svc::close_file(1);
  EXPECT_EQ(svc::file_size(dir + "new.txt"), 0);
  // The same for a file that is only made, never opened: an existing file or folder stays as it was.
  EXPECT_EQ(svc::create_empty_file(dir + "keep.txt"), 0);
  EXPECT_EQ(get("keep.txt"), "precious\r\n");
  EXPECT_EQ(svc::create_empty_file(dir + "made"), 1);
  EXPECT_EQ(svc::file_size(dir + "made"), 0);
  EXPECT_EQ(svc::create_empty_file(dir), 0);
  EXPECT_EQ(svc::create_empty_file(dir + "missing/x"), 0);
  EXPECT_EQ(svc::create_empty_file(""), 0);

  // Read the first line, overwrite from there, then cut the rest off.
  put("rw.txt", "first\r\nsecond line\r\nthird line\r\n");
  ASSERT_EQ(svc::open_file_rw(2, dir + "rw.txt"), 1);
  EXPECT_EQ(svc::read_line(2), "first");
  EXPECT_EQ(svc::write_line(2, "2nd"), 1);
  EXPECT_EQ(svc::truncate_file(2), 1);
  EXPECT_EQ(svc::close_file(2), 1);
  EXPECT_EQ(get("rw.txt"), "first\r\n2nd\r\n");

  ASSERT_EQ(svc::open_file_rw(2, dir + "created.txt"), 1);  // Created when missing
  EXPECT_NE(svc::end_of_file(2), 0);
  svc::close_file(2);
  EXPECT_EQ(svc::file_size(dir + "created.txt"), 0);
}

TEST_F(Files, BackslashPathsOpenSubfolders) {
  put("DATA/sub/ini.txt", "KEY\r\nvalue\r\n");
  ASSERT_EQ(svc::open_file_read(1, dir + "DATA\\sub\\ini.txt"), 1);
  EXPECT_EQ(svc::read_line(1), "KEY");
  svc::close_file(1);
  EXPECT_EQ(svc::file_size(dir + "DATA\\sub\\ini.txt"), 12);
  EXPECT_EQ(svc::file_size(dir + "DATA\\sub"), -2);
  EXPECT_EQ(svc::file_size(dir + "DATA\\nothing"), -1);

  // A working folder whose own name holds a backslash keeps it; only the part after it is translated.
  put("w\\x/DATA/ini.txt", "KEY\r\n");
  const std::string previous = svc::current_directory();
  ASSERT_TRUE(os::change_folder(dir + "w\\x"));
  const std::string here = svc::current_directory();
  EXPECT_EQ(svc::file_size(here + "DATA\\ini.txt"), 5);
  EXPECT_EQ(svc::system_path(here + "DATA\\ini.txt"), here + "DATA/ini.txt");
  ASSERT_TRUE(os::change_folder(previous));
}

TEST_F(Files, RenameReplacesAndDeleteRemoves) {
  put("old.txt", "old");
  put("new.txt", "new");
  EXPECT_EQ(svc::rename_file(dir + "new.txt", dir + "old.txt"), 1);
  EXPECT_EQ(get("old.txt"), "new");
  EXPECT_EQ(svc::file_size(dir + "new.txt"), -1);
  EXPECT_EQ(svc::rename_file(dir + "new.txt", dir + "x.txt"), 0);
  EXPECT_EQ(svc::delete_file(dir + "old.txt"), 1);
  EXPECT_EQ(svc::delete_file(dir + "old.txt"), 0);
  EXPECT_EQ(svc::directory_writable(dir), 1);
  EXPECT_EQ(svc::directory_writable(dir + "nowhere\\"), 0);
}

TEST_F(Files, FullDiskIsReportedByClose) {
  // /dev/full accepts the open and fails every write: the buffered failure must reach close_file.
  os::Info info;
  if (!os::path_info("/dev/full", info, true) || info.kind == os::Kind::MISSING) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(svc::open_file_rw(1, "/dev/full"), 1);
  svc::write_line(1, "lost");
  EXPECT_EQ(svc::close_file(1), 0);
}

TEST_F(Files, ReplacementTakesTheNameWholeOrNotAtAll) {
  put("map.txt", std::string(9000, 'o') + "\r\n");
  ASSERT_EQ(svc::create_replacement(1, dir + "map.txt"), 1);
  svc::write_line(1, "new");
  EXPECT_EQ(get("map.txt").size(), 9002u);  // nothing of the new content shows before the close
  EXPECT_EQ(svc::close_file(1), 1);
  EXPECT_EQ(get("map.txt"), "new\r\n");  // a shorter content leaves no tail of the longer one
  // Discarded, or still open when the program ends: the file keeps what it had.
  ASSERT_NE(svc::create_replacement(2, dir + "map.txt"), 0);
  svc::write_line(2, "discarded");
  EXPECT_EQ(svc::discard_file(2), 1);
  const int unfinished = svc::create_replacement(-1, dir + "map.txt");
  ASSERT_NE(unfinished, 0);
  svc::write_line(unfinished, "unfinished");
  svc::close_all_files();
  EXPECT_EQ(get("map.txt"), "new\r\n");
  // A folder in the target's place is never replaced by a file.
  std::filesystem::create_directories(dir + "folder.txt");
  ASSERT_NE(svc::create_replacement(4, dir + "folder.txt"), 0);
  svc::write_line(4, "x");
  EXPECT_EQ(svc::close_file(4), 0);
  EXPECT_EQ(support::names_in(dir), (std::vector<std::string>{"folder.txt", "map.txt"}));
}

TEST_F(Files, ReplacementOnAFullOrReadOnlyDiskLeavesTheOldFileWhole) {
  support::SmallDisk disk;
  if (!disk.mount(dir + "disk", 64)) GTEST_SKIP() << disk.why();
  const std::string old = std::string(20000, 'o');
  put("disk/map.txt", old);
  // The new file does not fit beside the old one.
  ASSERT_EQ(svc::create_replacement(1, dir + "disk/map.txt"), 1);
  for (int i = 0; i < 100; i++) svc::write_line(1, std::string(1000, 'n'));
  EXPECT_EQ(svc::close_file(1), 0);
  EXPECT_EQ(get("disk/map.txt"), old);
  EXPECT_EQ(support::names_in(dir + "disk"), std::vector<std::string>{"map.txt"});
  // A folder that takes no new file: refused at once.
  ASSERT_TRUE(disk.read_only(true));
  EXPECT_EQ(svc::create_replacement(1, dir + "disk/map.txt"), 0);
  EXPECT_EQ(svc::create_replacement(1, dir + "disk/new.txt"), 0);
  EXPECT_EQ(get("disk/map.txt"), old);
  EXPECT_EQ(support::names_in(dir + "disk"), std::vector<std::string>{"map.txt"});
}

}  // namespace
