// worldmake_test.cpp -- the worldmake program on real folders: the world it writes, what it keeps, what it refuses
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "services/paths.h"
#include "services/pictures.h"
#include "support/bmp.h"
#include "support/files.h"
#include "support/process.h"
#include "support/small_disk.h"
#include "support/temp_folder.h"

namespace {

std::string tool(const std::string& name) { return std::string(SUITE_BINARY_DIR) + "/tools/" + name; }

// A photograph-like picture: gradients with fine noise, a few hundred colours.
std::string photograph(int width, int height) {
  return support::bmp_bytes(width, height, [](int x, int y) {
    const int n = (x * 7 + y * 13) % 5;
    return support::Rgb{std::min(255, x * 6 + n), std::min(255, y * 8 + n), std::max(0, 200 - x * 3 - y * 2 + n)};
  });
}

class Worldmake : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(tool("worldmake") + SUITE_EXE)) GTEST_SKIP() << "worldmake not built";
    ASSERT_TRUE(support::enter_temp_folder(folder_, "worldmake_test_"));
    dir = folder_.dir;
    svc::register_image_decoders();
  }
  void TearDown() override {
    if (!folder_.dir.empty()) support::leave_temp_folder(folder_);
  }

  struct Result {
    int exit_code = -1;
    std::string out, err;
  };
  Result run(const std::string& program, const std::string& args) {
    Result r;
    r.out = support::shell_output("'" + tool(program) + "' " + args + " 2>err.txt", &r.exit_code);
    r.err = support::read_file(dir + "err.txt");
    return r;
  }
  std::string read(const std::string& relative) { return support::read_file(dir + relative); }
  void write(const std::string& relative, const std::string& bytes) { support::write_file(dir + relative, bytes); }

  std::string dir;

 private:
  support::WorkFolder folder_;
};

TEST_F(Worldmake, WritesAWorldTheEngineOpensWithOneDefinitionAndGroundPicturePerCode) {
  write("land.bmp", photograph(40, 30));
  const Result made = run("worldmake", "land.bmp w --colours 12 --cell 20");
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_EQ(made.err, "");
  EXPECT_NE(made.out.find("41 x 31 cells"), std::string::npos) << made.out;
  // On Windows the world gets a starter that runs simengine in it; elsewhere the summary says where to run it.
  if (svc::windows_system()) {
    const std::string starter = read("w/start-simengine.cmd");
    EXPECT_EQ(starter.rfind("@start \"\" /D \"%~dp0.\" \"", 0), 0u) << starter;
    EXPECT_NE(starter.find("\\simengine.exe\"\r\n"), std::string::npos) << starter;
    EXPECT_NE(made.out.find("start it with w\\start-simengine.cmd"), std::string::npos) << made.out;
  } else {
    EXPECT_FALSE(std::filesystem::exists(dir + "w/start-simengine.cmd"));
    EXPECT_NE(made.out.find("run simengine in w\n"), std::string::npos) << made.out;
  }

  const std::vector<std::string> ini = support::split_lines(read("w/DATA/ini.txt"));
  auto value = [&](const std::string& key) {
    for (size_t i = 0; i + 1 < ini.size(); i += 2)
      if (ini[i] == key) return ini[i + 1];
    return std::string("<missing>");
  };
  EXPECT_EQ(value("RESOLUTION"), "20");
  EXPECT_EQ(value("USESPRITE3D"), "1");
  EXPECT_EQ(value("APPENTRY") + value("APPSTART"), "maps\\land");
  EXPECT_EQ(value("RGBCODEPATH"), "codes\\");
  EXPECT_EQ(value("TOPOGFX"), "gfx\\topo\\");
  EXPECT_EQ(value("WORLDGFX"), "gfx\\objects\\");
  EXPECT_EQ(value("GFXCODEC"), ".png");
  EXPECT_NE(value("WORLDRANDOM"), "<missing>");
  EXPECT_TRUE(std::filesystem::is_directory(dir + "w/gfx/objects"));
  EXPECT_TRUE(std::filesystem::is_empty(dir + "w/gfx/objects"));

  // At most 12 codes for the picture and the margin's black; each has a definition naming a ground
  // picture of its colour, a tile of the cell size.
  const std::vector<std::string> codes = support::names_in(dir + "w/codes/land");
  EXPECT_LE(codes.size(), 13u);
  EXPECT_GE(codes.size(), 9u);
  EXPECT_NE(made.out.find(std::to_string(codes.size() - 1) + " colour codes for the picture and 1 for the margin"),
            std::string::npos) << made.out;
  for (const std::string& code : codes) {
    EXPECT_EQ(support::split_lines(read("w/codes/land/" + code)),
              (std::vector<std::string>{"GFXNAME", code + ".png", "CHILD1", "#", "USECOLLISION", "0"}));
    svc::Picture tile;
    ASSERT_TRUE(svc::decode_picture(dir + "w/gfx/topo/" + code + ".png", tile)) << code;
    ASSERT_EQ(tile.width, 20);
    ASSERT_EQ(tile.height, 20);
    double sum[3] = {0, 0, 0};
    std::set<int> values;
    for (size_t i = 0; i < tile.rgba.size(); i += 4) {
      for (int c = 0; c < 3; ++c) sum[c] += tile.rgba[i + c];
      values.insert(tile.rgba[i]);
    }
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(sum[c] / 400, std::stoi(code.substr(size_t(c) * 3, 3)), 2.5) << code;
    EXPECT_GT(values.size(), 3u) << "a little texture";
  }
  EXPECT_EQ(support::names_in(dir + "w/gfx/topo").size(), codes.size());

  // The engine's start-up builds it: every cell loaded, the picture's cells opaque with their ground picture.
  int status = -1;
  const std::string world = support::shell_output("cd w && '" + tool("worlddump") + "' 2>/dev/null", &status);
  ASSERT_EQ(status, 0);
  const std::vector<std::string> rows = [&] {
    std::vector<std::string> r;
    size_t at = 0;
    while (at < world.size()) {
      const size_t end = world.find('\n', at);
      r.push_back(world.substr(at, end - at));
      at = end + 1;
    }
    return r;
  }();
  ASSERT_EQ(rows.size(), 2u + 41 * 31);
  EXPECT_EQ(rows[0], "40 30");
  for (size_t i = 2; i < rows.size(); ++i) {
    int x = 0, y = 0, loaded = 0, alpha = 0;
    char code[16] = {}, picture[32] = {};
    ASSERT_EQ(std::sscanf(rows[i].c_str(), "%d\t%d\t%15s\t%d\t%d\t%31s", &x, &y, code, &loaded, &alpha, picture), 6)
        << rows[i];
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(alpha, x < 40 && y < 30 ? 255 : 0) << rows[i];
    EXPECT_EQ(std::string(picture), std::string(code) + ".png");
  }
}

