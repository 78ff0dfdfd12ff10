// pictures_test.cpp -- decoded pictures equal ImageMagick's reading of the same files; damaged files never
// crash, and headers that promise more than their data holds are refused before the memory is taken
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "pictures_internal.h"
#include "services/pictures.h"
#include "support/files.h"
#include "support/png_chunks.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

const char* kMagick = "/usr/bin/convert";

std::vector<uint8_t> read_bytes(const std::string& path) {
  const std::string bytes = support::read_file(path);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

struct Sample {
  const char* name;     // File name in the temporary folder
  const char* options;  // ImageMagick options between the source and the output
  int tolerance;        // Largest allowed difference per channel
};

// A 37 x 23 picture with a colour gradient, a rotated second gradient and a varying alpha channel:
// odd sizes catch row padding faults, alpha catches channel order faults.
const char* kSource =
    "-size 37x23 gradient:red-blue \\( -size 23x37 gradient:yellow-black -rotate 90 \\) "
    "-compose Multiply -composite \\( -size 37x23 gradient:white-gray20 \\) -alpha off -compose CopyOpacity -composite";
const char* kOpaque =
    "-size 37x23 gradient:red-blue \\( -size 23x37 gradient:yellow-black -rotate 90 \\) "
    "-compose Multiply -composite";

const Sample kSamples[] = {
    {"rgb8.png", "-alpha off PNG24:", 0},
    {"rgba8.png", "PNG32:", 0},
    {"rgba16.png", "-depth 16 PNG64:", 1},  // 16 to 8 bits: libpng and ImageMagick may round apart by one
    {"palette.png", "-alpha off -colors 40 PNG8:", 0},
    {"grey.png", "-alpha off -colorspace Gray -type Grayscale PNG:", 0},
    {"greyalpha.png", "-colorspace Gray -type GrayscaleAlpha PNG:", 0},
    {"interlaced.png", "-interlace PNG PNG32:", 0},
    {"interlaced16.png", "-depth 16 -interlace PNG PNG64:", 1},
    {"grey_interlaced16.png", "-alpha off -colorspace Gray -type Grayscale -depth 16 -interlace PNG PNG:", 1},
    {"baseline.jpg", "-alpha off -quality 90 JPEG:", 0},
    {"progressive.jpg", "-alpha off -interlace JPEG JPEG:", 0},
    {"grey.jpg", "-alpha off -colorspace Gray JPEG:", 0},
    {"cmyk.jpg", "-alpha off -colorspace CMYK -quality 95 JPEG:", 1},  // Inverted CMYK as Adobe writes it
    {"rgb.tif", "-alpha off -compress LZW TIFF:", 0},
    {"rgb16.tif", "-alpha off -depth 16 TIFF:", 1},
    {"rgba.tif", "-compress None TIFF:", 0},
    {"palette.tif", "-alpha off -type Palette TIFF:", 0},
    {"strips.tif", "-alpha off -compress None -define tiff:rows-per-strip=4 TIFF:", 0},
    {"strips_zip.tif", "-alpha off -compress Zip -define tiff:rows-per-strip=5 TIFF:", 0},
    {"tiled.tif", "-alpha off -compress None -define tiff:tile-geometry=16x16 TIFF:", 0},
    {"tiled_rgba.tif", "-compress None -define tiff:tile-geometry=16x16 TIFF:", 0},
    {"tiled_lzw.tif", "-alpha off -compress LZW -define tiff:tile-geometry=16x16 TIFF:", 0},
    {"tiled_zip.tif", "-alpha off -compress Zip -define tiff:tile-geometry=16x16 TIFF:", 0},
    {"planar.tif", "-alpha off -interlace Plane -compress None TIFF:", 0},
    {"planar_lzw.tif", "-interlace Plane -compress LZW TIFF:", 0},
    {"planar_tiled.tif", "-alpha off -interlace Plane -compress Zip -define tiff:tile-geometry=16x16 TIFF:", 0},
    {"rgb24.bmp", "-alpha off -type TrueColor BMP3:", 0},
    {"rgba32.bmp", "-type TrueColorAlpha BMP:", 0},
    {"palette8.bmp", "-alpha off -colors 40 -type Palette BMP3:", 0},
    {"palette4.bmp", "-alpha off -colors 12 -type Palette -depth 4 BMP3:", 0},
    {"mono.bmp", "-alpha off -monochrome -type Bilevel BMP3:", 0},
    {"rle8.bmp", "-alpha off -colors 40 -type Palette -compress RLE BMP3:", 0},
};

class Pictures : public ::testing::Test {
 protected:
  static std::string dir;
  static bool have_magick;

  static void SetUpTestSuite() {
    svc::register_image_decoders();
    have_magick = access(kMagick, X_OK) == 0;
    dir = support::make_temp_folder("pictures_test_");
    if (!have_magick || dir.empty()) return;
    for (const Sample& s : kSamples) {
      bool opaque = std::string(s.options).find("-alpha off") != std::string::npos;
      bool deep = std::string(s.options).find("-depth 16") != std::string::npos;
      std::string cmd = std::string(kMagick) + " " + (opaque ? kOpaque : kSource) + (deep ? " " : " -depth 8 ") +
                        s.options + dir + s.name + " 2>/dev/null";
      if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not make %s\n", s.name);
    }
  }
  static void TearDownTestSuite() { support::remove_folder(dir); }
  void SetUp() override {
    if (!have_magick) GTEST_SKIP() << "ImageMagick is not installed";
  }
};
std::string Pictures::dir;
bool Pictures::have_magick = false;

TEST_F(Pictures, EveryFormatDecodesAsImageMagickReadsIt) {
  for (const Sample& s : kSamples) {
    SCOPED_TRACE(s.name);
    std::string path = dir + s.name;
    ASSERT_TRUE(std::filesystem::exists(path));
    std::string expected = support::shell_output(std::string(kMagick) + " " + path + " -depth 8 rgba:- 2>/dev/null");
    svc::Picture pic;
    ASSERT_EQ(svc::decode_picture(path, pic), 1);
    ASSERT_EQ(pic.width, 37);
    ASSERT_EQ(pic.height, 23);
    ASSERT_EQ(expected.size(), pic.rgba.size());
    int worst = 0;
    size_t worst_at = 0;
    for (size_t i = 0; i < pic.rgba.size(); i++) {
      int d = std::abs(int(pic.rgba[i]) - int(static_cast<uint8_t>(expected[i])));
      if (d > worst) worst = d, worst_at = i;
    }
    EXPECT_LE(worst, s.tolerance) << "pixel " << worst_at / 4 << " channel " << worst_at % 4;
  }
}

// Decoding into rows the caller owns (a screen wider and higher than the picture) gives the same pixels
// and leaves every byte beyond the picture's rows alone; a refusal or a too narrow row decodes nothing.
TEST_F(Pictures, DecodingIntoTheCallersRowsMatchesDecodingAlone) {
  for (const char* name :
       {"rgba8.png", "interlaced.png", "interlaced16.png", "baseline.jpg", "grey.jpg", "cmyk.jpg", "rgb24.bmp", "rgba.tif"}) {
    SCOPED_TRACE(name);
    svc::Picture pic;
    ASSERT_EQ(svc::decode_picture(dir + name, pic), 1);
    const size_t row = size_t(pic.width) * 4, stride = row + 5 * 4;
    std::vector<uint8_t> screen;
    int asked = 0;
    auto rows = [&](int width, int height, size_t& s) {
      asked++;
      EXPECT_EQ(width, pic.width);
      EXPECT_EQ(height, pic.height);
      screen.assign(stride * size_t(height + 1), 0xAB);
      s = stride;
      return screen.data();
    };
    ASSERT_EQ(svc::decode_picture_into(dir + name, rows), 1);
    EXPECT_EQ(asked, 1);
    for (int y = 0; y <= pic.height; y++) {
      const uint8_t* at = screen.data() + size_t(y) * stride;
      if (y < pic.height) {
        EXPECT_EQ(std::memcmp(at, pic.rgba.data() + size_t(y) * row, row), 0) << "row " << y;
      }
      const size_t from = y < pic.height ? row : 0;
      EXPECT_EQ(std::count(at + from, at + stride, 0xAB), long(stride - from)) << "beyond row " << y;
    }
    EXPECT_EQ(svc::decode_picture_into(dir + name, [](int, int, size_t&) -> uint8_t* { return nullptr; }), 0);
    EXPECT_EQ(svc::decode_picture_into(dir + name,
                                       [&](int, int, size_t& s) {
                                         s = row - 4;
                                         return screen.data();
                                       }),
              0);
  }
  EXPECT_EQ(svc::decode_picture_into(dir + "missing.png", [](int, int, size_t&) -> uint8_t* { return nullptr; }), 0);
}

TEST_F(Pictures, FormatIsFoundByContentNotByName) {
  std::filesystem::copy_file(dir + "rgba8.png", dir + "misnamed.bmp");
  std::filesystem::copy_file(dir + "baseline.jpg", dir + "misnamed.png");
  svc::Picture pic;
  EXPECT_EQ(svc::decode_picture(dir + "misnamed.bmp", pic), 1);
  EXPECT_EQ(pic.width, 37);
  EXPECT_EQ(svc::decode_picture(dir + "misnamed.png", pic), 1);
  EXPECT_EQ(pic.height, 23);
}

TEST_F(Pictures, DamagedFilesAreRefusedOrDecodedWithoutHarm) {
  std::mt19937 rng(1234);
  for (const Sample& s : kSamples) {
    SCOPED_TRACE(s.name);
    std::vector<uint8_t> good = read_bytes(dir + s.name);
    ASSERT_GT(good.size(), 16u);
    std::vector<std::vector<uint8_t>> damaged;
    damaged.emplace_back(good.begin(), good.begin() + good.size() / 2);  // First half only
    for (int round = 0; round < 20; round++) {                           // Random bytes over the middle
      std::vector<uint8_t> bad = good;
      size_t from = bad.size() / 4 + rng() % (bad.size() / 4);
      size_t len = 1 + rng() % (bad.size() / 3);
      for (size_t i = from; i < from + len && i < bad.size(); i++) bad[i] = static_cast<uint8_t>(rng());
      damaged.push_back(bad);
    }
    for (size_t h = 0; h < 16 && h < good.size(); h++) {  // Header bytes set to extremes
      std::vector<uint8_t> bad = good;
      bad[h + 2] = 0xFF;
      damaged.push_back(bad);
    }
    for (const auto& bytes : damaged) {
      svc::Picture pic;
      int ok = svc::decode_picture_memory(bytes.data(), bytes.size(), pic);
      if (ok) {
        EXPECT_GT(pic.width, 0);
        EXPECT_EQ(pic.rgba.size(), size_t(pic.width) * size_t(pic.height) * 4);
      } else {
        EXPECT_TRUE(pic.rgba.empty());
      }
    }
  }
}

// A progressive JPEG whose damage first draws a warning and then an error that ends the decode:
// libjpeg reports both as a warning, and the rows it never reached would be shown as they were.
// Both colour models (RGB, and CMYK, which goes through a buffer of its own) are refused instead.
TEST(PicturesJpeg, DecodeEndedByAnErrorAfterAWarningIsRefused) {
  svc::register_image_decoders();
  const std::string rgb_hex =
      "ffd8ffe000104a46494600010100000100010000ffdb0043000302020202020302220203030303040604040404040806"
      "06050609080a0a090809090a0c0f0c0a0b0e0b09090d110d0e0f101011100a0c12131210130f101010ffdb0043010303"
      "0304030408040408100b090b101010101010101010101010101010101010101010101010101010101010101010101010"
      "1010101010101010101010101010ffc20011080008000c03011100021101031101ffc400150001010000000000000000"
      "0000000000000607ffc400160101010100000000000000000000000000050306ffda000c030100021003100000041112"
      "15213141516181ffda00088dea6eeec6bcffd9";
  const std::string cmyk_hex =
      "ffd8ffe000104a46494600010100000100010000ffdb0043000302020202020302220203030303040604040404040806"
      "06050609080a0a090809090a0c0f0c0a0b0e0b09090d110d0e0f101011100a0c12131210130f101010ffdb0043010303"
      "0304030408040408100b090b101010101010101010101010101010101010101010101010101010101010101010101010"
      "1010101010101010101010101010ffc20014080008000c04011100021101031101041101ffc400150001010000000000"
      "0000000000000000000607ffc400160101010100000000000000000000000000050306ffda000c030100021003100000"
      "04111215213141516181ffda00088dea6eeec6bcffd9";
  for (const std::string& hex : {rgb_hex, cmyk_hex}) {
    std::vector<uint8_t> jpeg;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) jpeg.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    svc::Picture pic;
    EXPECT_EQ(svc::decode_picture_memory(jpeg.data(), jpeg.size(), pic), 0);
    EXPECT_NE(svc::picture_error().find("JPEG picture is damaged"), std::string::npos) << svc::picture_error();
    EXPECT_TRUE(pic.rgba.empty());
    // Straight into a caller's rows, the answer is the same.
    std::vector<uint8_t> rows;
    const svc::PictureRows into = [&rows](int width, int height, size_t& stride) {
      stride = size_t(width) * 4 + 8;
      rows.assign(stride * size_t(height), 0xA5);
      return rows.data();
    };
    EXPECT_FALSE(svc::detail::decode_jpeg(jpeg.data(), jpeg.size(), into));
  }
}

