// worldshot_test.cpp -- the worldshot program without a display: cell colours, regions, tiles, sizes, failures
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

namespace fs = std::filesystem;

std::string tool(const std::string& name) { return std::string(SUITE_BINARY_DIR) + "/tools/" + name; }

class Worldshot : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(tool("worldshot") + SUITE_EXE) || !fs::exists(tool("worldmake") + SUITE_EXE)) GTEST_SKIP() << "tools not built";
    dir = support::make_temp_folder("worldshot_test_");
    ASSERT_FALSE(dir.empty());
    svc::register_image_decoders();
  }
  void TearDown() override {
    if (!dir.empty()) support::remove_folder(dir);
  }

  // Runs worldshot in a world folder; the exit code, standard error in `err`.
  int shot(const std::string& world, const std::string& args, std::string* err = nullptr) {
    int status = -1;
    support::shell_output("cd '" + world + "' && '" + tool("worldshot") + "' " + args + " 2>'" + dir + "err.txt'",
                          &status);
    if (err) *err = support::read_file(dir + "err.txt");
    return status;
  }

  svc::Picture picture(const std::string& path) {
    svc::Picture p;
    EXPECT_TRUE(svc::decode_picture(path, p)) << path;
    return p;
  }

  // The part of a picture from (x, y) on, width x height pixels.
  static svc::Picture crop(const svc::Picture& p, int x, int y, int width, int height) {
    svc::Picture out;
    out.width = width;
    out.height = height;
    for (int row = y; row < y + height; ++row)
      out.rgba.insert(out.rgba.end(), p.rgba.begin() + (size_t(row) * p.width + x) * 4,
                      p.rgba.begin() + (size_t(row) * p.width + x + width) * 4);
    return out;
  }

  std::string dir;
};

// The AI map's colour of every cell, column by column.
std::vector<std::vector<int32_t>> map_codes(const std::string& path, int& width, int& height) {
  const std::vector<std::string> lines = support::split_lines(support::read_file(path));
  width = std::stoi(lines.at(1));
  height = std::stoi(lines.at(2));
  std::vector<std::vector<int32_t>> codes(size_t(width) + 1);
  size_t at = 5;
  for (auto& column : codes)
    for (int y = 0; y <= height; ++y, at += 3)
      column.push_back(std::stoi(lines.at(at)) + std::stoi(lines.at(at + 1)) * 256 +
                       std::stoi(lines.at(at + 2)) * 65536);
  return codes;
}