TEST_F(Worldmake, MapsAreThoseMapscanWrites) {
  // A picture of six colours keeps them all: its AI map is mapscan's full AI map.
  write("flat.bmp", support::bmp_bytes(9, 5, [](int x, int y) {
          return support::Rgb{x < 3 ? 200 : 10, y < 2 ? 100 : 30, x > 6 ? 250 : 0};
        }));
  write("grey.bmp", support::bmp_bytes(9, 5, [](int x, int y) { return support::Rgb{x * 30, y * 50, 7}; }));
  ASSERT_EQ(run("worldmake", "flat.bmp a --quiet").exit_code, 0);
  ASSERT_EQ(run("worldmake", "flat.bmp b --alpha grey.bmp --quiet").exit_code, 0);
  std::filesystem::create_directory(dir + "codes");
  ASSERT_EQ(run("mapscan", "ai flat.bmp m --dest codes").exit_code, 0);
  ASSERT_EQ(run("mapscan", "red grey.bmp m").exit_code, 0);
  EXPECT_EQ(read("a/maps/flat.qz61"), read("m.qz61"));
  EXPECT_EQ(read("b/maps/flat.red"), read("m.red"));
  EXPECT_EQ(support::names_in(dir + "a/codes/flat"), support::names_in(dir + "codes"));
  // Opaque by default: 255 inside the picture, 0 on the extra column and row, as for a white picture.
  const std::vector<std::string> red = support::split_lines(read("a/maps/flat.red"));
  ASSERT_EQ(red.size(), 5u + 10 * 6);
  EXPECT_EQ(red[3], "SourceImage:flat.bmp");
  for (int x = 0; x <= 9; ++x)
    for (int y = 0; y <= 5; ++y) EXPECT_EQ(red[5 + size_t(x) * 6 + y], x < 9 && y < 5 ? "255" : "0");
}