// A map carries the values a file stores: a gamma, chromaticity, ICC profile or sRGB chunk changes
// nothing, for 8-bit, palette and 16-bit files alike.
TEST_F(Pictures, ColourSpaceChunksLeaveStoredValuesAlone) {
  const std::string grey =
      std::string(kMagick) + " xc:'rgb(10,10,10)' xc:'rgb(50,50,50)' xc:'rgb(100,100,100)' +append ";
  const std::vector<uint8_t> gamma_one = support::png_chunk("gAMA", {0, 1, 0x86, 0xA0});  // 100000: gamma 1.0
  const std::vector<uint8_t> gamma_low = support::png_chunk("gAMA", {0, 0, 0x4E, 0x20});  // 0.2
  std::vector<uint8_t> chrm_odd(32, 0);
  for (int i = 0; i < 8; i++) chrm_odd[i * 4 + 2] = uint8_t(40 + 17 * i);  // Odd white point and primaries
  std::vector<uint8_t> with_chrm = support::png_chunk("cHRM", chrm_odd);
  std::vector<uint8_t> both = gamma_low;
  both.insert(both.end(), with_chrm.begin(), with_chrm.end());
  const std::vector<uint8_t> srgb = support::png_chunk("sRGB", {0});
  for (const char* options : {"-depth 8 PNG24:", "-depth 8 PNG8:", "-depth 16 -type Grayscale PNG:"}) {
    const std::string path = dir + "stored.png";
    ASSERT_EQ(std::system((grey + options + path + " 2>/dev/null").c_str()), 0);
    const std::vector<uint8_t> plain = support::png_rechunk(read_bytes(path), {"gAMA", "cHRM", "sRGB", "iCCP"}, {});
    for (const auto& chunks : {gamma_one, both, srgb}) {
      SCOPED_TRACE(std::string(options) + " chunk " + std::string(chunks.begin() + 4, chunks.begin() + 8));
      const std::vector<uint8_t> png = support::png_rechunk(plain, {}, chunks);
      svc::Picture pic;
      ASSERT_EQ(svc::decode_picture_memory(png.data(), png.size(), pic), 1) << svc::picture_error();
      ASSERT_EQ(pic.width, 3);
      EXPECT_EQ(pic.rgba, (std::vector<uint8_t>{10, 10, 10, 255, 50, 50, 50, 255, 100, 100, 100, 255}));
    }
  }
}

