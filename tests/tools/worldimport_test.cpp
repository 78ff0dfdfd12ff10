// worldimport_test.cpp -- worldimport's worlds drawn by worldshot against Tiled's renderer; round trips; bad maps
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "services/pictures.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/tiled_tools_fixture.h"

namespace {

namespace fs = std::filesystem;

using support::built_tool;
using support::example;
using support::has_rasterizer;
const char* const kTiledExamples = "/usr/share/doc/tiled/examples";

// ---- Layer data as Tiled writes it

std::string little_endian(const std::vector<uint32_t>& gids) {
  std::string bytes;
  for (uint32_t g : gids)
    for (int i = 0; i < 4; ++i) bytes.push_back(char(g >> (8 * i)));
  return bytes;
}

std::string base64(const std::string& bytes) {
  const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += letters[(v >> s) & 63];
  }
  if (i + 1 == bytes.size()) {
    const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
    out += std::string{letters[v >> 18], letters[(v >> 12) & 63]} + "==";
  } else if (i + 2 == bytes.size()) {
    const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8;
    out += std::string{letters[v >> 18], letters[(v >> 12) & 63], letters[(v >> 6) & 63]} + "=";
  }
  return out;
}

// zlib (window 15) or gzip (window 31) data.
std::string deflated(const std::string& bytes, int window) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, window, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, uLong(bytes.size())) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = uInt(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string zstd(const std::string& bytes) {
  std::string out(ZSTD_compressBound(bytes.size()), '\0');
  out.resize(ZSTD_compress(out.data(), out.size(), bytes.data(), bytes.size(), 3));
  return out;
}

std::string csv_text(const std::vector<uint32_t>& gids) {
  std::string text;
  for (size_t i = 0; i < gids.size(); ++i) text += (i ? "," : "") + std::to_string(gids[i]);
  return text;
}

// A <data> element of the gids in an encoding: csv, xml, base64, zlib, gzip or zstd.
std::string data_element(const std::vector<uint32_t>& gids, const std::string& how) {
  if (how == "csv") return "<data encoding=\"csv\">" + csv_text(gids) + "</data>";
  if (how == "xml") {
    std::string text = "<data>";
    for (uint32_t g : gids) text += "<tile gid=\"" + std::to_string(g) + "\"/>";
    return text + "</data>";
  }
  const std::string raw = little_endian(gids);
  if (how == "base64") return "<data encoding=\"base64\">" + base64(raw) + "</data>";
  const std::string packed = how == "zlib" ? deflated(raw, 15) : how == "gzip" ? deflated(raw, 31) : zstd(raw);
  return "<data encoding=\"base64\" compression=\"" + how + "\">" + base64(packed) + "</data>";
}

class Worldimport : public support::TiledToolFixture {
 protected:
  const char* tool_name() const override { return "worldimport"; }

  // An atlas of 4 x 2 tiles of `edge` pixels, each its own pattern, the last column half transparent.
  void write_atlas(const std::string& path, int edge) {
    svc::Picture p;
    p.width = 4 * edge;
    p.height = 2 * edge;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        const int tile = (y / edge) * 4 + x / edge, u = x % edge, v = y % edge;
        p.rgba.insert(p.rgba.end(), {uint8_t(tile * 30 + u * 7), uint8_t(200 - v * 9), uint8_t(u < v ? 40 : 220),
                                     uint8_t(x / edge == 3 ? (u + v) * 8 : 255)});
      }
    ASSERT_TRUE(svc::write_png(path, p));
  }

  // A copy of the map beside it without shape and text objects (annotations, which worldimport does
  // not draw and Tiled's renderer outlines) and, with `templates` false, without template objects
  // (Tiled 1.8's renderer draws some of them as empty boxes). Its name, or "" when it cannot be made.
  std::string drawable_copy(const std::string& map, bool templates) {
    pugi::xml_document document;
    if (!document.load_file(map.c_str())) return "";
    for (pugi::xpath_node found : document.select_nodes("//objectgroup")) {
      pugi::xml_node group = found.node();
      for (pugi::xml_node object = group.child("object"); object;) {
        pugi::xml_node next = object.next_sibling("object");
        bool tile = object.attribute("gid");
        if (!tile && object.attribute("template") && templates) {
          pugi::xml_document t;
          const std::string path = (fs::path(map).parent_path() / object.attribute("template").value()).string();
          tile = t.load_file(path.c_str()) && t.child("template").child("object").attribute("gid");
        }
        if (!tile) group.remove_child(object);
        object = next;
      }
    }
    background = document.child("map").attribute("backgroundcolor").value();
    const std::string copy = map.substr(0, map.size() - 4) + "-drawn.tmx";
    return document.save_file(copy.c_str()) ? copy : "";
  }

  struct Difference {
    int largest = 0;
    long pixels = 0;
    long beyond_two = 0;  // Pixels more than two levels off
  };
  // worldshot's picture against Tiled's over the map's background colour.
  Difference compare(const std::string& shot, const std::string& tiled) {
    svc::Picture a, b;
    EXPECT_TRUE(svc::decode_picture(shot, a)) << shot;
    EXPECT_TRUE(svc::decode_picture(tiled, b)) << tiled;
    // Tiled's picture grows right and down by the layers' offsets; the map's area is at its top left.
    EXPECT_TRUE(a.width == b.width || (grows && a.width < b.width)) << tiled << ": " << a.width << " " << b.width;
    EXPECT_TRUE(a.height == b.height || (grows && a.height < b.height)) << tiled << ": " << a.height << " " << b.height;
    if (a.width > b.width || a.height > b.height || a.rgba.empty()) return {256, -1};
    int under[3] = {0, 0, 0};
    std::string hex = background.empty() ? "" : background.substr(background.size() - 6);
    if (!hex.empty()) {
      const unsigned long v = std::strtoul(hex.c_str(), nullptr, 16);
      under[0] = int(v >> 16) & 255, under[1] = int(v >> 8) & 255, under[2] = int(v) & 255;
    }
    Difference d;
    for (size_t i = 0; i < a.rgba.size(); i += 4) {
      int worst = 0;
      const size_t j = (i / 4 / size_t(a.width) * size_t(b.width) + i / 4 % size_t(a.width)) * 4;
      for (int c = 0; c < 3; ++c) {
        const int alpha = b.rgba[j + 3];
        const int seen = (b.rgba[j + c] * alpha + under[c] * (255 - alpha) + 127) / 255;
        worst = std::max(worst, std::abs(int(a.rgba[i + c]) - seen));
      }
      d.largest = std::max(d.largest, worst);
      d.pixels += worst ? 1 : 0;
      d.beyond_two += worst > 2 ? 1 : 0;
    }
    return d;
  }

  // Imports the map, draws the world at the tile size and the map with Tiled's renderer.
  Difference import_and_compare(const std::string& original, int tile, const std::string& world, bool templates = true) {
    const std::string map = drawable_copy(original, templates);
    std::string out;
    EXPECT_EQ(run("worldimport", "-q '" + map + "' '" + world + "'", &out), 0) << map << ": " << out;
    EXPECT_EQ(run("worldshot", "--cell " + std::to_string(tile) + " '" + world + "' '" + world + ".png'", &out), 0)
        << out;
    if (!rasterize(map, world + "-tiled.png")) {
      ADD_FAILURE() << map << ": tmxrasterizer missing or failed (scripts/setup installs Debian's tiled)";
      return {256, -1};
    }
    return compare(world + ".png", world + "-tiled.png");
  }

  std::string background;
  bool grows = false;  // Tiled's picture may be larger than the map (layer offsets)
};

