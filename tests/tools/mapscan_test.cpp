// mapscan_test.cpp -- mapscan's summary line, its limit on new colour-code files, and the MAP
// and option errors (the maps themselves are compared with the converter's in tests/mapconvert)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "services/paths.h"
#include "support/bmp.h"
#include "support/files.h"
#include "support/process.h"
#include "support/small_disk.h"
#include "support/temp_folder.h"

namespace {

const std::string kMapscan = std::string(SUITE_BINARY_DIR) + "/tools/mapscan";

struct Outcome {
  int code = -1;
  std::string out, err;
};

class Mapscan : public ::testing::Test {
 protected:
  std::string dir;
  void SetUp() override {
    dir = support::make_temp_folder("mapscan_");
    ASSERT_NE(dir, "");
    // 3 x 2 pixels of two colours: 12 entries with the black column and row, three codes.
    support::write_file(dir + "a.bmp", support::bmp_bytes(3, 2, [](int x, int) {
                          return x == 0 ? support::Rgb{10, 200, 3} : support::Rgb{255, 0, 0};
                        }));
    support::write_file(dir + "codes/.keep", "");
  }
  void TearDown() override { support::remove_folder(dir); }

  Outcome mapscan(const std::string& args) {
    Outcome r;
    r.out = support::shell_output("cd '" + dir + "' && '" + kMapscan + "' " + args + " 2>err.txt", &r.code);
    r.err = support::read_file(dir + "err.txt");
    return r;
  }

  // A picture of `count` different colours, none of them black, `width` pixels wide.
  void write_colourful(const std::string& name, int count, int width) {
    const int height = (count + width - 1) / width;
    support::write_file(dir + name, support::bmp_bytes(width, height, [&](int x, int y) {
                          const int i = y * width + x < count ? y * width + x + 1 : 1;
                          return support::Rgb{i & 255, (i >> 8) & 255, 7};
                        }));
  }

  size_t code_files() { return support::names_in(dir + "codes").size() - 1; }  // without .keep
};

TEST_F(Mapscan, SuccessSaysWhatWasWrittenUnlessQuiet) {
  Outcome r = mapscan("red a.bmp land");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "mapscan: land.red written, 12 entries\n");
  EXPECT_EQ(r.err, "");
  r = mapscan("ai a.bmp land --dest codes --codec .txt");
  EXPECT_EQ(r.out, "mapscan: land.qz61 written, 12 entries; colour-code files in " + svc::shown_path("codes/") +
                       ": 3 created, 0 kept\n");
  support::write_file(dir + "codes/000000000.txt", "GFXNAME\r\nsea.png\r\n");  // the user's own
  r = mapscan("ai a.bmp land.qz61 --dest=codes --codec .txt");
  EXPECT_EQ(r.out, "mapscan: land.qz61 written, 12 entries; colour-code files in " + svc::shown_path("codes/") +
                       ": 0 created, 3 kept\n");
  EXPECT_EQ(support::read_file(dir + "codes/000000000.txt"), "GFXNAME\r\nsea.png\r\n");
  for (const char* quiet : {"--quiet", "-q"}) {
    r = mapscan(std::string("rgb a.bmp land ") + quiet);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
  }
}

// Every picture the decoders take is scanned: a side of 16,384 pixels or more needs a screen one
// pixel larger, which the display-less screen holds like any other. A picture whose header promises
// more than its data holds is refused with the decoder's reason, and nothing is written.
TEST_F(Mapscan, PicturesOfAnyAcceptedSizeAreScannedAndFalseHeadersNamed) {
  support::write_file(dir + "wide.bmp", support::solid_bmp(16384, 2, 9, 8, 7));
  support::write_file(dir + "tall.bmp", support::solid_bmp(1, 20000, 9, 8, 7));
  Outcome r = mapscan("red wide.bmp wide");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "mapscan: wide.red written, 49,155 entries\n");
  r = mapscan("red tall.bmp tall");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "mapscan: tall.red written, 40,002 entries\n");

  std::string huge = support::solid_bmp(2, 2, 1, 2, 3);  // a header declaring 16000 x 16000 over 4 pixels
  for (int at : {18, 22}) huge[at] = char(0x80), huge[at + 1] = char(0x3E);
  support::write_file(dir + "huge.bmp", huge);
  r = mapscan("red huge.bmp huge");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("mapscan: huge.bmp: BMP picture declares 16000 x 16000 pixels, but its 16 bytes"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(support::read_file(dir + "huge.red"), "");
}