TEST(PicturesBitmap, SmallestBitmapDecodesToRgba) {
  const uint8_t bmp[] = {
      'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // File header
      40,  0,   0,  0, 1, 0, 0, 0, 1, 0, 0,  0, 1, 0, 24, 0, 0, 0,    0,    0,    4, 0, 0,
      0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0x10, 0x20, 0x30, 0};  // One blue-green-red pixel and padding
  svc::Picture pic;
  ASSERT_EQ(svc::decode_picture_memory(bmp, sizeof bmp, pic), 1);
  EXPECT_EQ(pic.rgba, (std::vector<uint8_t>{0x30, 0x20, 0x10, 255}));
}

// A bitmap header claiming a huge picture, or more rows than the data holds, is refused.
TEST(PicturesBitmap, HeaderSizesAreCheckedAgainstTheData) {
  std::vector<uint8_t> bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0,  0, 54, 0, 0, 0, 40,   0,    0,    0, 1, 0,
                              0,   0,   1,  0, 0, 0, 1, 0, 24, 0, 0,  0, 0, 0, 4,    0,    0,    0, 0, 0,
                              0,   0,   0,  0, 0, 0, 0, 0, 0,  0, 0,  0, 0, 0, 0x10, 0x20, 0x30, 0};
  svc::Picture pic;
  auto with = [&](size_t at, uint32_t v) {
    std::vector<uint8_t> b = bmp;
    for (int i = 0; i < 4; i++) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    return b;
  };
  auto huge = with(18, 0x7FFFFFFF);
  EXPECT_EQ(svc::decode_picture_memory(huge.data(), huge.size(), pic), 0);
  auto tall = with(22, 2);  // Two rows, data for one
  EXPECT_EQ(svc::decode_picture_memory(tall.data(), tall.size(), pic), 0);
  auto most_negative = with(22, 0x80000000u);
  EXPECT_EQ(svc::decode_picture_memory(most_negative.data(), most_negative.size(), pic), 0);
  auto offset_beyond = with(10, 0xFFFFFFF0u);
  EXPECT_EQ(svc::decode_picture_memory(offset_beyond.data(), offset_beyond.size(), pic), 0);
  auto header_beyond = with(14, 0xFFFFFFF0u);
  EXPECT_EQ(svc::decode_picture_memory(header_beyond.data(), header_beyond.size(), pic), 0);
  auto top_down = with(22, 0xFFFFFFFFu);  // Height -1: one row stored top to bottom
  ASSERT_EQ(svc::decode_picture_memory(top_down.data(), top_down.size(), pic), 1);
  EXPECT_EQ(pic.height, 1);
}