// Every map Debian's Tiled ships as an example: the orthogonal ones become worlds that look as Tiled
// draws them, the others are refused by name. The sticker-knight maps stay within a level where
// translucent layers lie over empty parts of the map (Tiled's renderer holds its picture with
// straight alpha and rounds again each time it stores a pixel that is not opaque, and it leaves out
// the background colour, which the comparison lays under its picture afterwards) and where their
// scaled and turned objects' edge pixels are sampled differently.
TEST_F(Worldimport, TiledsExampleMapsBecomeWorldsThatLookAsTiledDrawsThem) {
  if (!has_rasterizer()) GTEST_SKIP() << "Tiled's tmxrasterizer is not installed (scripts/setup installs tiled)";
  if (!fs::exists(kTiledExamples)) GTEST_SKIP() << "Tiled's examples are not installed (scripts/setup installs tiled)";
  // Debian packs some examples with gzip; Tiled's renderer reads them unpacked.
  fs::copy(kTiledExamples, dir + "examples", fs::copy_options::recursive);
  ASSERT_EQ(support::shell("find '" + dir + "examples' -name '*.gz' -exec gunzip {} +"), 0);
  int compared = 0, refused = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir + "examples")) {
    const std::string map = entry.path().string();
    if (entry.path().extension() != ".tmx" || map.find("-drawn.tmx") != std::string::npos) continue;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(map.c_str())) << map;
    const std::string orientation = document.child("map").attribute("orientation").value();
    const std::string world = dir + "world" + std::to_string(compared + refused);
    if (orientation != "orthogonal") {
      std::string out;
      EXPECT_EQ(run("worldimport", "'" + map + "' '" + world + "'", &out), 1) << map;
      EXPECT_NE(out.find("is " + orientation + "; only orthogonal maps"), std::string::npos) << out;
      EXPECT_FALSE(fs::exists(world)) << map;
      ++refused;
      continue;
    }
    const Difference d = import_and_compare(map, document.child("map").attribute("tilewidth").as_int(), world, false);
    if (map.find("sticker-knight") == std::string::npos) {
      EXPECT_EQ(d.pixels, 0) << map << ": " << d.pixels << " pixels differ, by up to " << d.largest;
    } else if (map.find("sandbox2") != std::string::npos) {
      EXPECT_LE(d.largest, 1) << map << ": " << d.pixels << " pixels differ";
    } else {
      // Its tile objects are scaled and turned (one by a tenth of a turn): Tiled's transform samples
      // their edge pixels differently from the importer's nearest sample.
      const long all = long(document.child("map").attribute("width").as_int()) *
                       document.child("map").attribute("height").as_int() * 32 * 32;
      EXPECT_LT(d.beyond_two * 100, all * 2) << map << ": " << d.beyond_two << " pixels differ by more than 2";
    }
    ++compared;
  }
  EXPECT_GE(compared, 15);
  EXPECT_GE(refused, 4);
}