// A photograph has hundreds of thousands of colours: the batch tool makes that many files only
// when told to. Files that are there already do not count.
TEST_F(Mapscan, FullAiMapMakesMoreThanTenThousandFilesOnlyWithYes) {
  write_colourful("many.bmp", 10000, 100);  // 10,000 colours and the black around them
  Outcome r = mapscan("ai many.bmp m --dest codes");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("--yes"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(code_files(), 0u);
  EXPECT_FALSE(support::read_file(dir + "m.qz61").size());

  r = mapscan("ai many.bmp m --dest codes --yes");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(code_files(), 10001u);
  // Again without --yes: nothing new to create.
  EXPECT_EQ(mapscan("ai many.bmp m --dest codes").code, 0);

  // Exactly 10,000 new files (9,999 colours and black) need no --yes; the basic map never does.
  support::remove_folder(dir + "codes");
  support::write_file(dir + "codes/.keep", "");
  write_colourful("enough.bmp", 9999, 99);
  r = mapscan("ai enough.bmp e --dest codes");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(code_files(), 10000u);
  EXPECT_EQ(mapscan("ai-basic many.bmp b --dest codes").code, 0);
}

// A reduced AI map has at most N codes (so --yes is never needed), and the same picture gives the
// same map; --colours belongs to the full AI map only.
TEST_F(Mapscan, ColoursReduceTheAiMapToAtMostNCodes) {
  write_colourful("many.bmp", 12000, 120);
  Outcome r = mapscan("ai many.bmp m --dest codes --colours 20");
  EXPECT_EQ(r.code, 0) << r.err;
  // The picture has no black: the margin around it keeps its own code beside the picture's 20.
  EXPECT_LE(code_files(), 21u);
  EXPECT_GE(code_files(), 16u);
  EXPECT_NE(r.out.find(std::to_string(code_files() - 1) + " for the picture's colours, 1 for the margin around it"),
            std::string::npos) << r.out;
  const std::string first = support::read_file(dir + "m.qz61");
  EXPECT_EQ(mapscan("ai many.bmp m --dest codes --colors=20").code, 0);
  EXPECT_EQ(support::read_file(dir + "m.qz61"), first);
  for (const char* args : {"ai many.bmp m --dest codes --colours 1", "ai many.bmp m --dest codes --colours 4097",
                           "ai many.bmp m --dest codes --colours x", "ai-basic many.bmp m --dest codes --colours 8",
                           "red many.bmp m --colours 8"}) {
    r = mapscan(args);
    EXPECT_EQ(r.code, 2) << args;
    EXPECT_NE(r.err.find("--colours"), std::string::npos) << args << ": " << r.err;
  }
}

TEST_F(Mapscan, MapNamingAFolderOrDestNamingAFileIsAnError) {
  for (const char* map : {"codes", "codes/", "codes\\\\"}) {
    const Outcome r = mapscan(std::string("red a.bmp '") + map + "'");
    EXPECT_EQ(r.code, 1) << map;
    EXPECT_NE(r.err.find("is a folder"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(support::names_in(dir + "codes"), (std::vector<std::string>{".keep"}));  // no hidden ".red"
  for (const auto& [dest, reason] : {std::pair{"a.bmp", "is a file, not a folder"}, {"nowhere", "no such folder"}}) {
    const Outcome r = mapscan(std::string("ai a.bmp m --dest ") + dest);
    EXPECT_EQ(r.code, 1) << dest;
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
  }
  // The map's folder is checked before the picture is even read: a missing one is named at once.
  for (const auto& [map, reason] : {std::pair{"'Sous dossier/carte'", "its folder does not exist"},
                                    {"a.bmp/carte", "its folder is a file"}}) {
    const Outcome r = mapscan(std::string("red missing.bmp ") + map);
    EXPECT_EQ(r.code, 1) << map;
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("missing.bmp"), std::string::npos) << r.err;
  }
}

TEST_F(Mapscan, AFullOrReadOnlyDiskLeavesTheOldMapWholeAndNoPartOfTheNewOne) {
  support::SmallDisk disk;
  if (!disk.mount(dir + "disk", 200)) GTEST_SKIP() << disk.why();
  support::write_file(dir + "small.bmp", support::solid_bmp(60, 60, 1, 2, 3));    // an RGB map of 33 KB
  support::write_file(dir + "large.bmp", support::solid_bmp(200, 200, 1, 2, 3));  // one of 364 KB
  ASSERT_EQ(mapscan("rgb small.bmp disk/out").code, 0);
  const std::string old = support::read_file(dir + "disk/out.rgb");
  ASSERT_GT(old.size(), 1000u);

  Outcome full = mapscan("rgb large.bmp disk/out");
  EXPECT_EQ(full.code, 1);
  EXPECT_NE(full.err.find("out.rgb"), std::string::npos) << full.err;
  EXPECT_TRUE(support::read_file(dir + "disk/out.rgb") == old);
  EXPECT_EQ(support::names_in(dir + "disk"), std::vector<std::string>{"out.rgb"});

  // Read-only: neither the map nor its colour-code files are made, and that is said.
  ASSERT_TRUE(disk.read_only(true));
  for (const std::string args : {"rgb small.bmp disk/out", "ai small.bmp disk/new --dest disk"}) {
    Outcome refused = mapscan(args);
    EXPECT_EQ(refused.code, 1) << args;
    EXPECT_FALSE(refused.err.empty()) << args;
  }
  EXPECT_TRUE(support::read_file(dir + "disk/out.rgb") == old);
  EXPECT_EQ(support::names_in(dir + "disk"), std::vector<std::string>{"out.rgb"});
}

TEST_F(Mapscan, BadArgumentsAreUsageErrors) {
  for (const char* args :
       {"red a.bmp ''", "red '' m", "purple a.bmp m", "ai a.bmp m", "red a.bmp m extra", "red a.bmp",
        "red a.bmp m --screen 10", "red a.bmp m --screen", "red a.bmp m --quiet=1", "red a.bmp m --colour"}) {
    const Outcome r = mapscan(args);
    EXPECT_EQ(r.code, 2) << args;
    EXPECT_NE(r.err.find("usage: mapscan"), std::string::npos) << args << ": " << r.err;
  }
  EXPECT_EQ(support::names_in(dir), (std::vector<std::string>{"a.bmp", "codes", "err.txt"}));
  // "--" ends the options: a map whose name starts with a dash; "--name=value" is "--name value".
  EXPECT_EQ(mapscan("red a.bmp --screen=30x20 -- -m").code, 0);
}

}  // namespace