// A 4 x 2 run-length bitmap with 4-bit indexes: a run, an absolute run, and a pixel left unset.
std::vector<uint8_t> rle4_bitmap(const std::vector<uint8_t>& runs) {
  std::vector<uint8_t> b = {
      'B', 'M', 0, 0, 0, 0, 0, 0, 0,   0, 70, 0,   0, 0, 40,  0, 0, 0, 4,   0,   0,   0, 2, 0,
      0,   0,   1, 0, 4, 0, 2, 0, 0,   0, 0,  0,   0, 0, 0,   0, 0, 0, 0,   0,   0,   0, 4, 0,
      0,   0,   0, 0, 0, 0, 0, 0, 255, 0, 0,  255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};  // Red, green, blue, white
  for (uint8_t r : runs) b.push_back(r);  // (an insert of the range trips a false GCC 12 -O2 bounds warning)
  return b;
}

TEST(PicturesBitmap, RunLengthDataStaysInsideThePicture) {
  svc::Picture pic;
  auto bmp = rle4_bitmap({4, 0x12, 0, 0, 0, 3, 0x30, 0x10, 0, 0, 0, 1});
  ASSERT_EQ(svc::decode_picture_memory(bmp.data(), bmp.size(), pic), 1);
  const std::vector<uint8_t> expected = {
      255, 255, 255, 255, 255, 0, 0,   255, 0, 255, 0, 255, 0, 0, 0,   0,     // Top row: stored second
      0,   255, 0,   255, 0,   0, 255, 255, 0, 255, 0, 255, 0, 0, 255, 255};  // Bottom row: stored first
  EXPECT_EQ(pic.rgba, expected);
  // Deltas and runs that point past the edges write nothing outside; data that simply stops is truncated.
  for (auto runs :
       {std::vector<uint8_t>{0, 2, 255, 255, 4, 0x33, 0, 1}, std::vector<uint8_t>{200, 0x11, 0, 0, 200, 0x22, 0, 1}}) {
    auto b = rle4_bitmap(runs);
    EXPECT_EQ(svc::decode_picture_memory(b.data(), b.size(), pic), 1);
    EXPECT_EQ(pic.rgba.size(), 32u);
  }
  for (auto runs :
       {std::vector<uint8_t>{200, 0x11, 200, 0x22}, std::vector<uint8_t>{0, 200, 1, 2}, std::vector<uint8_t>{0, 2}}) {
    auto b = rle4_bitmap(runs);
    EXPECT_EQ(svc::decode_picture_memory(b.data(), b.size(), pic), 0);
    EXPECT_NE(svc::picture_error().find("truncated"), std::string::npos) << svc::picture_error();
  }
}

TEST(PicturesBitmap, BitFieldsWithEmptyMasksReadAsZero) {
  std::vector<uint8_t> b = {
      'B',  'M',  0,    0,   0, 0,  0, 0, 0, 0, 66, 0, 0,    0, 40, 0, 0, 0, 1, 0, 0, 0, 1,
      0,    0,    0,    1,   0, 32, 0, 3, 0, 0, 0,  0, 0,    0, 0,  0, 0, 0, 0, 0, 0, 0, 0,
      0,    0,    0,    0,   0, 0,  0, 0, 0, 0, 0,  0, 0xFF, 0, 0,  0, 0, 0, 0, 0,  // Red mask empty, green 0xFF, blue empty
      0x12, 0x34, 0x56, 0x78};
  svc::Picture pic;
  ASSERT_EQ(svc::decode_picture_memory(b.data(), b.size(), pic), 1);
  EXPECT_EQ(pic.rgba, (std::vector<uint8_t>{0, 0x12, 0, 255}));
}

TEST(PicturesTransparency, OnlyTheExactColourLosesItsAlpha) {
  svc::Picture pic;
  pic.width = 3;
  pic.height = 1;
  pic.rgba = {255, 0, 255, 255, 254, 0, 255, 255, 0, 0, 0, 255};
  svc::apply_transparent_colour(pic, 255 + 0 * 256 + 255 * 65536);  // Magenta
  EXPECT_EQ(pic.rgba[3], 0);
  EXPECT_EQ(pic.rgba[7], 255);
  EXPECT_EQ(pic.rgba[11], 255);
}

TEST(PicturesFiles, MissingOrEmptyFilesGiveZero) {
  svc::Picture pic;
  EXPECT_EQ(svc::decode_picture("/nonexistent/picture.png", pic), 0);
  EXPECT_EQ(svc::decode_picture("/tmp", pic), 0);
  EXPECT_EQ(svc::decode_picture_memory(nullptr, 0, pic), 0);
  const uint8_t junk[] = {'B', 'M', 1, 2};
  EXPECT_EQ(svc::decode_picture_memory(junk, sizeof junk, pic), 0);
}

// ---- PNG: the direct decoder against libpng
//
// Files are built here byte by byte (rows filtered by hand, zlib data in stored blocks), so every
// layout, filter and fault is exactly as meant; libpng's reading of the same bytes is the reference.

using Bytes = std::vector<uint8_t>;

