// pictures_tiff_test.cpp -- TIFF pictures in every compression Debian's libtiff decodes (WebP, Zstandard,
// LZMA, JBIG, LERC) decode to the pixels of the same picture stored uncompressed, on Linux and on Windows
// alike; a damaged strip of any of them is refused with a reason.
//
// tests/data/tiff_codecs holds the pictures: rgba.tif (37 x 23, 8-bit RGBA with a varying alpha, from
// ImageMagick) and bilevel.tif (1-bit, JBIG takes nothing else), and their copies made by libtiff's
// tiffcp with -c zstd, -c lzma, -c webp:p100 (lossless), -c lerc and -c jbig.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "services/pictures.h"
#include "support/files.h"

namespace {

std::string codec_picture(const std::string& name) {
  return std::string(SUITE_SOURCE_DIR) + "/tests/data/tiff_codecs/" + name;
}

struct Codec {
  const char* file;
  const char* uncompressed;  // The same picture without compression
};

const Codec kCodecs[] = {
    {"webp.tif", "rgba.tif"}, {"zstd.tif", "rgba.tif"}, {"lzma.tif", "rgba.tif"},
    {"lerc.tif", "rgba.tif"}, {"jbig.tif", "bilevel.tif"},
};

class TiffCodecs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { svc::register_image_decoders(); }
};

TEST_F(TiffCodecs, EachCompressionDecodesToTheUncompressedPixels) {
  for (const Codec& codec : kCodecs) {
    SCOPED_TRACE(codec.file);
    svc::Picture plain, packed;
    ASSERT_TRUE(svc::decode_picture(codec_picture(codec.uncompressed), plain)) << svc::picture_error();
    ASSERT_EQ(plain.width, 37);
    ASSERT_EQ(plain.height, 23);
    ASSERT_TRUE(svc::decode_picture(codec_picture(codec.file), packed)) << svc::picture_error();
    EXPECT_EQ(packed.width, plain.width);
    EXPECT_EQ(packed.height, plain.height);
    EXPECT_TRUE(packed.rgba == plain.rgba) << "the decoded pixels differ from " << codec.uncompressed;
  }
  // The alpha really varies, so a codec that dropped or premultiplied it would show above.
  svc::Picture rgba;
  ASSERT_TRUE(svc::decode_picture(codec_picture("rgba.tif"), rgba));
  EXPECT_NE(rgba.rgba[3], rgba.rgba[rgba.rgba.size() - 1]);
}

// Each file keeps its one strip between the 8-byte header and the directory (whose offset the header
// holds): that strip overwritten with other bytes must fail the picture, not give a garbled one.
TEST_F(TiffCodecs, ADamagedStripIsRefusedWithAReason) {
  for (const Codec& codec : kCodecs) {
    SCOPED_TRACE(codec.file);
    std::string bytes = support::read_file(codec_picture(codec.file));
    ASSERT_GT(bytes.size(), 8u);
    const auto b = [&](int i) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])); };
    ASSERT_EQ(bytes.substr(0, 2), "II");
    const uint32_t directory = b(4) | b(5) << 8 | b(6) << 16 | b(7) << 24;
    ASSERT_GT(directory, 16u);
    ASSERT_LT(directory, bytes.size());
    for (uint32_t i = 8; i < directory; i++) bytes[i] = static_cast<char>(0xA5 ^ (i * 7));
    svc::Picture picture;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_FALSE(svc::decode_picture_memory(data, bytes.size(), picture));
    EXPECT_NE(svc::picture_error(), "");
  }
}

}  // namespace