TEST_F(Worldmake, AnExistingWorldIsKeptUnlessForcedAndUserFilesAreNeverReplaced) {
  write("land.bmp", photograph(12, 8));
  ASSERT_EQ(run("worldmake", "land.bmp w --colours 4 --quiet").exit_code, 0);
  const std::vector<std::string> codes = support::names_in(dir + "w/codes/land");
  ASSERT_FALSE(codes.empty());
  const std::string ini = read("w/DATA/ini.txt"), map = read("w/maps/land.qz61");

  const Result again = run("worldmake", "land.bmp w --colours 8 --cell 8");
  EXPECT_EQ(again.exit_code, 1);
  EXPECT_NE(again.err.find("already holds a world"), std::string::npos) << again.err;
  EXPECT_EQ(read("w/DATA/ini.txt"), ini);
  EXPECT_EQ(read("w/maps/land.qz61"), map);

  // Forced: settings and maps are rewritten; the user's definition and ground picture stay.
  write("w/codes/land/" + codes[0], "GFXNAME\r\nmine.png\r\n");
  write("w/gfx/topo/" + codes[0] + ".png", "my own picture");
  const Result forced = run("worldmake", "land.bmp w --colours 8 --cell 8 --force");
  ASSERT_EQ(forced.exit_code, 0) << forced.err;
  EXPECT_NE(read("w/DATA/ini.txt"), ini);
  EXPECT_NE(read("w/maps/land.qz61"), map);
  EXPECT_EQ(read("w/codes/land/" + codes[0]), "GFXNAME\r\nmine.png\r\n");
  EXPECT_EQ(read("w/gfx/topo/" + codes[0] + ".png"), "my own picture");
  EXPECT_GT(support::names_in(dir + "w/codes/land").size(), codes.size());
}

// A rerun from a picture of another name, or with other colours, keeps the world's name, so the
// definitions written by hand stay in use; those the new map no longer uses are kept and named.
TEST_F(Worldmake, ARerunKeepsTheWorldsCodeFolderAndCountsItsDefinitions) {
  write("rose.bmp", photograph(12, 8));
  write("rose_v2.bmp", support::bmp_bytes(12, 8, [](int x, int y) {
          return support::Rgb{x < 6 ? 250 : 20, y < 4 ? 240 : 60, 90};
        }));
  ASSERT_EQ(run("worldmake", "rose.bmp w --colours 4 --quiet").exit_code, 0);
  const std::vector<std::string> before = support::names_in(dir + "w/codes/rose");
  write("w/codes/rose/" + before[0], "GFXNAME\r\nmine.png\r\n");

  const Result again = run("worldmake", "--force rose_v2.bmp w --colours 4");
  ASSERT_EQ(again.exit_code, 0) << again.err;
  EXPECT_FALSE(std::filesystem::exists(dir + "w/codes/rose_v2"));
  EXPECT_FALSE(std::filesystem::exists(dir + "w/maps/rose_v2.qz61"));
  EXPECT_NE(read("w/DATA/ini.txt").find("APPSTART\r\nrose\r\n"), std::string::npos);
  EXPECT_NE(read("w/maps/rose.qz61").find("SourceImage:rose_v2.bmp"), std::string::npos);
  EXPECT_EQ(read("w/codes/rose/" + before[0]), "GFXNAME\r\nmine.png\r\n");

  // The map's codes, from the map itself: new ones got a definition, old ones it lacks are counted.
  std::set<std::string> used;
  const std::vector<std::string> map = support::split_lines(read("w/maps/rose.qz61"));
  for (size_t at = 5; at + 2 < map.size(); at += 3) used.insert(map[at] + map[at + 1] + map[at + 2]);
  size_t kept = 0, unused = 0;
  for (const std::string& code : before) (used.count(code) ? kept : unused)++;
  ASSERT_GT(unused, 0u);
  const std::string counts = std::to_string(used.size() - kept) + " new, " + std::to_string(kept) + " kept, " +
                             std::to_string(unused) + " no longer used by the map";
  EXPECT_NE(again.out.find("definitions in " + svc::shown_path("w/codes/rose/: ") + counts), std::string::npos)
      << again.out;
  EXPECT_NE(again.out.find("no longer used (kept, in " + svc::shown_path("w/codes/rose/): ")), std::string::npos)
      << again.out;
  EXPECT_EQ(support::names_in(dir + "w/codes/rose").size(), before.size() + used.size() - kept);
}