// A zlib stream of stored blocks, with a window of 2^window_bits bytes named in its header.
Bytes zlib_stored(const Bytes& raw, int window_bits = 15) {
  const uint8_t cmf = static_cast<uint8_t>(((window_bits - 8) << 4) | 8);
  Bytes z = {cmf, static_cast<uint8_t>(31 - (cmf * 256) % 31)};
  size_t pos = 0;
  do {
    const size_t n = std::min<size_t>(raw.size() - pos, 65535);
    z.push_back(pos + n == raw.size() ? 1 : 0);
    for (const size_t v : {n, ~n}) z.push_back(uint8_t(v)), z.push_back(uint8_t(v >> 8));
    z.insert(z.end(), raw.begin() + long(pos), raw.begin() + long(pos + n));
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (const uint8_t v : raw) a = (a + v) % 65521, b = (b + a) % 65521;
  for (int shift = 24; shift >= 0; shift -= 8) z.push_back(uint8_t(((b << 16) | a) >> shift));
  return z;
}

// Rows of `row_bytes`, each preceded by its filter byte: row y gets filters[y % filters.size()].
Bytes filter_rows(const Bytes& rows, size_t row_bytes, size_t step, const Bytes& filters) {
  Bytes out;
  const Bytes zeros(row_bytes, 0);
  for (size_t y = 0; y * row_bytes < rows.size(); y++) {
    const uint8_t* row = rows.data() + y * row_bytes;
    const uint8_t* up = y ? row - row_bytes : zeros.data();
    const uint8_t filter = filters[y % filters.size()];
    out.push_back(filter);
    for (size_t i = 0; i < row_bytes; i++) {
      const int a = i >= step ? row[i - step] : 0, b = up[i], c = i >= step ? up[i - step] : 0;
      const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      const int paeth = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
      const int predicted[] = {0, a, b, (a + b) / 2, paeth, 0, 0, 0};
      out.push_back(uint8_t(row[i] - predicted[filter & 7]));
    }
  }
  return out;
}

struct PngFile {
  uint32_t width = 5, height = 4;
  uint8_t depth = 8, colour = 2;
  Bytes palette, alpha;  // PLTE and tRNS bodies, when not empty
  Bytes stream;          // The zlib data, cut into `pieces` IDAT chunks
  int pieces = 1;
  Bytes after_data;      // Whole chunks between the IDATs and IEND
  bool end = true;

  Bytes bytes() const {
    Bytes header(13, 0);
    for (int i = 0; i < 4; i++) header[i] = uint8_t(width >> (24 - 8 * i)), header[4 + i] = uint8_t(height >> (24 - 8 * i));
    header[8] = depth, header[9] = colour;
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto add = [&out](const Bytes& chunk) { out.insert(out.end(), chunk.begin(), chunk.end()); };
    add(support::png_chunk("IHDR", header));
    if (!palette.empty()) add(support::png_chunk("PLTE", palette));
    if (!alpha.empty()) add(support::png_chunk("tRNS", alpha));
    const size_t piece = stream.size() / size_t(pieces) + 1;
    for (size_t at = 0; at < stream.size(); at += piece)
      add(support::png_chunk("IDAT", Bytes(stream.begin() + long(at), stream.begin() + long(std::min(stream.size(), at + piece)))));
    add(after_data);
    if (end) add(support::png_chunk("IEND", {}));
    return out;
  }
};

// Random samples for a picture of the given layout, filtered with `filters` in turn. Samples of few
// values (`mask` 3) make the Paeth predictor's ties, where the order of its choices shows.
PngFile random_png(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour, std::mt19937& rng,
                   uint8_t mask = 0xFF, const Bytes& filters = {0, 1, 2, 3, 4}) {
  PngFile f;
  f.width = width, f.height = height, f.depth = depth, f.colour = colour;
  const size_t channels = colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 1;
  const size_t row_bytes = (width * channels * depth + 7) / 8;
  Bytes rows(row_bytes * height);
  for (auto& v : rows) v = uint8_t(rng() & mask);
  if (colour == 3) {  // Indexes within the palette, which has every entry the depth allows
    for (auto& v : rows) v &= depth == 8 ? 0x7F : 0xFF;
    f.palette.resize(3 * std::min(128u, 1u << depth));
    for (auto& v : f.palette) v = uint8_t(rng());
  }
  f.stream = zlib_stored(filter_rows(rows, row_bytes, std::max<size_t>(1, channels * depth / 8), filters));
  return f;
}

enum Outcome { kDecoded, kRefused, kDeclined };

struct Decoded {
  int ok = 0;
  svc::Picture picture;
  std::string error;
};

svc::PictureRows rows_of(svc::Picture& picture) {
  return [&picture](int width, int height, size_t& stride) {
    picture.width = width, picture.height = height;
    picture.rgba.assign(size_t(width) * size_t(height) * 4, 0x5A);
    stride = size_t(width) * 4;
    return picture.rgba.data();
  };
}

// Decodes `png` both ways; the direct decoder's outcome must be `expected`, and the whole decoder's
// answer (the direct decoder's or, where it declines, libpng's) must be libpng's own.
void expect_as_libpng(const Bytes& png, Outcome expected) {
  Decoded direct, whole, library;
  const svc::detail::PngDirect outcome = svc::detail::decode_png_direct(png.data(), png.size(), rows_of(direct.picture));
  EXPECT_EQ(int(outcome), int(expected));
  if (outcome == svc::detail::PngDirect::declined) {
    EXPECT_TRUE(direct.picture.rgba.empty()) << "the rows were asked for before declining";
  }
  whole.ok = svc::detail::decode_png(png.data(), png.size(), rows_of(whole.picture));
  whole.error = svc::picture_error();
  library.ok = svc::detail::decode_png_library(png.data(), png.size(), rows_of(library.picture));
  library.error = svc::picture_error();
  ASSERT_EQ(whole.ok, library.ok) << library.error;
  if (!whole.ok) {
    EXPECT_FALSE(whole.error.empty());
    return;
  }
  EXPECT_EQ(whole.picture.width, library.picture.width);
  EXPECT_EQ(whole.picture.rgba, library.picture.rgba);
}

TEST(PicturesPng, EveryLayoutAndFilterDecodesAsLibpngDecodes) {
  svc::register_image_decoders();
  std::mt19937 rng(99);
  const std::pair<uint8_t, uint8_t> layouts[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {2, 8}, {3, 1},
                                                 {3, 2}, {3, 4}, {3, 8}, {4, 8}, {6, 8}};
  for (const auto& [colour, depth] : layouts)
    for (const uint32_t width : {1u, 3u, 13u, 37u}) {
      SCOPED_TRACE("colour " + std::to_string(colour) + " depth " + std::to_string(depth) + " width " +
                   std::to_string(width));
      expect_as_libpng(random_png(width, 11, depth, colour, rng, 3).bytes(), kDecoded);
      // Runs of Paeth rows, which may be unfiltered two at a time
      expect_as_libpng(random_png(width, 11, depth, colour, rng, 3, {4, 4, 4, 2, 4}).bytes(), kDecoded);
      PngFile f = random_png(width, 11, depth, colour, rng);
      f.pieces = int(width % 3) + 1;  // One IDAT chunk or several
      expect_as_libpng(f.bytes(), kDecoded);
      if (colour == 3) {  // Part of the palette translucent
        f.alpha = {0, 128, 255, 7};
        f.alpha.resize(std::min<size_t>(f.alpha.size(), f.palette.size() / 3));
        expect_as_libpng(f.bytes(), kDecoded);
      }
    }
  PngFile one = random_png(1, 1, 8, 2, rng);
  expect_as_libpng(one.bytes(), kDecoded);
}

// A tRNS colour key makes exactly that grey or RGB colour transparent.
TEST(PicturesPng, ColourKeysMatchLibpng) {
  svc::register_image_decoders();
  PngFile rgb;
  rgb.width = 3, rgb.height = 1;
  rgb.stream = zlib_stored({0, 10, 20, 30, 10, 20, 31, 10, 20, 30});
  rgb.alpha = {0, 10, 0, 20, 0, 30};
  expect_as_libpng(rgb.bytes(), kDecoded);
  Decoded d;
  ASSERT_EQ(svc::detail::decode_png(rgb.bytes().data(), rgb.bytes().size(), rows_of(d.picture)), true);
  EXPECT_EQ(d.picture.rgba, (Bytes{10, 20, 30, 0, 10, 20, 31, 255, 10, 20, 30, 0}));
  PngFile grey;
  grey.width = 8, grey.height = 1, grey.colour = 0, grey.depth = 2;
  grey.stream = zlib_stored({0, 0x1B, 0x1B});  // Samples 0 1 2 3 0 1 2 3
  grey.alpha = {0, 2};
  expect_as_libpng(grey.bytes(), kDecoded);
  rgb.alpha = {1, 10, 0, 20, 0, 30};  // A sample no 8-bit pixel can hold: left to libpng
  expect_as_libpng(rgb.bytes(), kDeclined);
  grey.alpha = {0, 4};
  expect_as_libpng(grey.bytes(), kDeclined);
}

// Damaged and unusual files: the direct decoder leaves each to libpng (or refuses it for the same
// reason libpng would), so a file is refused, or decoded to the same pixels, exactly as libpng does.
TEST(PicturesPng, DamagedAndUnusualFilesGetLibpngsAnswer) {
  svc::register_image_decoders();
  std::mt19937 rng(5);
  const PngFile base = random_png(6, 20, 8, 2, rng);  // 380 bytes of rows, more than a 256-byte window
  const Bytes good = base.bytes();
  expect_as_libpng(good, kDecoded);
  const size_t ihdr_crc = 8 + 8 + 13, first_idat = ihdr_crc + 4;
  struct Case {
    const char* what;
    Bytes png;
    Outcome direct;
  };
  std::vector<Case> cases;
  auto flipped = [&good](size_t at) {
    Bytes b = good;
    b[at] ^= 0x40;
    return b;
  };
  auto changed = [&base](auto change) {
    PngFile f = base;
    change(f);
    return f.bytes();
  };
  const Bytes raw_rows = [&] {  // The base picture's filtered rows, for streams of the wrong length
    Bytes r(base.stream.begin() + 7, base.stream.end() - 4);
    return r;
  }();
  cases.push_back({"IHDR CRC", flipped(ihdr_crc), kDeclined});
  cases.push_back({"IDAT CRC", flipped(first_idat + 8 + base.stream.size() + 1), kDeclined});
  cases.push_back({"IDAT data under a good CRC", changed([](PngFile& f) { f.stream[9] ^= 1; }), kDeclined});
  cases.push_back({"cut inside IDAT", Bytes(good.begin(), good.begin() + long(first_idat + 20)), kDeclined});
  cases.push_back({"garbage zlib", changed([&rng](PngFile& f) { for (auto& v : f.stream) v = uint8_t(rng()); }), kDeclined});
  cases.push_back({"a row short", changed([&](PngFile& f) { f.stream = zlib_stored(Bytes(raw_rows.begin(), raw_rows.end() - 19)); }), kDeclined});
  cases.push_back({"a row too many", changed([&](PngFile& f) {
                     Bytes more = raw_rows;
                     more.insert(more.end(), 19, 0);
                     f.stream = zlib_stored(more);
                   }), kDeclined});
  cases.push_back({"unknown filter", changed([&](PngFile& f) {
                     Bytes bad = raw_rows;
                     bad[19 * 2] = 5;
                     f.stream = zlib_stored(bad);
                   }), kDeclined});
  cases.push_back({"small zlib window", changed([&](PngFile& f) { f.stream = zlib_stored(raw_rows, 8); }), kDeclined});
  cases.push_back({"no IEND", changed([](PngFile& f) { f.end = false; }), kDeclined});
  cases.push_back({"unknown critical chunk", changed([](PngFile& f) { f.after_data = support::png_chunk("QUUX", {1}); }), kDeclined});
  cases.push_back({"ancillary chunk after the data", changed([](PngFile& f) { f.after_data = support::png_chunk("tEXt", {'a', 0, 'b'}); }), kDecoded});
  cases.push_back({"tRNS beside alpha", changed([](PngFile& f) {
                     f.colour = 6;
                     f.alpha = {0, 1};
                   }), kDeclined});
  cases.push_back({"16 bits", changed([](PngFile& f) { f.depth = 16; }), kDeclined});
  cases.push_back({"declared larger than the data", support::png_resized(good, 6000, 5000), kRefused});
  PngFile palette = random_png(7, 3, 4, 3, rng);
  cases.push_back({"PLTE CRC", [&] {
                     Bytes b = palette.bytes();
                     b[first_idat + 8 + palette.palette.size()] ^= 1;
                     return b;
                   }(), kDeclined});
  palette.palette.resize(3 * 5);  // Indexes past the palette's five entries
  cases.push_back({"index past the palette", palette.bytes(), kDecoded});
  palette.palette.resize(3 * 17);  // More entries than 4 bits can index
  cases.push_back({"palette too long", palette.bytes(), kDeclined});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expect_as_libpng(c.png, c.direct);
  }
}