// One map for each way Tiled stores layer data gives the same world.
TEST_F(Worldimport, EveryLayerEncodingGivesTheSameWorld) {
  if (!has_rasterizer()) GTEST_SKIP() << "Tiled's tmxrasterizer is not installed (scripts/setup installs tiled)";
  write_atlas(dir + "atlas.png", 8);
  std::vector<uint32_t> gids;
  for (int i = 0; i < 6 * 5; ++i) gids.push_back(uint32_t(i % 9));  // 0 leaves a cell empty
  std::string first;
  for (const char* how : {"csv", "xml", "base64", "zlib", "gzip", "zstd"}) {
    const std::string name = dir + std::string(how) + ".tmx";
    ASSERT_TRUE(support::write_file(
        name, "<?xml version=\"1.0\"?><map version=\"1.8\" orientation=\"orthogonal\" width=\"6\" height=\"5\" "
              "tilewidth=\"8\" tileheight=\"8\"><tileset firstgid=\"1\" name=\"a\" tilewidth=\"8\" tileheight=\"8\" "
              "tilecount=\"8\" columns=\"4\"><image source=\"atlas.png\" width=\"32\" height=\"16\"/></tileset>"
              "<layer name=\"g\" width=\"6\" height=\"5\">" +
                  data_element(gids, how) + "</layer></map>"));
    const Difference d = import_and_compare(name, 8, dir + how);
    EXPECT_EQ(d.pixels, 0) << how;
    const std::string map = support::read_file(dir + how + "/maps/" + how + "-drawn.qz61");
    const std::string entries = map.substr(map.find("\n", map.find("SourceImage")));
    if (first.empty()) first = entries;
    EXPECT_EQ(entries, first) << how;
  }
}

// Flips, an external tileset outside the map's folder, an image collection, a tile offset, tiles
// larger than the grid, a group's opacity and offset, an image layer, tile objects, a hidden layer
// and the background colour: Tiled's drawing, within a level where translucent layers lie over the
// background colour, which Tiled's renderer leaves out and the comparison lays under its picture.
// Tiled 1.8's renderer draws a template's tile object as an empty box: the template is checked
// against the same object written out in full.
TEST_F(Worldimport, EveryLayerAndTileFeatureIsDrawnAsTiledDrawsIt) {
  if (!has_rasterizer()) GTEST_SKIP() << "Tiled's tmxrasterizer is not installed (scripts/setup installs tiled)";
  fs::create_directories(dir + "shared/pictures");
  fs::create_directories(dir + "maps");
  write_atlas(dir + "shared/pictures/atlas.png", 16);
  ASSERT_TRUE(svc::write_png(dir + "shared/pictures/big.png", [] {
    svc::Picture p;
    p.width = 32, p.height = 48;
    for (int i = 0; i < 32 * 48; ++i) p.rgba.insert(p.rgba.end(), {uint8_t(i * 3), 90, uint8_t(i / 7), 255});
    return p;
  }()));
  ASSERT_TRUE(support::write_file(dir + "shared/atlas.tsx",
                                  "<tileset name=\"ext\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"8\" "
                                  "columns=\"4\"><image source=\"pictures/atlas.png\" width=\"64\" height=\"32\"/>"
                                  "</tileset>"));
  ASSERT_TRUE(support::write_file(dir + "shared/big.tsx",
                                  "<tileset name=\"big\" tilewidth=\"32\" tileheight=\"48\" tilecount=\"1\" "
                                  "columns=\"0\"><tileoffset x=\"3\" y=\"-2\"/><tile id=\"0\"><image width=\"32\" "
                                  "height=\"48\" source=\"pictures/big.png\"/></tile></tileset>"));
  ASSERT_TRUE(support::write_file(dir + "maps/thing.tx",
                                  "<template><tileset firstgid=\"1\" source=\"../shared/atlas.tsx\"/><object "
                                  "gid=\"3\" width=\"16\" height=\"16\"/></template>"));
  std::vector<uint32_t> ground, upper, hidden(8 * 6, 1);
  for (int i = 0; i < 8 * 6; ++i) {
    ground.push_back((1 + uint32_t(i % 3)) | (i % 4 == 1 ? 0x80000000u : 0) | (i % 5 == 2 ? 0x40000000u : 0) |
                     (i % 7 == 3 ? 0x20000000u : 0));
    upper.push_back(i % 6 == 0 ? 4 : i % 11 == 0 ? 9 : 0);
  }
  ASSERT_TRUE(support::write_file(
      dir + "maps/features.tmx",
      "<?xml version=\"1.0\"?><map version=\"1.8\" orientation=\"orthogonal\" width=\"8\" height=\"6\" "
      "tilewidth=\"16\" tileheight=\"16\" backgroundcolor=\"#203040\">"
      "<tileset firstgid=\"1\" source=\"../shared/atlas.tsx\"/><tileset firstgid=\"9\" source=\"../shared/big.tsx\"/>"
      "<layer name=\"ground\" width=\"8\" height=\"6\">" +
          data_element(ground, "zlib") +
          "</layer><group name=\"g\" opacity=\"0.6\" offsetx=\"5\" offsety=\"3\"><layer name=\"upper\" width=\"8\" "
          "height=\"6\">" +
          data_element(upper, "csv") +
          "</layer></group><layer name=\"off\" visible=\"0\" width=\"8\" height=\"6\">" + data_element(hidden, "csv") +
          "</layer><imagelayer name=\"picture\" offsetx=\"40\" offsety=\"20\" opacity=\"0.5\"><image "
          "source=\"../shared/pictures/big.png\"/></imagelayer><objectgroup name=\"things\"><object id=\"1\" "
          "template=\"thing.tx\" x=\"16\" y=\"32\"/><object id=\"2\" gid=\"2147483650\" x=\"50\" y=\"70\" "
          "width=\"16\" height=\"16\"/><object id=\"3\" x=\"3\" y=\"3\" width=\"30\" height=\"9\"/></objectgroup></map>"));
  grows = true;
  const Difference d = import_and_compare(dir + "maps/features.tmx", 16, dir + "w", false);
  EXPECT_LE(d.largest, 1) << d.pixels << " pixels differ";
  std::string out;
  ASSERT_EQ(run("worldimport", "'" + dir + "maps/features.tmx' '" + dir + "w3'", &out), 0) << out;
  EXPECT_NE(out.find("1 shape and text objects are annotations"), std::string::npos) << out;
  // The template's tile lies on a cell at full opacity over everything else: a placed object, and
  // the world is the one of the same object written in full.
  EXPECT_TRUE(fs::exists(dir + "w3/gfx/objects/tile1.png")) << out;
  std::string inline_map = support::read_file(dir + "maps/features.tmx");
  inline_map.replace(inline_map.find("template=\"thing.tx\""), 19, "gid=\"3\" width=\"16\" height=\"16\"");
  ASSERT_TRUE(support::write_file(dir + "maps/inline.tmx", inline_map));
  ASSERT_EQ(run("worldimport", "-q '" + dir + "maps/inline.tmx' '" + dir + "w2'", &out), 0) << out;
  ASSERT_EQ(run("worldshot", "--cell 16 '" + dir + "w3' '" + dir + "a.png'", &out), 0) << out;
  ASSERT_EQ(run("worldshot", "--cell 16 '" + dir + "w2' '" + dir + "b.png'", &out), 0) << out;
  EXPECT_EQ(support::read_file(dir + "a.png"), support::read_file(dir + "b.png"));
}

