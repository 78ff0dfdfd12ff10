// pictures_tiff.cpp -- TIFF through libtiff's RGBA reader, on a file held in memory
//
// The bytes are handed to libtiff as a mapped file, which it reads strips and tiles from directly
// (without a map procedure it refuses uncompressed tiles). Before the picture's memory is taken,
// the strip or tile byte counts that lie inside the file must be able to hold the declared size at
// the best ratio of the file's compression. A strip that cannot be read fails the picture.
//
// libtiff's RGBA reader premultiplies unassociated alpha. Our pictures keep straight alpha, so an
// unassociated alpha sample is declared associated before reading (libtiff then passes the values
// through unchanged), and truly premultiplied pictures are divided back afterwards.
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "pictures_internal.h"

namespace svc::detail {
namespace {

struct MemoryFile {
  const uint8_t* data;
  toff_t size;
  toff_t pos;
};

tmsize_t mem_read(thandle_t h, void* buf, tmsize_t n) {
  auto* m = static_cast<MemoryFile*>(h);
  if (n <= 0 || m->pos >= m->size) return 0;
  toff_t left = m->size - m->pos;
  toff_t take = static_cast<toff_t>(n) < left ? static_cast<toff_t>(n) : left;
  std::memcpy(buf, m->data + m->pos, static_cast<size_t>(take));
  m->pos += take;
  return static_cast<tmsize_t>(take);
}

tmsize_t mem_write(thandle_t, void*, tmsize_t) { return 0; }

toff_t mem_seek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<MemoryFile*>(h);
  toff_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->size : 0;
  m->pos = base + off;  // Beyond the end is allowed; reads there return nothing
  return m->pos;
}

int mem_close(thandle_t) { return 0; }

toff_t mem_size(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }

int mem_map(thandle_t h, void** base, toff_t* size) {
  auto* m = static_cast<MemoryFile*>(h);
  *base = const_cast<uint8_t*>(m->data);  // Opened read-only: libtiff never writes through the map
  *size = m->size;
  return 1;
}

void mem_unmap(thandle_t, void*, toff_t) {}

std::string g_tiff_error;  // libtiff's last error message, the reason for a refusal

void keep_tiff_error(const char*, const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  g_tiff_error = text;
}

// The most raw bytes one stored byte can become under the compression: 1 uncompressed, 64 for
// PackBits (a run of 128 in 2 bytes), 4096 for LZW (a code of at least 9 bits stands for at most
// 4096 bytes), 1032 for Deflate, 1024 for JPEG (2 bits per 8 x 8 block at 4:2:0); bi-level codes
// spend at least a bit per row. Other codes (LZMA, Zstandard, ...) are given a generous 65536.
uint64_t most_raw_per_byte(uint16_t compression, uint64_t row_bytes) {
  switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;
    case COMPRESSION_LZW: return 4096;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return 1032;
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG: return 1024;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
    case COMPRESSION_JBIG: return row_bytes * 8 > 1 ? row_bytes * 8 : 1;
    default: return 65536;
  }
}

// The strips or tiles must be able to hold the declared picture: their byte counts, cut to what
// lies inside the file, at the compression's best ratio. Every strip or tile is listed by an offset
// and a byte count of at least 2 bytes each, so a count of them beyond what the file can list is a
// false header too.
bool data_covers_picture(TIFF* tif, uint64_t file_size, uint32_t width, uint32_t height) {
  const uint64_t striles = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  if (striles == 0 || striles > file_size / 4 + 1)
    return refuse("declares " + std::to_string(width) + " x " + std::to_string(height) + " pixels in " +
                  std::to_string(striles) + " strips or tiles, more than the file can list");
  uint64_t held = 0;
  for (uint32_t i = 0; i < striles; i++) {
    const uint64_t offset = TIFFGetStrileOffset(tif, i), count = TIFFGetStrileByteCount(tif, i);
    if (offset < file_size) held += count < file_size - offset ? count : file_size - offset;
  }
  uint16_t planar = PLANARCONFIG_CONTIG, samples = 1, compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  const uint64_t planes = planar == PLANARCONFIG_SEPARATE ? samples : 1;
  // Raw bytes of the whole picture: one plane's rows (YCbCr subsampling included), times the planes.
  const uint64_t plane_bytes = TIFFVStripSize64(tif, height);
  const uint64_t needed = plane_bytes * planes;
  if (needed == 0) return refuse("declares a sample layout that cannot be read");
  return check_data_covers(held, most_raw_per_byte(compression, plane_bytes / height), needed, width, height);
}

}  // namespace

void quiet_tiff_messages() {
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(keep_tiff_error);
}

bool decode_tiff(const uint8_t* data, size_t size, Picture& out) {
  MemoryFile mem{data, static_cast<toff_t>(size), 0};
  g_tiff_error = "the header cannot be read";
  // "O": strip and tile positions are read when asked for, so a header listing millions of them
  // costs nothing before it is refused.
  TIFF* tif =
      TIFFClientOpen("picture", "rO", &mem, mem_read, mem_write, mem_seek, mem_close, mem_size, mem_map, mem_unmap);
  if (!tif) return refuse_library(g_tiff_error);
  uint32_t width = 0, height = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  char message[1024];
  bool ok = check_picture_size(width, height) && data_covers_picture(tif, size, width, height);
  if (ok && !TIFFRGBAImageOK(tif, message)) ok = refuse_library(message);
  if (!ok) {
    TIFFClose(tif);
    return false;
  }

  bool premultiplied = false;
  uint16_t extra_count = 0;
  uint16_t* extra_types = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra_types) && extra_count > 0) {
    if (extra_types[0] == EXTRASAMPLE_UNASSALPHA) {
      uint16_t as_associated[1] = {EXTRASAMPLE_ASSOCALPHA};
      TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, as_associated);
    } else if (extra_types[0] == EXTRASAMPLE_ASSOCALPHA) {
      premultiplied = true;
    }
  }

  std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
  g_tiff_error = "the strips or tiles cannot be read";
  const int read = TIFFReadRGBAImageOriented(tif, width, height, raster.data(), ORIENTATION_TOPLEFT, 1);
  TIFFClose(tif);
  if (!read) return refuse_library(g_tiff_error);

  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.rgba.resize(raster.size() * 4);
  for (size_t i = 0; i < raster.size(); i++) {
    uint32_t px = raster[i];
    uint8_t* p = &out.rgba[i * 4];
    p[0] = static_cast<uint8_t>(TIFFGetR(px));
    p[1] = static_cast<uint8_t>(TIFFGetG(px));
    p[2] = static_cast<uint8_t>(TIFFGetB(px));
    p[3] = static_cast<uint8_t>(TIFFGetA(px));
    if (premultiplied && p[3] != 0 && p[3] != 255) {
      for (int c = 0; c < 3; c++) {
        unsigned v = (p[c] * 255u + p[3] / 2u) / p[3];
        p[c] = static_cast<uint8_t>(v > 255 ? 255 : v);
      }
    }
  }
  return true;
}

}  // namespace svc::detail