// ImageMagick's PNG files (with their gAMA, cHRM, bKGD, tIME and tEXt chunks) take the direct path.
TEST_F(Pictures, ImageMagickPngsAreDecodedDirectlyAsLibpngDecodesThem) {
  for (const char* name : {"rgb8.png", "rgba8.png", "palette.png", "grey.png", "greyalpha.png"}) {
    SCOPED_TRACE(name);
    const Bytes png = read_bytes(dir + name);
    expect_as_libpng(png, kDecoded);
  }
  const Bytes interlaced = read_bytes(dir + "interlaced.png");
  expect_as_libpng(interlaced, kDeclined);
}

// Pictures whose headers promise more than their data holds, and cut-off files, are refused with a
// reason before the picture's memory is taken.

// A photograph-like 64 x 48 picture in the given ImageMagick output format ("" when it cannot be made).
Bytes make_picture(const std::string& dir, const std::string& name, const std::string& options) {
  const std::string path = dir + name;
  const std::string cmd =
      std::string(kMagick) + " -seed 7 -size 64x48 plasma:fractal -depth 8 " + options + path + " 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return {};
  const std::string bytes = support::read_file(path);
  return Bytes(bytes.begin(), bytes.end());
}

void put_le(uint8_t* p, uint32_t v, int n) {
  for (int i = 0; i < n; i++) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t get_le(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; i--) v = (v << 8) | p[i];
  return v;
}