// An infinite map: the chunks' bounding box is the world.
TEST_F(Worldimport, AnInfiniteMapBecomesTheBoxOfItsChunks) {
  if (!has_rasterizer()) GTEST_SKIP() << "Tiled's tmxrasterizer is not installed (scripts/setup installs tiled)";
  write_atlas(dir + "atlas.png", 8);
  std::vector<uint32_t> a(256, 0), b(256, 0);
  a[17] = 2, a[255] = 3, b[0] = 5, b[100] = 6;
  ASSERT_TRUE(support::write_file(
      dir + "inf.tmx", "<?xml version=\"1.0\"?><map version=\"1.8\" orientation=\"orthogonal\" width=\"4\" "
                       "height=\"4\" tilewidth=\"8\" tileheight=\"8\" infinite=\"1\"><tileset firstgid=\"1\" "
                       "tilewidth=\"8\" tileheight=\"8\" tilecount=\"8\" columns=\"4\"><image source=\"atlas.png\" "
                       "width=\"32\" height=\"16\"/></tileset><layer name=\"g\" width=\"4\" height=\"4\"><data "
                       "encoding=\"csv\"><chunk x=\"-16\" y=\"0\" width=\"16\" height=\"16\">" +
                           csv_text(a) +
                           "</chunk><chunk x=\"16\" y=\"16\" width=\"16\" height=\"16\">" +
                           csv_text(b) + "</chunk></data></layer></map>"));
  std::string out;
  ASSERT_EQ(run("worldimport", "'" + dir + "inf.tmx' '" + dir + "w'", &out), 0) << out;
  EXPECT_NE(out.find("48 x 32 cells of 8 pixels"), std::string::npos) << out;
  const Difference d = import_and_compare(dir + "inf.tmx", 8, dir + "w2");
  EXPECT_EQ(d.pixels, 0);
}

// Each cell's code in a world's colour-code map (entries column by column, three lines each), row by row.
std::vector<std::string> codes_of_map(const std::string& path) {
  std::vector<std::string> lines;
  std::string text = support::read_file(path), line;
  for (char c : text)
    if (c == '\n') lines.push_back(line), line.clear();
    else if (c != '\r') line += c;
  if (lines.size() < 5) return {};
  const size_t columns = size_t(std::atoi(lines[1].c_str())) + 1, rows = size_t(std::atoi(lines[2].c_str())) + 1;
  std::vector<std::string> codes(columns * rows);
  for (size_t i = 0; i < codes.size() && 5 + 3 * i + 2 < lines.size(); ++i) {
    char code[10];
    std::snprintf(code, sizeof code, "%03d%03d%03d", std::atoi(lines[5 + 3 * i].c_str()),
                  std::atoi(lines[6 + 3 * i].c_str()), std::atoi(lines[7 + 3 * i].c_str()));
    codes[(i % rows) * columns + i / rows] = code;
  }
  return codes;
}