// The cell size shows the whole world on the first screen (from 2 to 64 pixels), and the cursor
// speed lets a held arrow cross what is shown in about three seconds at 60 frames a second.
TEST_F(Worldmake, TheFirstScreenShowsTheWholeWorldAndAHeldArrowCrossesItInSeconds) {
  struct Case {
    int width, height;
    const char* options;
    const char* resolution;
    const char* speed;
  };
  const Case cases[] = {
      {64, 48, "", "22", "253"},                       // 65 x 49 cells; one step every 3 frames: 3.2 s
      {227, 149, "", "7", "255"},                      // 228 x 150 cells of 7 pixels fit 1920 x 1080
      {512, 384, "", "2", "255"},                      // the largest world: 1026 x 770 pixels
      {512, 511, "", "2", "255"},                      // 513 x 512 cells still fit at 2 pixels
      {500, 90, "", "3", "255"},                       // a wide strip: the width sets the cell
      {512, 384, "--screen 800x600", "2", "255"},      // too large even at 2 pixels: as much as fits
      {3, 2, "", "64", "211"},                         // a tiny picture is not blown up past 64 pixels
      {227, 149, "--screen 1280x720", "4", "255"},     // another desktop
      {64, 48, "--cell 8", "8", "253"},                // the user's cell size is kept
  };
  for (const Case& c : cases) {
    write("p.bmp", support::solid_bmp(c.width, c.height, 30, 140, 70));
    std::filesystem::remove_all(dir + "w");
    const Result r = run("worldmake", std::string("p.bmp w ") + c.options);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::vector<std::string> ini = support::split_lines(read("w/DATA/ini.txt"));
    std::string resolution, speed;
    for (size_t i = 0; i + 1 < ini.size(); i += 2) {
      if (ini[i] == "RESOLUTION") resolution = ini[i + 1];
      if (ini[i] == "CURSORSPEED") speed = ini[i + 1];
    }
    EXPECT_EQ(resolution, c.resolution) << c.width << " x " << c.height << " " << c.options;
    EXPECT_EQ(speed, c.speed) << c.width << " x " << c.height << " " << c.options;
  }
  EXPECT_EQ(run("worldmake", "p.bmp v --screen 10x10").exit_code, 2);
  EXPECT_EQ(run("worldmake", "p.bmp v --screen 1920").exit_code, 2);
}

// Every file under the folder with its bytes.
std::map<std::string, std::string> files_under(const std::string& folder) {
  std::map<std::string, std::string> out;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
    if (entry.is_regular_file())
      out[entry.path().lexically_relative(folder).string()] = support::read_file(entry.path().string());
  return out;
}

TEST_F(Worldmake, AFullDiskLeavesAnUnfinishedWorldThatARerunFinishes) {
  support::SmallDisk disk;
  if (!disk.mount(dir + "disk", 200)) GTEST_SKIP() << disk.why();
  write("photo.bmp", photograph(150, 100));  // an AI map of about 230 KB
  const Result full = run("worldmake", "photo.bmp disk/w");
  EXPECT_EQ(full.exit_code, 1);
  EXPECT_NE(full.err.find("photo.qz61"), std::string::npos) << full.err;
  // Unfinished, and plainly so: no settings, no part of a map, no definition with half its lines.
  EXPECT_TRUE(files_under(dir + "disk/w").empty());
  // With room, the same command finishes it: every code gets its definition and picture.
  ASSERT_TRUE(disk.resize(4096));
  const Result again = run("worldmake", "photo.bmp disk/w");
  ASSERT_EQ(again.exit_code, 0) << again.err;
  EXPECT_NE(again.out.find(" 0 kept"), std::string::npos) << again.out;
  const std::vector<std::string> codes = support::names_in(dir + "disk/w/codes/photo");
  ASSERT_FALSE(codes.empty());
  for (const std::string& code : codes) {
    EXPECT_EQ(read("disk/w/codes/photo/" + code).rfind("GFXNAME\r\n" + code + ".png\r\n", 0), 0u) << code;
    EXPECT_GT(support::read_file(dir + "disk/w/gfx/topo/" + code + ".png").size(), 0u) << code;
  }
  // An empty definition (as a converter scan leaves it) names nothing: a forced run writes it.
  write("disk/w/codes/photo/" + codes[0], "");
  const Result forced = run("worldmake", "photo.bmp disk/w --force");
  ASSERT_EQ(forced.exit_code, 0) << forced.err;
  EXPECT_NE(forced.out.find(": 1 new, "), std::string::npos) << forced.out;
  EXPECT_EQ(read("disk/w/codes/photo/" + codes[0]).rfind("GFXNAME\r\n", 0), 0u);
}

