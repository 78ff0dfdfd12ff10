// pictures_png_writer_test.cpp -- PNG files written by the services read back the same, whole or not at all
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "services/pictures.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

// An odd-sized picture with every channel varying, so row and channel order faults show.
svc::Picture sample(int width, int height, bool with_alpha) {
  svc::Picture p;
  p.width = width;
  p.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p.rgba.insert(p.rgba.end(), {uint8_t(x * 7), uint8_t(y * 11), uint8_t(x * y), uint8_t(with_alpha ? x * 9 : 255)});
  return p;
}

class PngWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = support::make_temp_folder("png_writer_test_");
    ASSERT_FALSE(dir.empty());
    svc::register_image_decoders();
  }
  void TearDown() override { support::remove_folder(dir); }
  std::string dir;
};

TEST_F(PngWriter, OpaqueAndTranslucentPicturesReadBackExactly) {
  for (bool alpha : {false, true}) {
    const svc::Picture p = sample(29, 17, alpha);
    const std::string path = dir + (alpha ? "rgba.png" : "rgb.png");
    ASSERT_TRUE(svc::write_png(path, p));
    svc::Picture back;
    ASSERT_TRUE(svc::decode_picture(path, back));
    EXPECT_EQ(back.width, 29);
    EXPECT_EQ(back.height, 17);
    EXPECT_EQ(back.rgba, p.rgba);
    // An opaque picture is stored without an alpha channel (ImageMagick agrees on the type).
    EXPECT_EQ(support::shell_line("identify -format %[channels] " + path), alpha ? "srgba" : "srgb");
  }
}

TEST_F(PngWriter, ReplacesAFileWholeAndLeavesNothingBehindOnFailure) {
  const std::string path = dir + "out.png";
  support::write_file(path, std::string(100000, 'x'));
  ASSERT_TRUE(svc::write_png(path, sample(3, 2, false)));
  svc::Picture back;
  EXPECT_TRUE(svc::decode_picture(path, back));
  EXPECT_EQ(support::names_in(dir), (std::vector<std::string>{"out.png"}));

  // A missing folder, a wrong pixel count and an empty picture fail; the old file stays untouched.
  EXPECT_FALSE(svc::write_png(dir + "missing/out.png", sample(3, 2, false)));
  svc::Picture short_rows = sample(3, 2, false);
  short_rows.rgba.pop_back();
  EXPECT_FALSE(svc::write_png(path, short_rows));
  EXPECT_FALSE(svc::write_png(path, svc::Picture{}));
  EXPECT_TRUE(svc::decode_picture(path, back));
  EXPECT_EQ(back.width, 3);
  std::filesystem::create_directory(dir + "folder.png");
  EXPECT_FALSE(svc::write_png(dir + "folder.png", sample(3, 2, false)));
  EXPECT_EQ(support::names_in(dir), (std::vector<std::string>{"folder.png", "out.png"}));
}

}  // namespace
