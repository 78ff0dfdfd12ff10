// scan_test.cpp -- the map scans on a screen of chosen size: entries, names, files, notices
#include "support/converter_fixture.h"

#include <sys/stat.h>

#include <set>

#include "basic_colours.h"
#include "scan.h"

namespace {

class Scan : public ConverterFixture {
 protected:
  ConverterState state;
};

// Gradient picture: pixel (x, y) is (x * 10, y * 20, 7).
std::vector<Rgb> gradient(int width, int height) {
  std::vector<Rgb> p;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.push_back({x * 10, y * 20, 7});
  return p;
}

TEST_F(Scan, EntriesRunColumnByColumnWithBlackExtraColumnAndRow) {
  write_picture("p.bmp", 3, 2, gradient(3, 2));
  show_picture(state, "p.bmp", 100, 100);
  const ScanReport report = scan_colour_map(state, MAP_RGB, 3, 2, "terrain");
  EXPECT_TRUE(report.map_written);
  const auto lines = crlf_lines(read_file("terrain.rgb"));
  ASSERT_EQ(lines.size(), 5u + 3 * 4 * 3);
  EXPECT_EQ(lines[0], "RGB-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel");
  EXPECT_EQ(lines[4], "RGB-DATA:");
  std::vector<std::string> expected;
  for (int x = 0; x <= 3; ++x)
    for (int y = 0; y <= 2; ++y) {
      const bool inside = x < 3 && y < 2;
      for (int v : {inside ? x * 10 : 0, inside ? y * 20 : 0, inside ? 7 : 0}) expected.push_back(std::to_string(v));
    }
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.end()), expected);
  EXPECT_EQ(message_texts(), (std::vector<std::string>{"Info:|Image Converted!"}));
  EXPECT_EQ(state.mode, MODE_IDLE);
}

TEST_F(Scan, PictureBeyondTheScreenReads255) {
  write_picture("p.bmp", 4, 1, std::vector<Rgb>(4, Rgb{1, 2, 3}));
  show_picture(state, "p.bmp", 2, 10);  // only columns 0 and 1 are on the screen
  scan_colour_map(state, MAP_RGB, 4, 1, "wide");
  const auto lines = crlf_lines(read_file("wide.rgb"));
  ASSERT_EQ(lines.size(), 5u + 5 * 2 * 3);
  EXPECT_EQ(lines[5], "1");
  EXPECT_EQ(lines[5 + 3], "0");  // (0, 1): black under the picture
  for (int x = 2; x <= 4; ++x)
    for (int i = 0; i < 6; ++i) EXPECT_EQ(lines[5 + x * 6 + i], "255") << "column " << x;
}

TEST_F(Scan, NameRuleAppendsTheExtensionUnlessContained) {
  write_example_picture("p.bmp");
  show_picture(state, "p.bmp", 10, 10);
  EXPECT_EQ(scan_colour_map(state, MAP_RED, 2, 1, "hills").map_path, "hills.red");
  EXPECT_EQ(scan_colour_map(state, MAP_RED, 2, 1, "hills.red").map_path, "hills.red");
  EXPECT_EQ(scan_colour_map(state, MAP_RED, 2, 1, "hills.RED").map_path, "hills.RED.red");
  EXPECT_EQ(scan_colour_map(state, MAP_RED, 2, 1, "my.redmap").map_path, "my.redmap");
  std::filesystem::create_directory(dir + "codes");
  state.destination_folder = dir + "codes/";
  EXPECT_EQ(scan_ai_map(state, false, 2, 1, "x.qz61.bak").map_path, "x.qz61.bak");
  EXPECT_EQ(files_in(""),
            (std::vector<std::string>{"codes", "hills.RED.red", "hills.red", "my.redmap", "p.bmp", "x.qz61.bak"}));
}