TEST_F(Worldmake, AFailedForcedRunOnAFullOrReadOnlyDiskKeepsTheWorldThatWasThere) {
  support::SmallDisk disk;
  if (!disk.mount(dir + "disk", 400)) GTEST_SKIP() << disk.why();
  write("land.bmp", photograph(40, 30));
  ASSERT_EQ(run("worldmake", "land.bmp disk/w --quiet").exit_code, 0);
  // The larger picture's world under the same name does not fit beside the old one.
  write("land.bmp", photograph(150, 100));
  const auto before = files_under(dir + "disk/w");
  ASSERT_TRUE(disk.fill());
  EXPECT_EQ(run("worldmake", "land.bmp disk/w --force").exit_code, 1);
  disk.empty_filler();
  ASSERT_TRUE(disk.read_only(true));
  EXPECT_EQ(run("worldmake", "land.bmp disk/w --force").exit_code, 1);
  EXPECT_TRUE(files_under(dir + "disk/w") == before);
}

// A picture over 512 x 512 is refused with the way out named; --fit scales it to fit, proportions kept.
TEST_F(Worldmake, FitScalesALargePictureDownToTheLargestWorld) {
  write("wide.bmp", support::bmp_bytes(1030, 515, [](int x, int y) {
          return support::Rgb{x < 515 ? 200 : 40, (x + y) % 2 ? 255 : 0, 90};
        }));
  const Result refused = run("worldmake", "wide.bmp w");
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("--fit scales it down to 512 x 256"), std::string::npos) << refused.err;
  EXPECT_FALSE(std::filesystem::exists(dir + "w"));

  const Result fitted = run("worldmake", "wide.bmp w --fit --colours 8");
  ASSERT_EQ(fitted.exit_code, 0) << fitted.err;
  EXPECT_NE(fitted.out.find("513 x 257 cells"), std::string::npos) << fitted.out;
  EXPECT_NE(fitted.out.find("scaled from 1030 x 515 to 512 x 256 pixels"), std::string::npos) << fitted.out;
  // Each cell averages the fine stripes it covers into one colour: grey-green halves, not stripes.
  const std::vector<std::string> map = support::split_lines(read("w/maps/wide.qz61"));
  ASSERT_EQ(map.size(), 5u + 513 * 257 * 3);
  EXPECT_EQ(map[3], "SourceImage:wide.bmp");
  for (int x = 0; x < 512; ++x)
    for (int y = 0; y < 256; ++y) {
      const size_t at = 5 + (size_t(x) * 257 + size_t(y)) * 3;
      const int red = std::stoi(map[at]), green = std::stoi(map[at + 1]);
      ASSERT_TRUE(green > 90 && green < 165) << x << "," << y << ": " << green;
      if (x < 255) {
        ASSERT_GT(red, 150) << x << "," << y;
      }
      if (x > 256) {
        ASSERT_LT(red, 90) << x << "," << y;
      }
    }
  // Small pictures are left as they are.
  write("small.bmp", photograph(12, 8));
  const Result small = run("worldmake", "small.bmp s --fit");
  ASSERT_EQ(small.exit_code, 0) << small.err;
  EXPECT_NE(small.out.find("13 x 9 cells"), std::string::npos) << small.out;
  EXPECT_EQ(small.out.find("scaled"), std::string::npos) << small.out;
}

// The world's name keeps what files can carry, accents and blanks included; the engine opens it.
TEST_F(Worldmake, TheWorldsNameKeepsAccentsAndReplacesOnlyWhatNoFileSystemAllows) {
  // Names Windows cannot give a file (and "con", its console) are pictures only elsewhere.
  const struct {
    std::string picture, name;
    bool everywhere;
  } cases[] = {
      {"for\xc3\xaat \xc3\xa9t\xc3\xa9.bmp", "for\xc3\xaat \xc3\xa9t\xc3\xa9", true},
      {"a:b?c*.bmp", "a_b_c_", false},
      {"bad\xff\xc3.bmp", "bad__", false},
      {"con.bmp", "con_", false},
      {"dots..bmp", "dots_", true},
  };
  for (const auto& c : cases) {
    if (!c.everywhere && svc::windows_system()) continue;
    write(c.picture, photograph(6, 4));
    std::filesystem::remove_all(dir + "w");
    const Result made = run("worldmake", "'" + c.picture + "' w --colours 3 --quiet");
    ASSERT_EQ(made.exit_code, 0) << c.picture << ": " << made.err;
    EXPECT_NE(read("w/DATA/ini.txt").find("APPSTART\r\n" + c.name + "\r\n"), std::string::npos) << c.picture;
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(dir + "w/codes/" + c.name))) << c.picture;
  }
  // The engine reads the accented world, and a rerun keeps its name.
  write("other.bmp", photograph(6, 4));
  std::filesystem::remove_all(dir + "w");
  ASSERT_EQ(run("worldmake", "'" + cases[0].picture + "' w --colours 3 --quiet").exit_code, 0);
  ASSERT_EQ(run("worldmake", "other.bmp w --colours 3 --quiet --force").exit_code, 0);
  EXPECT_NE(read("w/DATA/ini.txt").find("APPSTART\r\n" + cases[0].name + "\r\n"), std::string::npos);
  int status = -1;
  const std::string world = support::shell_output("cd w && '" + tool("worlddump") + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << world;
  EXPECT_EQ(world.rfind("6 4\n", 0), 0u) << world.substr(0, 200);
}