// The same file declaring another size: the header fields rewritten, checksums kept valid.
Bytes declaring(Bytes b, uint32_t width, uint32_t height) {
  if (b.size() > 33 && b[0] == 0x89) {  // PNG: IHDR and its CRC
    b = support::png_resized(b, width, height);
  } else if (b.size() > 4 && b[0] == 0xFF) {  // JPEG: the frame header
    for (size_t i = 2; i + 9 < b.size();) {
      const uint8_t m = b[i + 1];
      if (m >= 0xC0 && m <= 0xC2) {
        b[i + 5] = uint8_t(height >> 8), b[i + 6] = uint8_t(height);
        b[i + 7] = uint8_t(width >> 8), b[i + 8] = uint8_t(width);
        break;
      }
      i += 2 + ((b[i + 2] << 8) | b[i + 3]);
    }
  } else if (b.size() > 8 && b[0] == 'I') {  // Little-endian TIFF: ImageWidth and ImageLength
    const uint32_t ifd = get_le(&b[4], 4);
    const uint32_t count = get_le(&b[ifd], 2);
    for (uint32_t e = 0; e < count; e++) {
      uint8_t* entry = &b[ifd + 2 + 12 * e];
      const uint32_t tag = get_le(entry, 2), type = get_le(entry + 2, 2);
      if (tag == 256 || tag == 257) put_le(entry + 8, tag == 256 ? width : height, type == 3 ? 2 : 4);
    }
  } else if (b.size() > 26 && b[0] == 'B') {  // BMP: the info header
    put_le(&b[18], width, 4);
    put_le(&b[22], height, 4);
  }
  return b;
}

// Decodes in a child process whose address space may grow by at most `limit` bytes: 1 decoded,
// 0 refused, -1 when the child died (an allocation beyond the limit). Sanitizers reserve huge
// address ranges of their own, so there the decode runs in this process without a limit.
int decode_within(const Bytes& bytes, size_t limit) {
#if defined(__SANITIZE_ADDRESS__)
  (void)limit;
  svc::Picture picture;
  return svc::decode_picture_memory(bytes.data(), bytes.size(), picture);
#else
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t now = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
    const rlimit cap = {now + limit, now + limit};
    setrlimit(RLIMIT_AS, &cap);
    try {
      svc::Picture picture;
      _exit(svc::decode_picture_memory(bytes.data(), bytes.size(), picture) ? 1 : 0);
    } catch (...) {  // std::bad_alloc: the child must not go on running the tests
      _exit(3);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) < 2 ? WEXITSTATUS(status) : -1;
#endif
}

class PictureLimits : public ::testing::Test {
 protected:
  static std::string dir;
  static void SetUpTestSuite() {
    svc::register_image_decoders();
    dir = support::make_temp_folder("pictures_limits_");
  }
  static void TearDownTestSuite() { support::remove_folder(dir); }
  void SetUp() override {
    if (access(kMagick, X_OK) != 0) GTEST_SKIP() << "ImageMagick is not installed";
  }
};
std::string PictureLimits::dir;