// worldexport, then worldimport: a world loaded from a map comes back with its codes, definitions
// and pictures, the engine placing its objects again from the same seed. A map whose objects were
// moved in Tiled, and a labyrinth (whose builder placed its objects), come back as Tiled draws them,
// cells of one code with other objects under codes of their own.
TEST_F(Worldimport, ExportThenImportGivesBackTheWorldItsCodesAndPictures) {
  if (!fs::exists(built_tool("worldexport") + SUITE_EXE) || !fs::exists(built_tool("worldmake") + SUITE_EXE))
    GTEST_SKIP() << "tools not built";
  ASSERT_EQ(support::shell("'" + built_tool("worldmake") + "' '" + example("mapconvert/land.png") + "' '" + dir +
                           "made' --colours 6 --quiet"),
            0);
  std::string out, imported;
  auto round_trip = [&](const std::string& world, const std::string& back) {
    ASSERT_EQ(run("worldexport", "--cell 12 '" + world + "' '" + dir + "out.tmx'", &out), 0) << out;
    ASSERT_EQ(run("worldimport", "'" + dir + "out.tmx' '" + back + "'", &imported), 0) << imported;
    ASSERT_EQ(run("worldshot", "--cell 12 '" + world + "' '" + dir + "a.png'", &out), 0) << out;
    ASSERT_EQ(run("worldshot", "--cell 12 '" + back + "' '" + dir + "b.png'", &out), 0) << out;
  };
  auto largest_difference = [&] {
    svc::Picture a, b;
    if (!svc::decode_picture(dir + "a.png", a) || !svc::decode_picture(dir + "b.png", b) || a.width != b.width ||
        a.height != b.height)
      return 256;
    int largest = 0;
    for (size_t i = 0; i < a.rgba.size(); ++i) largest = std::max(largest, std::abs(a.rgba[i] - b.rgba[i]));
    return largest;
  };
  for (const auto& [world, map] : {std::pair<std::string, std::string>{example("world"), "island.qz61"},
                                   std::pair<std::string, std::string>{dir + "made", "land.qz61"}}) {
    const std::string back = dir + "back-" + map;
    round_trip(world, back);
    EXPECT_NE(imported.find("place its"), std::string::npos) << world << ": " << imported;
    EXPECT_EQ(largest_difference(), 0) << world;
    const std::vector<std::string> codes = codes_of_map(back + "/maps/out.qz61");
    EXPECT_FALSE(codes.empty());
    EXPECT_EQ(codes, codes_of_map(world + "/maps/" + map)) << world;
  }
  // The island's definitions are its own again: the forest grows trees and bushes, the rocks stones.
  EXPECT_EQ(support::read_file(dir + "back-island.qz61/codes/out/020100030"),
            "GFXNAME\r\n020100030.png\r\nCHILD1\r\ntree\r\nCHILD2\r\nbush\r\nUSECOLLISION\r\n0\r\n");
  EXPECT_NE(support::read_file(dir + "back-island.qz61/gfx/objects/stone.dll").find("DCOLLISION\r\n1\r\n"),
            std::string::npos);

  // One object moved in Tiled: the map is no longer the world's placement.
  ASSERT_EQ(run("worldexport", "--cell 12 '" + example("world") + "' '" + dir + "moved.tmx'", &out), 0) << out;
  std::string moved = support::read_file(dir + "moved.tmx");
  const size_t x = moved.find(" x=\"", moved.find("<object "));
  ASSERT_NE(x, std::string::npos);
  moved.insert(x + 4, "1");  // One hundred pixels further right
  ASSERT_TRUE(support::write_file(dir + "moved.tmx", moved));
  ASSERT_EQ(run("worldimport", "'" + dir + "moved.tmx' '" + dir + "moved'", &out), 0) << out;
  EXPECT_NE(out.find("not the world's own placement (its objects are not where"), std::string::npos) << out;
  if (has_rasterizer()) {
    const Difference d = import_and_compare(dir + "moved.tmx", 12, dir + "moved2");
    EXPECT_EQ(d.pixels, 0);
  }

  // The map saved again by Tiled itself (which sorts the properties by name) gives the world back too.
  if (has_rasterizer()) {
    ASSERT_EQ(run("worldexport", "--cell 12 '" + example("world") + "' '" + dir + "island.tmx'", &out), 0) << out;
    fs::create_directories(dir + "saved");
    ASSERT_EQ(support::shell("QT_QPA_PLATFORM=offscreen tiled --export-map '" + dir + "island.tmx' '" + dir +
                             "saved/island.tmx' >/dev/null 2>&1"),
              0);
    ASSERT_EQ(run("worldimport", "'" + dir + "saved/island.tmx' '" + dir + "saved-world'", &out), 0) << out;
    EXPECT_NE(out.find("place its 323 objects again"), std::string::npos) << out;
    EXPECT_EQ(codes_of_map(dir + "saved-world/maps/island.qz61"), codes_of_map(example("world") + "/maps/island.qz61"));
  }

  // The labyrinth: each code of the world that comes back stands for one of the labyrinth's tiles.
  round_trip(example("labyrinth"), dir + "lab");
  EXPECT_LE(largest_difference(), 1) << "the reeds' own opacity is part of their tile pictures";
  pugi::xml_document map, tiles;
  ASSERT_TRUE(map.load_file((dir + "out.tmx").c_str()) && tiles.load_file((dir + "out-codes.tsx").c_str()));
  std::vector<std::string> tile_codes;
  for (pugi::xml_node tile : tiles.child("tileset").children("tile"))
    tile_codes.push_back(tile.child("properties").find_child_by_attribute("property", "name", "code").attribute("value").value());
  const uint32_t first = map.child("map").find_child_by_attribute("tileset", "source", "out-codes.tsx").attribute("firstgid").as_uint();
  std::string csv = map.child("map").find_child_by_attribute("layer", "name", "codes").child("data").text().get();
  const std::vector<std::string> codes = codes_of_map(dir + "lab/maps/out.qz61");
  std::map<std::string, std::string> tile_of;
  size_t cell = 0;
  for (size_t at = 0; at < csv.size(); ++cell) {
    const size_t end = std::min(csv.find(',', at), csv.size());
    const uint32_t gid = uint32_t(std::strtoul(csv.c_str() + at, nullptr, 10));
    ASSERT_LT(cell, codes.size());
    ASSERT_GE(gid, first);
    ASSERT_LT(gid - first, tile_codes.size());
    const auto known = tile_of.emplace(codes[cell], tile_codes[gid - first]);
    EXPECT_EQ(known.first->second, tile_codes[gid - first]) << "cell " << cell;
    at = end + 1;
  }
  EXPECT_EQ(cell, codes.size());
}