TEST_F(Scan, ExistingLongerMapIsReplacedCompletely) {
  write_file("m.red", std::string(100000, 'x'));
  write_example_picture("p.bmp");
  show_picture(state, "p.bmp", 10, 10);
  scan_colour_map(state, MAP_RED, 2, 1, "m");
  EXPECT_EQ(crlf_lines(read_file("m.red")).size(), 11u);
}

TEST_F(Scan, RedAndGreenMapsDifferInHeaderTagAndValuesOnly) {
  write_example_picture("p.bmp");
  show_picture(state, "p.bmp", 10, 10);
  scan_colour_map(state, MAP_RED, 2, 1, "m");
  scan_colour_map(state, MAP_GREEN, 2, 1, "m");
  scan_colour_map(state, MAP_BLUE, 2, 1, "m");
  const auto red = crlf_lines(read_file("m.red")), green = crlf_lines(read_file("m.green")),
             blue = crlf_lines(read_file("m.blue"));
  ASSERT_EQ(green.size(), red.size());
  EXPECT_EQ(green[0], "GREEN-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel");
  EXPECT_EQ(green[4], "GREEN-DATA:");
  EXPECT_EQ(blue[4], "BLUE-DATA:");
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(green[i], red[i]);
  EXPECT_EQ(std::vector<std::string>(green.begin() + 5, green.end()),
            (std::vector<std::string>{"200", "0", "0", "0", "0", "0"}));
  EXPECT_EQ(blue[5], "3");
}

TEST_F(Scan, FailedMapCreationStillEndsWithImageConverted) {
  write_example_picture("p.bmp");
  show_picture(state, "p.bmp", 10, 10);
  std::filesystem::create_directory(dir + "codes");
  state.destination_folder = dir + "codes/";
  const ScanReport red = scan_colour_map(state, MAP_RED, 2, 1, "missing/m");
  EXPECT_FALSE(red.map_written);
  EXPECT_FALSE(exists("missing"));
  const ScanReport ai = scan_ai_map(state, false, 2, 1, "missing/m");
  EXPECT_FALSE(ai.map_written);
  // The colour-code files are still made; the closing notice is still there.
  EXPECT_EQ(files_in("codes"), (std::vector<std::string>{"000000000", "010200003", "255000000"}));
  const auto texts = message_texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], "Error:|Map Not Written:\rmissing/m.red");
  EXPECT_EQ(texts[1], "Info:|Image Converted!");
  EXPECT_EQ(texts[3], "Info:|Image Converted!");
  EXPECT_EQ(state.mode, MODE_IDLE);
}

// --- AI maps and colour-code files ------------------------------------------------------------

TEST_F(Scan, AiMapPadsValuesAndCodesTheExtraColumnAndRowBlack) {
  write_picture("p.bmp", 1, 1, {{9, 10, 100}});
  show_picture(state, "p.bmp", 10, 10);
  std::filesystem::create_directory(dir + "codes");
  state.destination_folder = dir + "codes/";
  state.codec = ".txt";
  scan_ai_map(state, false, 1, 1, "one");
  const auto lines = crlf_lines(read_file("one.qz61"));
  ASSERT_EQ(lines.size(), 5u + 3 * 4);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.begin() + 8),
            (std::vector<std::string>{"009", "010", "100"}));
  for (size_t i = 8; i < lines.size(); ++i) EXPECT_EQ(lines[i], "000");
  EXPECT_EQ(files_in("codes"), (std::vector<std::string>{"000000000.txt", "009010100.txt"}));
}

TEST_F(Scan, SecondAiRunKeepsExistingFilesAndAddsOnlyNewCodes) {
  write_example_picture("p.bmp");
  show_picture(state, "p.bmp", 10, 10);
  write_file("codes/255000000", "GFXNAME\r\ngrass.png\r\n");
  chmod((dir + "codes/255000000").c_str(), 0444);  // even a read-only file is never truncated
  write_file("codes/000000000", "CHILD1\r\ntree\r\n");
  state.destination_folder = dir + "codes/";
  const ScanReport report = scan_ai_map(state, false, 2, 1, "m");
  EXPECT_EQ(report.codes_created, 1);
  EXPECT_EQ(read_file("codes/255000000"), "GFXNAME\r\ngrass.png\r\n");
  EXPECT_EQ(read_file("codes/000000000"), "CHILD1\r\ntree\r\n");
  EXPECT_EQ(read_file("codes/010200003"), "");
  EXPECT_EQ(scan_ai_map(state, false, 2, 1, "m").codes_created, 0);
}