struct Kind {
  const char* name;
  const char* options;
};
const Kind kKinds[] = {
    {"a.png", "PNG24:"},
    {"baseline.jpg", "-quality 85 JPEG:"},
    {"progressive.jpg", "-interlace JPEG JPEG:"},
    {"plain.tif", "-compress None TIFF:"},
    {"lzw.tif", "-compress LZW TIFF:"},
    {"zip_tiled.tif", "-compress Zip -define tiff:tile-geometry=16x16 TIFF:"},
    {"packbits.tif", "-compress RLE TIFF:"},
    {"a.bmp", "-type TrueColor BMP3:"},
    {"rle.bmp", "-colors 16 -type Palette -compress RLE BMP3:"},
};

// A small file claiming 16000 x 16000 pixels (1 GiB decoded) is refused for what it holds; one
// claiming 30000 x 30000 for the pixel limit. Neither takes the picture's memory first.
TEST_F(PictureLimits, LyingHeadersAreRefusedBeforeTheMemoryIsTaken) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    const Bytes good = make_picture(dir, k.name, k.options);
    ASSERT_FALSE(good.empty());
    svc::Picture pic;
    ASSERT_EQ(svc::decode_picture_memory(good.data(), good.size(), pic), 1) << svc::picture_error();

    const Bytes big = declaring(good, 16000, 16000);
    EXPECT_EQ(svc::decode_picture_memory(big.data(), big.size(), pic), 0);
    const std::string reason = svc::picture_error();
    EXPECT_NE(reason.find("16000 x 16000"), std::string::npos) << reason;
    EXPECT_EQ(decode_within(big, size_t{64} << 20), 0);

    const Bytes huge = declaring(good, 30000, 30000);
    EXPECT_EQ(svc::decode_picture_memory(huge.data(), huge.size(), pic), 0);
    EXPECT_NE(svc::picture_error().find("limit"), std::string::npos) << svc::picture_error();
    EXPECT_EQ(decode_within(huge, size_t{64} << 20), 0);
  }
}

// The first 3/5 of a little-endian TIFF's data, with its header and directory kept: the single
// strip is moved so that its second half lies beyond the end of the file.
Bytes tiff_strip_cut_short(Bytes b) {
  const uint32_t ifd = get_le(&b[4], 4), count = get_le(&b[ifd], 2);
  uint8_t* offset = nullptr;
  uint32_t bytes = 0;
  for (uint32_t e = 0; e < count; e++) {
    uint8_t* entry = &b[ifd + 2 + 12 * e];
    if (get_le(entry, 2) == 273 && get_le(entry + 4, 4) == 1) offset = entry + 8;
    if (get_le(entry, 2) == 279 && get_le(entry + 4, 4) == 1) bytes = get_le(entry + 8, 4);
  }
  if (!offset || !bytes) return {};
  put_le(offset, static_cast<uint32_t>(b.size() - bytes / 2), 4);
  return b;
}

// A file cut short is a failure, not a picture filled out with grey or black.
TEST_F(PictureLimits, TruncatedPicturesAreRefused) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    const Bytes good = make_picture(dir, k.name, k.options);
    ASSERT_FALSE(good.empty());
    const std::string name = k.name;
    std::vector<Bytes> cut = {Bytes(good.begin(), good.begin() + good.size() * 3 / 5)};
    if (name.find(".jpg") != std::string::npos) {  // Cut inside the scan, with the end marker put back
      cut.push_back(cut[0]);
      cut.back().push_back(0xFF);
      cut.back().push_back(0xD9);
    }
    if (name.find(".tif") != std::string::npos && !tiff_strip_cut_short(good).empty())
      cut.push_back(tiff_strip_cut_short(good));
    for (const Bytes& bytes : cut) {
      svc::Picture pic;
      EXPECT_EQ(svc::decode_picture_memory(bytes.data(), bytes.size(), pic), 0) << bytes.size() << " bytes";
      EXPECT_TRUE(pic.rgba.empty());
      EXPECT_FALSE(svc::picture_error().empty());
    }
  }
}

// A chunk header claiming 2 GB in a file of a few kilobytes: before the picture's data it is refused
// without taking that memory; after the data, where libpng stops reading, the picture still decodes.
TEST_F(PictureLimits, PngChunkRunningPastTheEndIsRefusedBeforeItsMemoryIsTaken) {
  const Bytes good = make_picture(dir, "chunks.png", "PNG24:");
  ASSERT_GT(good.size(), 33u);
  const Bytes claim = {0x77, 0x35, 0x94, 0x00, 't', 'E', 'X', 't', 'a', 'b'};
  Bytes before(good.begin(), good.begin() + 33);  // Signature and IHDR
  before.insert(before.end(), claim.begin(), claim.end());
  Bytes after(good.begin(), good.end() - 12);  // Without IEND
  after.insert(after.end(), claim.begin(), claim.end());
  svc::Picture pic;
  EXPECT_EQ(svc::decode_picture_memory(before.data(), before.size(), pic), 0);
  EXPECT_NE(svc::picture_error().find("truncated"), std::string::npos) << svc::picture_error();
  EXPECT_EQ(decode_within(before, size_t{64} << 20), 0);
  EXPECT_EQ(decode_within(after, size_t{64} << 20), 1);
}

TEST_F(PictureLimits, ReasonsNameFolderDeviceAndUnknownContent) {
  svc::Picture pic;
  EXPECT_EQ(svc::decode_picture(dir, pic), 0);
  EXPECT_NE(svc::picture_error().find("folder"), std::string::npos) << svc::picture_error();
  EXPECT_EQ(svc::decode_picture("/dev/zero", pic), 0);  // Would never end
  EXPECT_NE(svc::picture_error().find("not a regular file"), std::string::npos) << svc::picture_error();
  support::write_file(dir + "text.png", "just some words");
  EXPECT_EQ(svc::decode_picture(dir + "text.png", pic), 0);
  EXPECT_NE(svc::picture_error().find("not a PNG, JPEG, TIFF or BMP"), std::string::npos) << svc::picture_error();
  const Bytes good = make_picture(dir, "fine.png", "PNG24:");
  ASSERT_EQ(svc::decode_picture_memory(good.data(), good.size(), pic), 1);
  EXPECT_EQ(svc::picture_error(), "");
}

}  // namespace