TEST_F(Worldshot, AWorldMadeFromAPictureShowsEachCellInItsReducedColour) {
  const std::string land = std::string(SUITE_SOURCE_DIR) + "/examples/mapconvert/land.png";
  ASSERT_EQ(support::shell("'" + tool("worldmake") + "' '" + land + "' '" + dir + "w' --colours 4 --cell 32 --quiet"),
            0);
  ASSERT_EQ(shot(dir + "w", "'" + dir + "w.png'"), 0);
  int width = 0, height = 0;
  const auto codes = map_codes(dir + "w/maps/land.qz61", width, height);
  const svc::Picture p = picture(dir + "w.png");
  ASSERT_EQ(p.width, (width + 1) * 32);  // one cell per map entry, RESOLUTION pixels each
  ASSERT_EQ(p.height, (height + 1) * 32);
  int wrong = 0;
  for (int x = 0; x <= width; ++x)
    for (int y = 0; y <= height; ++y) {
      const uint8_t* px = &p.rgba[(size_t(y * 32 + 16) * p.width + x * 32 + 16) * 4];
      // The extra column and row have no ground (red map 0): black.
      const int32_t want = x < width && y < height ? codes[size_t(x)][size_t(y)] : 0;
      const bool near = std::abs(px[0] - (want & 255)) <= 8 && std::abs(px[1] - ((want >> 8) & 255)) <= 8 &&
                        std::abs(px[2] - ((want >> 16) & 255)) <= 8;
      if (!near) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
}

// Names are UTF-8 on every system: a world made from a picture in a folder with accents, and its
// picture drawn both from inside the folder and by naming it, land under exactly those names.
TEST_F(Worldshot, FoldersAndPicturesWithAccentedNamesAreMadeAndDrawn) {
  const std::string source = "l\xc3\xa4nd \xc3\xa9t\xc3\xa9.png", world = "w\xc3\xb6rld \xc3\xbc";
  ASSERT_TRUE(support::write_file(dir + source,
                                  support::read_file(std::string(SUITE_SOURCE_DIR) + "/examples/mapconvert/land.png")));
  std::string err;
  ASSERT_EQ(support::shell("cd '" + dir + "' && '" + tool("worldmake") + "' '" + source + "' '" + world +
                           "' --colours 4 --cell 8 --quiet"),
            0);
  // The world's name is the picture's, accents and blank kept.
  EXPECT_EQ(support::names_in(dir + world + "/codes"), std::vector<std::string>{"l\xc3\xa4nd \xc3\xa9t\xc3\xa9"});
  EXPECT_EQ(shot(dir + world, "'\xc3\xa5.png'", &err), 0) << err;
  EXPECT_EQ(shot(dir, "'" + world + "' 'b\xc3\xafld.png'", &err), 0) << err;
  EXPECT_EQ(support::names_in(dir), (std::vector<std::string>{"b\xc3\xafld.png", "err.txt", source, world}));
  const svc::Picture inside = picture(dir + world + "/\xc3\xa5.png"), named = picture(dir + "b\xc3\xafld.png");
  EXPECT_GT(inside.width, 8);
  EXPECT_TRUE(inside.width == named.width && inside.height == named.height && inside.rgba == named.rgba);
}

TEST_F(Worldshot, AFullOrReadOnlyDiskLeavesTheOldPictureWholeAndNothingBeside) {
  support::SmallDisk disk;
  if (!disk.mount(dir + "disk", 100)) GTEST_SKIP() << disk.why();
  const std::string land = std::string(SUITE_SOURCE_DIR) + "/examples/mapconvert/land.png";
  ASSERT_EQ(support::shell("'" + tool("worldmake") + "' '" + land + "' '" + dir + "w' --colours 4 --quiet"), 0);
  ASSERT_EQ(shot(dir + "w", "--cell 2 '" + dir + "disk/w.png'"), 0);
  const std::string old = support::read_file(dir + "disk/w.png");
  // At 32 pixels a cell the picture does not fit beside the old one.
  std::string err;
  EXPECT_EQ(shot(dir + "w", "'" + dir + "disk/w.png'", &err), 1);
  EXPECT_NE(err.find("w.png"), std::string::npos) << err;
  ASSERT_TRUE(disk.read_only(true));
  EXPECT_EQ(shot(dir + "w", "--cell 2 '" + dir + "disk/w.png'", &err), 1);
  EXPECT_NE(err.find("w.png"), std::string::npos) << err;
  EXPECT_TRUE(support::read_file(dir + "disk/w.png") == old);
  EXPECT_EQ(support::names_in(dir + "disk"), std::vector<std::string>{"w.png"});
}

TEST_F(Worldshot, RegionsAndTilesGiveTheSamePixelsAsTheWholePicture) {
  // The demo island at 64 pixels a cell is wider than one tile, so the whole picture is drawn in
  // parts; its trees and flowers are moved half a cell right and down, over the next cells.
  const std::string island = dir + "island/";
  fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/world", island, fs::copy_options::recursive);
  for (const char* name : {"tree.dll", "flower.dll"}) {
    const std::string definition = island + "gfx/objects/" + name;
    ASSERT_TRUE(support::write_file(definition, support::read_file(definition) + "DCENTERFIELD\r\n1\r\n"));
  }
  const int cell = 64;
  for (const char* smooth : {"", "--smooth "}) {
    ASSERT_EQ(shot(island, std::string(smooth) + "--cell 64 '" + dir + "all.png'"), 0);
    ASSERT_EQ(shot(island, std::string(smooth) + "--cell 64 --region 13,3,30,20 '" + dir + "part.png'"), 0);
    const svc::Picture all = picture(dir + "all.png"), part = picture(dir + "part.png");
    ASSERT_GT(all.width, 2048);
    ASSERT_EQ(part.width, 30 * cell);
    ASSERT_EQ(part.height, 20 * cell);
    const svc::Picture same = crop(all, 13 * cell, 3 * cell, part.width, part.height);
    // With smoothing, the last pixel column and row of a picture read past it.
    const int edge = *smooth ? 1 : 0;
    EXPECT_TRUE(crop(part, 0, 0, part.width - edge, part.height - edge).rgba ==
                crop(same, 0, 0, part.width - edge, part.height - edge).rgba)
        << smooth;
  }
  // The same world and options give the same picture; a region past the world's end is cut to it.
  const svc::Picture whole = picture(dir + "all.png");
  const int columns = whole.width / cell, rows = whole.height / cell;
  const std::string end =
      "--region " + std::to_string(columns - 5) + "," + std::to_string(rows - 3) + ",100,100 --cell 8 ";
  ASSERT_EQ(shot(island, end + "'" + dir + "end.png'"), 0);
  ASSERT_EQ(shot(island, end + "'" + dir + "end2.png'"), 0);
  EXPECT_EQ(picture(dir + "end.png").width, 5 * 8);
  EXPECT_EQ(picture(dir + "end.png").height, 3 * 8);
  EXPECT_EQ(support::read_file(dir + "end.png"), support::read_file(dir + "end2.png"));
}

// The share of a picture's pixels within 12 of a colour in every channel.
double share(const svc::Picture& p, int r, int g, int b) {
  size_t near = 0;
  for (size_t i = 0; i < p.rgba.size(); i += 4)
    if (std::abs(p.rgba[i] - r) <= 12 && std::abs(p.rgba[i + 1] - g) <= 12 && std::abs(p.rgba[i + 2] - b) <= 12) ++near;
  return double(near) / double(p.rgba.size() / 4);
}

// --view draws one screen of the view scrolled to a cell: the whole picture's cells from there on,
// black past the world's end, the screen's size as asked.
TEST_F(Worldshot, AViewShowsTheWorldFromItsScrollOnAScreenOfItsSize) {
  const std::string island = dir + "island/";
  fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/world", island, fs::copy_options::recursive);
  const int cell = 8;
  ASSERT_EQ(shot(island, "--cell 8 '" + dir + "all.png'"), 0);
  ASSERT_EQ(shot(island, "--cell 8 --view 13,3 --screen 160x96 '" + dir + "view.png'"), 0);
  const svc::Picture all = picture(dir + "all.png"), view = picture(dir + "view.png");
  ASSERT_EQ(view.width, 160);
  ASSERT_EQ(view.height, 96);
  EXPECT_TRUE(view.rgba == crop(all, 13 * cell, 3 * cell, 160, 96).rgba);

  // From the last column and row, one cell shows and the rest of the screen is black.
  const int columns = all.width / cell, rows = all.height / cell;
  const std::string corner = std::to_string(columns - 2) + "," + std::to_string(rows - 2);
  ASSERT_EQ(shot(island, "--cell 8 --view " + corner + " --screen 40x30 '" + dir + "corner.png'"), 0);
  const svc::Picture end = picture(dir + "corner.png");
  ASSERT_EQ(end.width, 40);
  EXPECT_TRUE(crop(end, 0, 0, 16, 16).rgba == crop(all, all.width - 16, all.height - 16, 16, 16).rgba);
  EXPECT_EQ(share(crop(end, 16, 0, 24, 30), 0, 0, 0), 1.0);
  EXPECT_EQ(share(crop(end, 0, 16, 40, 14), 0, 0, 0), 1.0);

  // A view from outside the world, or with a region, or a screen without a view, is refused.
  std::string err;
  EXPECT_EQ(shot(island, "--view " + std::to_string(columns) + ",0 '" + dir + "no.png'", &err), 2);
  EXPECT_NE(err.find("outside the world of " + std::to_string(columns) + " x " + std::to_string(rows) + " cells"),
            std::string::npos) << err;
  for (const char* bad : {"--view 1 a.png", "--view 1,-1 a.png", "--view 0,0 --region 0,0,1,1 a.png",
                          "--screen 64x64 a.png", "--view 0,0 --screen 0x10 a.png", "--view 0,0 --screen 64,64 a.png",
                          "--view 0,0 --screen 9000x9000 a.png"})
    EXPECT_EQ(shot(island, bad, &err), 2) << bad << ": " << err;
  EXPECT_FALSE(fs::exists(dir + "no.png"));
  EXPECT_FALSE(fs::exists(island + "a.png"));
}

TEST_F(Worldshot, AtOtherCellSizesObjectsScaleWithTheirCells) {
  // The island's trees are fitted to RESOLUTION-sized cells: drawn at a half and a quarter of it,
  // they cover the same share of the picture, as do the sea and the rock.
  const std::string island = dir + "island/";
  fs::copy(std::string(SUITE_SOURCE_DIR) + "/examples/world", island, fs::copy_options::recursive);
  ASSERT_EQ(shot(island, "--cell 48 '" + dir + "half.png'"), 0);
  ASSERT_EQ(shot(island, "--cell 24 '" + dir + "quarter.png'"), 0);
  const svc::Picture half = picture(dir + "half.png"), quarter = picture(dir + "quarter.png");
  EXPECT_EQ(half.width, 2 * quarter.width);
  for (const auto& c : {std::vector<int>{0x1f, 0x5a, 0x1f}, {0x2a, 0x5f, 0xa8}, {0x8a, 0x87, 0x80}}) {
    const double a = share(half, c[0], c[1], c[2]), b = share(quarter, c[0], c[1], c[2]);
    EXPECT_GT(a, 0.01);
    EXPECT_NEAR(b, a, a * 0.2) << c[0] << "," << c[1] << "," << c[2];
  }
}

TEST_F(Worldshot, LargePicturesGetSmallerCellsAndBadRequestsAreRefused) {
  // 64 x 64 cells of 128 pixels would be 67 megapixels: the cells shrink to 125 pixels.
  ASSERT_TRUE(support::write_file(dir + "flat.bmp", support::solid_bmp(63, 63, 40, 120, 60)));
  ASSERT_EQ(support::shell("'" + tool("worldmake") + "' '" + dir + "flat.bmp' '" + dir + "big' --cell 128 --quiet"), 0);
  std::string err;
  ASSERT_EQ(shot(dir + "big", "'" + dir + "big.png'", &err), 0);
  EXPECT_NE(err.find("125 pixels"), std::string::npos) << err;
  // The size from the PNG header (bytes 16 to 23: width and height, big-endian).
  const std::string png = support::read_file(dir + "big.png");
  ASSERT_GT(png.size(), 24u);
  auto number = [&](size_t at) {
    return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
           (uint32_t(uint8_t(png[at + 2])) << 8) | uint32_t(uint8_t(png[at + 3]));
  };
  EXPECT_EQ(number(16), 64u * 125);
  EXPECT_EQ(number(20), 64u * 125);

  // Asked for explicitly, too large a picture is refused with the cell size that fits.
  EXPECT_EQ(shot(dir + "big", "--cell 200 '" + dir + "no.png'", &err), 1);
  EXPECT_NE(err.find("--cell 125"), std::string::npos) << err;
  EXPECT_EQ(shot(dir + "big", "'" + dir + "missing/no.png'", &err), 1);
  EXPECT_NE(err.find(svc::shown_path("missing/no.png")), std::string::npos) << err;
  for (const char* bad : {"", "a b c.png", "--cell 0 a.png", "--region 1,2,3 a.png", "--region 0,0,0,1 a.png",
                          "--variant x a.png", "--frobnicate a.png", "a.jpg", "picture"})
    EXPECT_EQ(shot(dir + "big", bad), 2) << bad;
  EXPECT_FALSE(fs::exists(dir + "no.png"));
  EXPECT_FALSE(fs::exists(dir + "big/a.jpg"));
  // A folder of the picture's name is refused as such, and stays.
  fs::create_directory(dir + "folder.png");
  EXPECT_EQ(shot(dir + "big", "'" + dir + "folder.png'", &err), 1);
  EXPECT_NE(err.find("is a folder"), std::string::npos) << err;
  EXPECT_TRUE(fs::is_directory(dir + "folder.png"));
}

// Each refusal names the program, what is wrong and what to do; requests that do not fit the world
// are usage errors (2), files that cannot be read are 1.
TEST_F(Worldshot, RefusalsSayWhatIsWrongAndWhatToDo) {
  ASSERT_TRUE(support::write_file(dir + "flat.bmp", support::solid_bmp(9, 6, 40, 120, 60)));
  ASSERT_EQ(support::shell("'" + tool("worldmake") + "' '" + dir + "flat.bmp' '" + dir + "w' --quiet"), 0);
  std::string err;
  // The world folder may be named instead of entered; the picture's name stays where the user is.
  ASSERT_EQ(shot(dir, "w out.png", &err), 0) << err;
  EXPECT_TRUE(fs::exists(dir + "out.png"));
  EXPECT_EQ(shot(dir, "nothing out.png", &err), 1);
  EXPECT_EQ(err, "worldshot: nothing: no such folder\n");

  EXPECT_EQ(shot(dir, "'" + dir + "no.png'", &err), 1);  // not a world folder
  EXPECT_EQ(err.rfind(svc::shown_path("worldshot: the current folder holds no world (no DATA/ini.txt there); run "
                                       "worldshot in a world folder, or name it: worldshot FOLDER OUT.png"),
                      0),
            0u)
      << err;
  EXPECT_EQ(shot(dir + "w", "--region 10,0,1,1 '" + dir + "no.png'", &err), 2);
  EXPECT_NE(err.find("worldshot: --region 10,0,...: starts outside the world of 10 x 7 cells; X goes from 0 to 9"),
            std::string::npos) << err;
  EXPECT_EQ(shot(dir + "w", "--variant 3 '" + dir + "no.png'", &err), 2);
  EXPECT_NE(err.find("not a labyrinth"), std::string::npos) << err;
  const std::string ini = support::read_file(dir + "w/DATA/ini.txt");
  support::write_file(dir + "w/DATA/ini.txt", "APPNAME\r\nno cells\r\n");
  EXPECT_EQ(shot(dir, "w '" + dir + "no.png'", &err), 1);
  EXPECT_NE(err.find(svc::shown_path("worldshot: w: RESOLUTION in DATA/ini.txt is missing")), std::string::npos) << err;
  support::write_file(dir + "w/DATA/ini.txt", ini);
  fs::remove(dir + "w/maps/flat.qz61");
  EXPECT_EQ(shot(dir, "w '" + dir + "no.png'", &err), 1);
  EXPECT_NE(err.find(svc::shown_path("worldshot: maps/flat.qz61: the world's map is missing")), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(dir + "no.png"));
}

}  // namespace