// A world whose definitions use every placement rule: two definitions of one name (the later one
// drawing over the slot), one that never grows, one never shown, a gap in the slots, hot spots,
// centring and objects smaller than their cell. Export and import give back its codes and picture.
TEST_F(Worldimport, EveryPlacementRuleIsPlacedAgainAfterARoundTrip) {
  if (!fs::exists(built_tool("worldexport") + SUITE_EXE) || !fs::exists(built_tool("worldmake") + SUITE_EXE))
    GTEST_SKIP() << "tools not built";
  auto square = [](int edge, uint8_t r, uint8_t g, uint8_t b, bool ring) {
    svc::Picture p;
    p.width = p.height = edge;
    for (int y = 0; y < edge; ++y)
      for (int x = 0; x < edge; ++x) {
        const bool inside = !ring || x == 0 || y == 0 || x == edge - 1 || y == edge - 1;
        p.rgba.insert(p.rgba.end(), {uint8_t(r + x * 5), g, uint8_t(b + y * 7), uint8_t(inside ? 255 : 0)});
      }
    return p;
  };
  svc::Picture land;
  land.width = 10, land.height = 8;
  for (int i = 0; i < 80; ++i) {
    const int kind = (i * 7 / 3) % 3;
    land.rgba.insert(land.rgba.end(), {uint8_t(kind == 0 ? 200 : 0), uint8_t(kind == 1 ? 200 : 0), uint8_t(kind == 2 ? 200 : 0), 255});
  }
  ASSERT_TRUE(svc::write_png(dir + "land.png", land));
  const std::string w = dir + "w/";
  ASSERT_EQ(support::shell("'" + built_tool("worldmake") + "' '" + dir + "land.png' '" + w + "' --cell 16 --quiet"), 0);
  auto pairs = [](const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
  };
  ASSERT_TRUE(support::write_file(w + "codes/land/200000000",
                                  pairs({"GFXNAME", "200000000.png", "CHILD1", "tree", "CHILD2", "#", "CHILD3", "rock"})));
  ASSERT_TRUE(support::write_file(w + "codes/land/000200000", pairs({"GFXNAME", "000200000.png", "CHILD1", "flower",
                                                                     "USECOLLISION", "1"})));
  struct Object {
    const char* file;
    svc::Picture picture;
    std::vector<std::string> definition;
  };
  const std::vector<Object> objects = {
      {"tree", square(16, 20, 120, 30, true), {"DGFXNAME", "tree", "DDENSITY", "1", "DFITTOMATRIX", "1"}},
      {"tree_small", square(8, 90, 60, 10, false), {"DGFXNAME", "tree", "DDENSITY", "2", "DHOTSPOT", "BOTTOMRIGHT"}},
      {"rock", square(16, 100, 100, 100, false), {"DGFXNAME", "rock", "DDENSITY", "-1"}},
      {"flower", square(6, 230, 40, 90, false), {"DGFXNAME", "flower", "DDENSITY", "1", "DHOTSPOT", "CENTER", "DCENTERFIELD", "1"}},
      {"flowerz", square(6, 0, 0, 0, false), {"DGFXNAME", "flower", "DDENSITY", "3", "DGFXSHOW", "0"}},
  };
  for (const Object& o : objects) {
    ASSERT_TRUE(svc::write_png(w + "gfx/objects/" + o.file + ".png", o.picture));
    std::vector<std::string> definition = o.definition;
    definition.insert(definition.end(), {"DGFXTRANSPARENCY", "255"});
    if (std::find(definition.begin(), definition.end(), "DGFXSHOW") == definition.end())
      definition.insert(definition.end(), {"DGFXSHOW", "1"});
    ASSERT_TRUE(support::write_file(w + "gfx/objects/" + o.file + ".dll", pairs(definition)));
  }
  std::string out;
  ASSERT_EQ(run("worldexport", "'" + w + "' '" + dir + "out.tmx'", &out), 0) << out;
  ASSERT_EQ(run("worldimport", "'" + dir + "out.tmx' '" + dir + "back'", &out), 0) << out;
  EXPECT_NE(out.find("place its"), std::string::npos) << out;
  EXPECT_NE(out.find("at 16 pixels a cell"), std::string::npos) << "objects smaller than a cell keep the cell size: " << out;
  ASSERT_EQ(run("worldshot", "'" + w + "' '" + dir + "a.png'", &out), 0) << out;
  ASSERT_EQ(run("worldshot", "'" + dir + "back' '" + dir + "b.png'", &out), 0) << out;
  EXPECT_EQ(support::read_file(dir + "a.png"), support::read_file(dir + "b.png"));
  EXPECT_EQ(codes_of_map(dir + "back/maps/out.qz61"), codes_of_map(w + "maps/land.qz61"));
  EXPECT_EQ(support::read_file(dir + "back/codes/out/000200000"),
            pairs({"GFXNAME", "000200000.png", "CHILD1", "flower", "USECOLLISION", "1"}));
  // The hidden flowers come after the shown ones, as in the world.
  const std::vector<std::string> files = support::names_in(dir + "back/gfx/objects");
  EXPECT_EQ(files, (std::vector<std::string>{"flower.dll", "flower.png", "flower_0002.dll", "flower_0002.png", "rock.dll",
                                             "rock.png", "tree.dll", "tree.png", "tree_0002.dll", "tree_0002.png"}));
}