TEST_F(Scan, UncreatableColourCodeFilesAreSkippedAndCountedInANotice) {
  write_example_picture("p.bmp");
  show_picture(state, "p.bmp", 10, 10);
  std::filesystem::create_directories(dir + "codes/010200003");  // a folder in the way
  state.destination_folder = dir + "codes/";
  const ScanReport report = scan_ai_map(state, false, 2, 1, "m");
  EXPECT_TRUE(report.map_written);
  EXPECT_EQ(report.codes_failed, 1);
  EXPECT_EQ(report.codes_created, 2);
  EXPECT_EQ(message_texts(), (std::vector<std::string>{"Error:|Colour-Code Files Not Created: 1\r" + dir + "codes/",
                                                       "Info:|Image Converted!"}));
}

TEST_F(Scan, BasicAiMapTurnsTheScreenIntoFiveColoursAndLeavesAtMostFiveFiles) {
  // Every value of a coarse cube of colours.
  std::vector<Rgb> cube;
  for (int r = 0; r < 256; r += 51)
    for (int g = 0; g < 256; g += 51)
      for (int b = 0; b < 256; b += 51) cube.push_back({r, g, b});
  write_picture("cube.bmp", 36, 6, cube);
  show_picture(state, "cube.bmp", 40, 40);
  std::filesystem::create_directory(dir + "codes");
  state.destination_folder = dir + "codes/";
  scan_ai_map(state, true, 36, 6, "basic");
  EXPECT_EQ(files_in("codes"),
            (std::vector<std::string>{"000000000", "000000255", "000255000", "255000000", "255255000"}));
  // The screen now shows the reduction; the map holds what was shown.
  const auto lines = crlf_lines(read_file("basic.qz61"));
  for (int x = 0; x < 36; ++x)
    for (int y = 0; y < 6; ++y) {
      const Rgb& c = cube[size_t(y) * 36 + x];
      const int32_t want = basic_colour(c.r, c.g, c.b);
      EXPECT_EQ(svc::headless::screen_pixel(x, y), want);
      const size_t at = 5 + 3 * (size_t(x) * 7 + y);
      EXPECT_EQ(lines[at] + lines[at + 1] + lines[at + 2],
                colour_code(svc::red(want), svc::green(want), svc::blue(want)));
    }
}

TEST_F(Scan, BasicAiMapReducesPositionsBeyondTheScreenToBlack) {
  write_picture("p.bmp", 4, 1, std::vector<Rgb>(4, Rgb{255, 0, 0}));
  show_picture(state, "p.bmp", 2, 10);  // columns 2 to 4 lie beyond the screen and read white
  std::filesystem::create_directory(dir + "codes");
  state.destination_folder = dir + "codes/";
  scan_ai_map(state, true, 4, 1, "basic");
  EXPECT_EQ(files_in("codes"), (std::vector<std::string>{"000000000", "255000000"}));
  const auto lines = crlf_lines(read_file("basic.qz61"));
  ASSERT_EQ(lines.size(), 5u + 5 * 2 * 3);
  EXPECT_EQ(lines[5 + 4 * 6] + lines[5 + 4 * 6 + 1] + lines[5 + 4 * 6 + 2], "000000000");
}