// A picture with its own transparency gives the ground its opacity, unless --opaque or --alpha says otherwise.
TEST_F(Worldmake, APicturesAlphaChannelIsTheGroundsOpacity) {
  svc::Picture tiles;
  tiles.width = 4;
  tiles.height = 2;
  const uint8_t alpha[8] = {255, 0, 128, 255, 0, 0, 255, 64};
  for (uint8_t a : alpha) tiles.rgba.insert(tiles.rgba.end(), {90, 160, 40, a});
  ASSERT_NE(svc::write_png(dir + "tiles.png", tiles), 0);
  write("grey.bmp", support::solid_bmp(4, 2, 77, 77, 77));
  const Result made = run("worldmake", "tiles.png a");
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_NE(made.out.find("ground opacity: from the picture's alpha channel"), std::string::npos) << made.out;
  const std::vector<std::string> red = support::split_lines(read("a/maps/tiles.red"));
  ASSERT_EQ(red.size(), 5u + 5 * 3);
  for (int x = 0; x <= 4; ++x)
    for (int y = 0; y <= 2; ++y)
      EXPECT_EQ(red[5 + size_t(x) * 3 + y], x < 4 && y < 2 ? std::to_string(alpha[y * 4 + x]) : "0") << x << "," << y;

  const Result opaque = run("worldmake", "tiles.png o --opaque");
  ASSERT_EQ(opaque.exit_code, 0) << opaque.err;
  EXPECT_NE(opaque.out.find("ground opacity: opaque"), std::string::npos) << opaque.out;
  EXPECT_EQ(support::split_lines(read("o/maps/tiles.red"))[5 + 3], "255");  // (1, 0): transparent in the picture
  const Result chosen = run("worldmake", "tiles.png c --alpha grey.bmp");
  ASSERT_EQ(chosen.exit_code, 0) << chosen.err;
  EXPECT_NE(chosen.out.find("ground opacity: from the red channel of grey.bmp"), std::string::npos) << chosen.out;
  EXPECT_EQ(support::split_lines(read("c/maps/tiles.red"))[5 + 3], "77");
}

TEST_F(Worldmake, BadInputIsRefusedBeforeAnythingIsWritten) {
  write("land.bmp", photograph(12, 8));
  write("wide.bmp", support::solid_bmp(513, 2, 1, 2, 3));
  write("small.bmp", support::solid_bmp(3, 3, 1, 2, 3));
  write("notes.txt", "not a picture");
  write("file", "x");
  struct Case {
    const char* args;
    int exit_code;
    const char* named;
  };
  const Case cases[] = {
      {"", 2, "usage"},
      {"land.bmp", 2, "usage"},
      {"land.bmp w extra", 2, "usage"},
      {"land.bmp w --colours 1", 2, "--colours"},
      {"land.bmp w --colours 4097", 2, "--colours"},
      {"land.bmp w --colours", 2, "--colours"},
      {"land.bmp w --cell 0", 2, "--cell"},
      {"land.bmp w --opaque --alpha small.bmp", 2, "--opaque"},
      {"land.bmp w --frobnicate", 2, "--frobnicate"},
      {"missing.bmp w", 1, "missing.bmp"},
      {"notes.txt w", 1, "notes.txt"},
      {"wide.bmp w", 1, "--fit"},
      {"land.bmp w --alpha small.bmp", 1, "small.bmp"},
      {"land.bmp file", 1, "file"},
  };
  for (const Case& c : cases) {
    const Result r = run("worldmake", c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.args;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << c.args << ": " << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir + "w")) << c.args;
  }
  const Result help = run("worldmake", "--help");
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("--colours"), std::string::npos);
}

}  // namespace