// An edited definition survives --force; a world is never made over another without it.
TEST_F(Worldimport, ForceKeepsEditedDefinitions) {
  write_atlas(dir + "atlas.png", 8);
  ASSERT_TRUE(support::write_file(
      dir + "m.tmx", "<map orientation=\"orthogonal\" width=\"2\" height=\"1\" tilewidth=\"8\" tileheight=\"8\">"
                     "<tileset firstgid=\"1\" tilewidth=\"8\" tileheight=\"8\" tilecount=\"8\" columns=\"4\"><image "
                     "source=\"atlas.png\" width=\"32\" height=\"16\"/></tileset><layer name=\"g\" width=\"2\" "
                     "height=\"1\"><data encoding=\"csv\">1,2</data></layer></map>"));
  std::string out;
  ASSERT_EQ(run("worldimport", "'" + dir + "m.tmx' '" + dir + "w'", &out), 0) << out;
  EXPECT_EQ(run("worldimport", "'" + dir + "m.tmx' '" + dir + "w'", &out), 1);
  EXPECT_NE(out.find("--force"), std::string::npos) << out;
  const std::vector<std::string> codes = support::names_in(dir + "w/codes/m");
  ASSERT_EQ(codes.size(), 2u);
  const std::string edited = "GFXNAME\r\n" + codes[0] + ".png\r\nCHILD1\r\n#\r\nUSECOLLISION\r\n1\r\n";
  ASSERT_TRUE(support::write_file(dir + "w/codes/m/" + codes[0], edited));
  ASSERT_EQ(run("worldimport", "--force '" + dir + "m.tmx' '" + dir + "w'", &out), 0) << out;
  EXPECT_EQ(support::read_file(dir + "w/codes/m/" + codes[0]), edited);
  EXPECT_NE(out.find("0 new, 2 kept"), std::string::npos) << out;
}

// A --force run that cannot write a file (here a file size limit stops the colour-code map, after
// every picture) leaves the world as it was; a new world that fails leaves no folder.
TEST_F(Worldimport, AnImportThatFailsHalfWayLeavesTheWorldAsItWas) {
  if (std::string(SUITE_EXE) != "") GTEST_SKIP() << "file size limits are a POSIX shell's";
  write_atlas(dir + "atlas.png", 8);
  auto map = [&](int width, int height) {
    std::vector<uint32_t> gids;
    for (int i = 0; i < width * height; ++i) gids.push_back(1 + uint32_t(i * 5 % 8));
    return "<map orientation=\"orthogonal\" width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\" tilewidth=\"8\" tileheight=\"8\"><tileset firstgid=\"1\" tilewidth=\"8\" "
           "tileheight=\"8\" tilecount=\"8\" columns=\"4\"><image source=\"atlas.png\" width=\"32\" height=\"16\"/>"
           "</tileset><layer name=\"g\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
           "\">" + data_element(gids, "csv") + "</layer></map>";
  };
  ASSERT_TRUE(support::write_file(dir + "small.tmx", map(2, 1)));
  ASSERT_TRUE(support::write_file(dir + "big.tmx", map(60, 60)));  // Its map files pass 40 KB, each picture < 1 KB
  std::string out;
  ASSERT_EQ(run("worldimport", "-q '" + dir + "small.tmx' '" + dir + "w'", &out), 0) << out;
  auto snapshot = [&](const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      files[entry.path().string()] = entry.is_regular_file() ? support::read_file(entry.path().string()) : "(folder)";
    return files;
  };
  const auto before = snapshot(dir + "w");
  const std::string limited = "ulimit -f 8 && '" + built_tool("worldimport") + "' ";
  int status = -1;
  out = support::shell_output("(" + limited + "--force '" + dir + "big.tmx' '" + dir + "w') 2>&1", &status);
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("small.qz61: cannot be written"), std::string::npos) << out;
  EXPECT_TRUE(snapshot(dir + "w") == before) << "the world changed";
  out = support::shell_output("(" + limited + "'" + dir + "big.tmx' '" + dir + "new') 2>&1", &status);
  EXPECT_EQ(status, 1) << out;
  EXPECT_FALSE(fs::exists(dir + "new"));
  // Without the limit the same run replaces the world whole, under its name.
  ASSERT_EQ(run("worldimport", "-q --force '" + dir + "big.tmx' '" + dir + "w'", &out), 0) << out;
  EXPECT_EQ(codes_of_map(dir + "w/maps/small.qz61").size(), 3600u);
  EXPECT_FALSE(fs::exists(dir + "w/.worldimport-new"));
}