TEST_F(Scan, ReducedAiMapHoldsAtMostNCodesShownOnTheScreenAndBeyondIt) {
  // 600 colours, of which columns 20 to 29 lie beyond the screen (and read white).
  write_file("p.bmp", support::bmp_bytes(30, 20, [](int x, int y) { return Rgb{x * 8, y * 12, 255 - x * 4}; }));
  show_picture(state, "p.bmp", 20, 30);
  std::filesystem::create_directory(dir + "codes");
  state.destination_folder = dir + "codes/";
  state.ai_colours = 6;
  const ScanReport report = scan_ai_map(state, false, 30, 20, "six");
  EXPECT_TRUE(report.map_written);
  const auto lines = crlf_lines(read_file("six.qz61"));
  ASSERT_EQ(lines.size(), 5u + 3 * 31 * 21);
  std::set<std::string> codes, picture_codes;
  for (int x = 0; x <= 30; ++x)
    for (int y = 0; y <= 20; ++y) {
      const size_t at = 5 + 3 * (size_t(x) * 21 + y);
      const std::string code = lines[at] + lines[at + 1] + lines[at + 2];
      codes.insert(code);
      if (x < 30 && y < 20) picture_codes.insert(code);
      // The margin keeps what the screen shows: black below the picture, white beyond the screen.
      if (y == 20 && x < 20) {
        EXPECT_EQ(code, "000000000");
      }
      if (x == 30) {
        EXPECT_EQ(code, "255255255");
      }
      // The screen shows what the map holds.
      const int32_t shown = svc::headless::screen_pixel(x, y);
      if (x < 20) {
        EXPECT_EQ(colour_code(svc::red(shown), svc::green(shown), svc::blue(shown)), code);
      }
    }
  EXPECT_LE(picture_codes.size(), 6u);
  EXPECT_GE(picture_codes.size(), 5u);
  EXPECT_EQ(codes.size(), picture_codes.size() + size_t(report.margin_codes));
  EXPECT_EQ(files_in("codes"), std::vector<std::string>(codes.begin(), codes.end()));

  // The same picture and count give the same map; a picture with no more colours than N keeps them all.
  scan_ai_map(state, false, 30, 20, "again");
  EXPECT_EQ(read_file("again.qz61"), read_file("six.qz61"));
  write_example_picture("q.bmp");
  show_picture(state, "q.bmp", 10, 10);
  scan_ai_map(state, false, 2, 1, "reduced");
  state.ai_colours = 0;
  scan_ai_map(state, false, 2, 1, "full");
  EXPECT_EQ(read_file("reduced.qz61"), read_file("full.qz61"));
}

TEST_F(Scan, BasicReductionOfSingleColours) {
  struct Case {
    Rgb in;
    const char* out;
  };
  const Case cases[] = {
      {{200, 50, 10}, "yellow"},
      {{200, 10, 50}, "red"},
      {{10, 200, 50}, "green"},
      {{50, 200, 10}, "yellow"},
      {{10, 10, 200}, "blue"},
      {{100, 100, 100}, "black"},
      {{255, 255, 255}, "black"},
      {{201, 100, 100}, "black"},
      {{200, 101, 100}, "yellow"},
      {{200, 90, 100}, "black"},
      {{2, 0, 0}, "red"},
      {{1, 0, 0}, "black"},
      {{6, 2, 2}, "red"},
      {{5, 2, 2}, "black"},
      {{0, 4, 1}, "green"},
      {{0, 3, 1}, "black"},
      // The five basic colours stay themselves.
      {{255, 0, 0}, "red"},
      {{0, 255, 0}, "green"},
      {{0, 0, 255}, "blue"},
      {{255, 255, 0}, "yellow"},
      {{0, 0, 0}, "black"},
  };
  auto name = [](int32_t c) -> std::string {
    if (c == svc::rgb(255, 0, 0)) return "red";
    if (c == svc::rgb(0, 255, 0)) return "green";
    if (c == svc::rgb(0, 0, 255)) return "blue";
    if (c == svc::rgb(255, 255, 0)) return "yellow";
    if (c == 0) return "black";
    return "other";
  };
  for (const Case& c : cases)
    EXPECT_EQ(name(basic_colour(c.in.r, c.in.g, c.in.b)), c.out) << c.in.r << "," << c.in.g << "," << c.in.b;
}

}  // namespace
