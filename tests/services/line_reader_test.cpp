// line_reader_test.cpp -- the one text reader: only regular files, and line pairs as the programs read them
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "services/files.h"
#include "services/line_reader.h"
#include "support/temp_folder.h"

namespace {

using LineReader = support::TempFolder;
using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs pairs_of(const std::string& path, bool* opened = nullptr) {
  Pairs got;
  bool ok = svc::read_pairs(path, [&](const std::string& k, const std::string& v) { got.emplace_back(k, v); });
  if (opened) *opened = ok;
  return got;
}

TEST_F(LineReader, OnlyRegularFilesAreRead) {
  // A folder, an endless device and a pipe without a writer are refused at once, by both the
  // line reader and the numbered files, so no reader spins or blocks on them.
  ASSERT_EQ(::mkfifo((dir + "pipe").c_str(), 0600), 0);
  for (const std::string& path : {dir, dir + "pipe", std::string("/dev/zero"), dir + "missing"}) {
    svc::LineReader r;
    EXPECT_FALSE(svc::open_line_reader(r, path)) << path;
    EXPECT_TRUE(svc::line_reader_at_end(r));
    bool opened = true;
    EXPECT_TRUE(pairs_of(path, &opened).empty());
    EXPECT_FALSE(opened) << path;
    EXPECT_EQ(svc::open_file_read(-1, path), 0) << path;
  }
  // A pipe with bytes waiting in it is no file either.
  const int pipe_end = ::open((dir + "pipe").c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(pipe_end, 0);
  ASSERT_EQ(::write(pipe_end, "A\r\n1\r\n", 6), 6);
  svc::LineReader waiting;
  EXPECT_FALSE(svc::open_line_reader(waiting, dir + "pipe"));
  ::close(pipe_end);
  EXPECT_NE(svc::create_file(1, "/dev/null"), 0);  // Writing to a device stays possible
  svc::close_all_files();
}

TEST_F(LineReader, ALineCutAtItsLimitLeavesTheRestUnread) {
  std::FILE* f = std::fopen((dir + "lines.txt").c_str(), "wb");
  std::fputs("abcdef\r\nxyz", f);
  std::fclose(f);
  svc::LineReader r;
  ASSERT_TRUE(svc::open_line_reader(r, dir + "lines.txt"));
  std::string line;
  svc::read_line(r, line, 4);
  EXPECT_EQ(line, "abcd");
  svc::read_line(r, line, 4);
  EXPECT_EQ(line, "ef");
  EXPECT_EQ(svc::read_line(r), "xyz");
}

TEST_F(LineReader, PairsComeInFileOrderAndAnOddLastKeyGetsAnEmptyValue) {
  put("ini.txt", std::string("A\r\n1\nB\r 2 \r\nA\r\n3\r\nLAST"));
  EXPECT_EQ(pairs_of(dir + "ini.txt"), (Pairs{{"A", "1"}, {"B", " 2 "}, {"A", "3"}, {"LAST", ""}}));
  put("empty.txt", "");
  bool opened = false;
  EXPECT_TRUE(pairs_of(dir + "empty.txt", &opened).empty());
  EXPECT_TRUE(opened);
}

// A reader goes from file to file (read_pairs keeps one for all its calls): each file reads whole
// whatever the size of the one before, and a handler may read pairs of another file meanwhile.
TEST_F(LineReader, FilesOfAnySizeReadWholeThroughOneReader) {
  std::string big;
  for (int i = 0; i < 30000; i++) big += "K" + std::to_string(i) + "\r\nV\r\n";
  put("big.txt", big);  // several 64 KiB blocks
  put("small.txt", "S\r\n1\r\n");
  put("edge.txt", std::string(255, 'x') + "\r\n" + std::string(300, 'y'));  // longer than its first block guess
  put("exact.txt", std::string(254, 'e') + "\r\n");  // exactly a new reader's first block
  svc::LineReader r;
  for (const char* name : {"exact.txt", "small.txt", "big.txt", "small.txt", "edge.txt", "big.txt"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(svc::open_line_reader(r, dir + name));
    int lines = 0;
    std::string line, last;
    while (!svc::line_reader_at_end(r)) {
      svc::read_line(r, line);
      last = line;
      lines++;
    }
    const std::string n = name;
    EXPECT_EQ(lines, n == "big.txt" ? 60000 : n == "exact.txt" ? 1 : 2);
    EXPECT_EQ(last, n == "big.txt"     ? "V"
                    : n == "small.txt" ? "1"
                    : n == "exact.txt" ? std::string(254, 'e')
                                       : std::string(300, 'y'));
  }
  // Views give the same lines, also where a line or the two bytes of a CR LF straddle two blocks.
  std::string straddling;
  for (int i = 0; i < 2; i++) straddling += std::string(65535 - i, 'a' + i) + "\r\n";
  straddling += "\rlast";
  put("straddle.txt", straddling);
  for (const char* name : {"big.txt", "straddle.txt", "edge.txt"}) {
    SCOPED_TRACE(name);
    svc::LineReader copies, views;
    ASSERT_TRUE(svc::open_line_reader(copies, dir + name) && svc::open_line_reader(views, dir + name));
    std::string line;
    while (!svc::line_reader_at_end(copies)) {
      svc::read_line(copies, line);
      ASSERT_EQ(svc::read_line_view(views), line);
    }
    EXPECT_TRUE(svc::line_reader_at_end(views));
  }
  int outer = 0;
  size_t inner = 0;
  svc::read_pairs(dir + "small.txt", [&](const std::string&, const std::string&) {
    outer++;
    inner += pairs_of(dir + "big.txt").size();
  });
  EXPECT_EQ(outer, 1);
  EXPECT_EQ(inner, 30000u);
  EXPECT_EQ(pairs_of(dir + "small.txt"), (Pairs{{"S", "1"}}));
}

// Lines of every length from 0 to 70, each ended by LF, CR, NUL or CR LF in turn (a CR is never
// followed by an LF of the next line, which would make one CR LF of them), and a last line
// without an end: the ends fall at every place of a sixteen-byte step, also in the last few bytes
// of the file, and both ways of reading give exactly the lines written.
TEST_F(LineReader, EveryLineEndIsFoundWhereverItFalls) {
  const std::string ends[] = {"\n", "\r", std::string(1, '\0'), "\r\n"};
  std::vector<std::string> written;
  std::string bytes;
  for (int length = 0; length <= 70; length++) {
    for (int e = 0; e < 4; e++) {
      std::string line;
      for (int i = 0; i < length; i++) line += char('a' + (i + e) % 26);
      written.push_back(line);
      bytes += line;
      bytes += ends[e];
    }
  }
  written.push_back("tail without an end");
  bytes += written.back();
  put("ends.txt", bytes);
  svc::LineReader copies, views;
  ASSERT_TRUE(svc::open_line_reader(copies, dir + "ends.txt") && svc::open_line_reader(views, dir + "ends.txt"));
  std::string line;
  for (size_t i = 0; i < written.size(); i++) {
    SCOPED_TRACE(i);
    ASSERT_FALSE(svc::line_reader_at_end(copies));
    svc::read_line(copies, line);
    ASSERT_EQ(line, written[i]);
    ASSERT_EQ(svc::read_line_view(views), written[i]);
  }
  EXPECT_TRUE(svc::line_reader_at_end(copies));
  EXPECT_TRUE(svc::line_reader_at_end(views));
}

}  // namespace
