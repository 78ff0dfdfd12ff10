// map_format_test.cpp -- the map files byte for byte, the name rule, entry padding and the header reader
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/files.h"
#include "formats/map_format.h"
#include "services/text.h"
#include "services/files.h"
#include "services/line_reader.h"
#include "support/temp_folder.h"

namespace {

std::string crlf_lines(const std::vector<std::string>& lines) { return support::join_lines(lines); }

class MapFormat : public ::testing::Test {
 protected:
  std::string dir = support::make_temp_folder("formats");
  void TearDown() override { support::remove_folder(dir); }
  void write_file(const std::string& name, const std::string& bytes) { support::write_file(dir + name, bytes); }
  std::string read_file(const std::string& name) { return support::read_file(dir + name); }

  // The worked example's 2 x 1 picture: (0,0) = 10,200,3 and (1,0) = 255,0,0; the extra column
  // and row are black.
  std::string write_example(MapKind kind, const std::string& name) {
    int f = svc::create_file(-1, dir + name);
    EXPECT_NE(f, 0);
    write_map_header(f, kind, 2, 1, "C:\\pics\\a.png");
    const int pixels[3][2][3] = {{{10, 200, 3}, {0, 0, 0}}, {{255, 0, 0}, {0, 0, 0}}, {{0, 0, 0}, {0, 0, 0}}};
    for (int x = 0; x <= 2; x++)
      for (int y = 0; y <= 1; y++) write_map_entry(f, kind, pixels[x][y][0], pixels[x][y][1], pixels[x][y][2]);
    EXPECT_NE(svc::close_file(f), 0);
    return read_file(name);
  }
};

TEST_F(MapFormat, WorkedExampleRedMapIsElevenCrLfLines) {
  EXPECT_EQ(write_example(MAP_RED, "a.red"),
            crlf_lines({"RED-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel", "2", "1", "SourceImage:C:\\pics\\a.png",
                        "RED-DATA:", "10", "0", "255", "0", "0", "0"}));
}

TEST_F(MapFormat, WorkedExampleAiMapIsTwentyThreeLinesOfThreeDigits) {
  std::vector<std::string> lines = {"AI-FILE:(C) Orvanel, Made Using TINCTOR-AI By Orvanel", "2", "1",
                                    "SourceImage:C:\\pics\\a.png", "AI-DATA:"};
  for (const char* code : {"010200003", "000000000", "255000000", "000000000", "000000000", "000000000"}) {
    std::string c = code;
    lines.insert(lines.end(), {c.substr(0, 3), c.substr(3, 3), c.substr(6, 3)});
  }
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(write_example(MAP_AI, "a.qz61"), crlf_lines(lines));
}

TEST(MapFormatNames, ExtensionAppendedUnlessContainedCaseSensitively) {
  EXPECT_EQ(map_file_name("hills", MAP_RED), "hills.red");
  EXPECT_EQ(map_file_name("hills.red", MAP_RED), "hills.red");
  EXPECT_EQ(map_file_name("hills.RED", MAP_RED), "hills.RED.red");
  EXPECT_EQ(map_file_name("my.redmap", MAP_RED), "my.redmap");
  EXPECT_EQ(map_file_name("land", MAP_AI), "land.qz61");
  EXPECT_EQ(colour_code_file_name("out/", "255000128", ""), "out/255000128");
}

TEST(MapFormatEntries, PaddingOnlyInAiMapsAndChannelsStayInRange) {
  EXPECT_EQ(map_channel_text(0, MAP_RED), "0");
  EXPECT_EQ(map_channel_text(0, MAP_AI), "000");
  EXPECT_EQ(map_channel_text(9, MAP_GREEN), "9");
  EXPECT_EQ(map_channel_text(9, MAP_AI), "009");
  EXPECT_EQ(map_channel_text(100, MAP_RGB), "100");
  EXPECT_EQ(map_channel_text(100, MAP_AI), "100");
  EXPECT_EQ(colour_code(10, 200, 3), "010200003");
  // Out-of-range channels must not break the nine-digit code.
  EXPECT_EQ(colour_code(-1, 256, 1000), "000255255");
  EXPECT_EQ(map_channel_text(-7, MAP_AI), "000");
}

// Entries in bulk give the bytes of one write_map_entry each, for every kind and channel value (out of
// range ones too), across many blocks; a file of 0 takes nothing.
TEST_F(MapFormat, BulkEntriesWriteTheBytesOfSingleEntries) {
  for (MapKind kind : {MAP_RED, MAP_GREEN, MAP_BLUE, MAP_RGB, MAP_AI}) {
    SCOPED_TRACE(kind);
    const int one = svc::create_file(-1, dir + "one"), bulk = svc::create_file(-1, dir + "bulk"),
              columns = svc::create_file(-1, dir + "columns");
    MapEntryWriter writer, column_writer;
    begin_map_entries(writer, bulk, kind);
    begin_map_entries(column_writer, columns, kind, 4095);  // After a header: the first block is shorter
    std::vector<int32_t> column;  // Screen colours, -1 (off the screen) among them
    for (int i = 0; i < 120000; i++) {
      const int r = i % 263 - 3, g = (i * 7) % 256, b = 255 - i % 256;
      write_map_entry(one, kind, r, g, b);
      put_map_entry(writer, r, g, b);
      column.push_back(svc::rgb(std::clamp(r, 0, 255), g, b));  // As the screen holds the clamped colour
      if (column.size() == 481 || i == 119999) {
        put_map_entries(column_writer, column.data(), column.size());
        column.clear();
      }
    }
    flush_map_entries(writer);
    flush_map_entries(column_writer);
    EXPECT_FALSE(writer.failed);
    ASSERT_NE(svc::close_file(one), 0);
    ASSERT_NE(svc::close_file(bulk), 0);
    ASSERT_NE(svc::close_file(columns), 0);
    const std::string expected = read_file("one");
    EXPECT_GT(expected.size(), 2 * MapEntryWriter::kBlock);
    EXPECT_TRUE(read_file("bulk") == expected);
    EXPECT_TRUE(read_file("columns") == expected);
  }
  // A colour of -1 (off the screen) has the channels svc::red, green and blue read from it: 255 each.
  const int off = svc::create_file(-1, dir + "off");
  MapEntryWriter off_writer;
  begin_map_entries(off_writer, off, MAP_RGB);
  const int32_t off_screen = -1;
  put_map_entries(off_writer, &off_screen, 1);
  flush_map_entries(off_writer);
  ASSERT_NE(svc::close_file(off), 0);
  EXPECT_EQ(read_file("off"), "255\r\n255\r\n255\r\n");
  MapEntryWriter none;
  begin_map_entries(none, 0, MAP_RGB);
  put_map_entry(none, 1, 2, 3);
  put_map_entries(none, &off_screen, 1);
  flush_map_entries(none);
  EXPECT_EQ(none.used, 0u);
  EXPECT_FALSE(none.failed);
}

TEST_F(MapFormat, HeaderReaderTakesLinesTwoAndThreeAndNonNumbersReadZero) {
  write_file("h.red", crlf_lines({"anything", " 12", "x7", "SourceImage:", "RED-DATA:", "5"}));
  svc::LineReader r;
  ASSERT_TRUE(svc::open_line_reader(r, dir + "h.red"));
  MapHeader h = read_map_header(r);
  EXPECT_EQ(h.width, 12);
  EXPECT_EQ(h.height, 0);
  EXPECT_EQ(svc::read_line(r), "5");
  EXPECT_TRUE(svc::line_reader_at_end(r));
}

}  // namespace
