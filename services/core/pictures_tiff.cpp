// pictures_tiff.cpp -- TIFF through libtiff's RGBA reader, on a file held in memory
//
// libtiff's RGBA reader premultiplies unassociated alpha. Our pictures keep straight alpha, so an
// unassociated alpha sample is declared associated before reading (libtiff then passes the values
// through unchanged), and truly premultiplied pictures are divided back afterwards.
#include <tiffio.h>

#include <cstring>

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

int mem_map(thandle_t, void**, toff_t*) { return 0; }

void mem_unmap(thandle_t, void*, toff_t) {}

}  // namespace

void quiet_tiff_messages() {
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(nullptr);
}

bool decode_tiff(const uint8_t* data, size_t size, Picture& out) {
  MemoryFile mem{data, static_cast<toff_t>(size), 0};
  TIFF* tif =
      TIFFClientOpen("picture", "rm", &mem, mem_read, mem_write, mem_seek, mem_close, mem_size, mem_map, mem_unmap);
  if (!tif) return false;
  uint32_t width = 0, height = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  char message[1024];
  if (!picture_size_ok(width, height) || !TIFFRGBAImageOK(tif, message)) {
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
  int ok = TIFFReadRGBAImageOriented(tif, width, height, raster.data(), ORIENTATION_TOPLEFT, 0);
  TIFFClose(tif);
  if (!ok) return false;

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