// Each bad map gets one line naming the file and what to do, and no folder is made.
TEST_F(Worldimport, BadMapsAreRefusedWithAClearMessageAndLeaveNoWorld) {
  write_atlas(dir + "atlas.png", 8);
  ASSERT_TRUE(support::write_file(dir + "text.png", "not a picture at all"));
  const std::string tileset = "<tileset firstgid=\"1\" tilewidth=\"8\" tileheight=\"8\" tilecount=\"8\" "
                              "columns=\"4\"><image source=\"atlas.png\" width=\"32\" height=\"16\"/></tileset>";
  auto map = [&](const std::string& attributes, const std::string& inside) {
    return "<map orientation=\"orthogonal\" width=\"2\" height=\"2\" tilewidth=\"8\" tileheight=\"8\"" + attributes +
           ">" + inside + "</map>";
  };
  auto layer = [](const std::string& data) { return "<layer name=\"g\" width=\"2\" height=\"2\">" + data + "</layer>"; };
  const std::string big = little_endian(std::vector<uint32_t>(4 * 1000, 1));
  struct Case {
    const char* name;
    std::string text, says;
  };
  const std::vector<Case> cases = {
      {"malformed", "<map orientation=\"orthogonal\"><layer>", "malformed XML at byte"},
      {"short", map("", tileset + layer("<data encoding=\"csv\">1,2,3</data>")), "the data gives 3 tiles, the layer's size 4"},
      {"long", map("", tileset + layer("<data encoding=\"csv\">1,2,3,4,5</data>")), "more tiles than the layer's size"},
      {"gid", map("", tileset + layer("<data encoding=\"csv\">1,2,3,40</data>")), "tile number 40 lies past every tileset"},
      {"tileset", map("", "<tileset firstgid=\"1\" source=\"nowhere.tsx\"/>" + layer("<data encoding=\"csv\">1,1,1,1</data>")),
       "nowhere.tsx: the tileset the map names cannot be read"},
      {"picture", map("", "<tileset firstgid=\"1\" tilewidth=\"8\" tileheight=\"8\" tilecount=\"1\" columns=\"1\"><image "
                          "source=\"gone.png\" width=\"8\" height=\"8\"/></tileset>" + layer("<data encoding=\"csv\">1,1,1,1</data>")),
       "gone.png: the picture the map names is missing"},
      {"notpicture", map("", "<tileset firstgid=\"1\" tilewidth=\"8\" tileheight=\"8\" tilecount=\"1\" columns=\"1\"><image "
                             "source=\"text.png\" width=\"8\" height=\"8\"/></tileset>" + layer("<data encoding=\"csv\">1,1,1,1</data>")),
       "text.png: not a picture that can be decoded"},
      {"inflates", map("", tileset + layer("<data encoding=\"base64\" compression=\"zlib\">" + base64(deflated(big, 15)) + "</data>")),
       "inflates past the layer's stated size"},
      {"zstdlong", map("", tileset + layer("<data encoding=\"base64\" compression=\"zstd\">" + base64(zstd(big)) + "</data>")),
       "inflates past the layer's stated size"},
      {"square", "<map orientation=\"orthogonal\" width=\"2\" height=\"2\" tilewidth=\"8\" tileheight=\"6\"/>",
       "make the map's tiles square"},
      {"huge", "<map orientation=\"orthogonal\" width=\"513\" height=\"2\" tilewidth=\"8\" tileheight=\"8\"/>",
       "a world holds 1 to 512 x 512"},
      {"oblique", "<map orientation=\"oblique\" width=\"2\" height=\"2\" tilewidth=\"8\" tileheight=\"8\"/>",
       "is oblique; only orthogonal maps"},
  };
  for (const Case& c : cases) {
    const std::string path = dir + c.name + ".tmx";
    ASSERT_TRUE(support::write_file(path, c.text));
    std::string out;
    EXPECT_EQ(run("worldimport", "'" + path + "' '" + dir + "w'", &out), 1) << c.name;
    EXPECT_NE(out.find(c.says), std::string::npos) << c.name << ": " << out;
    EXPECT_NE(out.find(std::string(c.name) + ".tmx"), std::string::npos) << c.name << ": " << out;
    EXPECT_FALSE(fs::exists(dir + "w")) << c.name;
  }
}

}  // namespace
