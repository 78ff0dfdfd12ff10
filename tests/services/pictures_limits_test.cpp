// pictures_limits_test.cpp -- pictures whose headers promise more than their data holds, and cut-off files,
// are refused with a reason before the picture's memory is taken
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "services/pictures.h"
#include "support/files.h"
#include "support/png_chunks.h"
#include "support/temp_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char* kMagick = "/usr/bin/convert";

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
