// pictures_jpeg.cpp -- JPEG through TurboJPEG: baseline, progressive, grey, and CMYK converted to RGB
//
// Before the picture's memory is taken, a walk over the markers measures the entropy-coded data:
// Huffman coding spends at least one bit per 8 x 8 block on its DC value and one on the end of its
// AC values (progressive files at least the DC bit), so data shorter than that for the declared
// size is refused. Arithmetic coding has no such least size and is held by the pixel limit alone.
// A file that ends before its end marker, or whose data runs out inside a scan (libjpeg would fill
// the rest with grey), is refused as truncated; other damage is decoded past libjpeg's warnings, and
// refused when the decode stops before every pixel is written.
#include <turbojpeg.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pictures_internal.h"

namespace svc::detail {
namespace {

enum Coding { HUFFMAN, PROGRESSIVE_HUFFMAN, ARITHMETIC, OTHER_CODING };

struct Layout {
  bool has_frame = false;
  Coding coding = OTHER_CODING;
  uint64_t blocks = 0;      // 8 x 8 blocks of all components, without the padding of interleaved scans
  uint64_t scan_bytes = 0;  // Bytes of entropy-coded data in all scans
  bool has_end = false;     // The end-of-image marker was found
};

uint64_t ceil_div(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

void read_frame(uint8_t marker, const uint8_t* seg, size_t length, Layout& j) {
  if (length < 6) return;
  const uint64_t height = (seg[1] << 8) | seg[2], width = (seg[3] << 8) | seg[4];
  const size_t count = seg[5];
  if (length < 6 + 3 * count) return;
  int hmax = 1, vmax = 1;
  for (size_t c = 0; c < count; c++) {
    hmax = std::max(hmax, seg[6 + 3 * c + 1] >> 4);
    vmax = std::max(vmax, seg[6 + 3 * c + 1] & 15);
  }
  for (size_t c = 0; c < count; c++) {
    const int h = seg[6 + 3 * c + 1] >> 4, v = seg[6 + 3 * c + 1] & 15;
    j.blocks += ceil_div(ceil_div(width * h, hmax), 8) * ceil_div(ceil_div(height * v, vmax), 8);
  }
  j.has_frame = true;
  j.coding = marker == 0xC0 || marker == 0xC1 ? HUFFMAN
             : marker == 0xC2                 ? PROGRESSIVE_HUFFMAN
             : marker >= 0xC9                 ? ARITHMETIC
                                              : OTHER_CODING;
}

// Walks the markers from the start-of-image marker to the end-of-image marker.
Layout walk_markers(const uint8_t* d, size_t size) {
  Layout j;
  size_t pos = 2;
  while (pos < size) {
    if (d[pos] != 0xFF) {  // Stray bytes between segments (libjpeg skips them too)
      pos++;
      continue;
    }
    while (pos < size && d[pos] == 0xFF) pos++;  // Fill bytes before a marker
    if (pos >= size) break;
    const uint8_t marker = d[pos++];
    if (marker == 0xD9) {
      j.has_end = true;
      break;
    }
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // No length
    if (pos + 2 > size) break;
    const size_t length = (d[pos] << 8) | d[pos + 1];
    if (length < 2 || length > size - pos) break;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame && !j.has_frame) read_frame(marker, d + pos + 2, length - 2, j);
    pos += length;
    if (marker == 0xDA) {  // Entropy-coded data runs to the next marker other than a restart
      const size_t start = pos;
      while (pos + 1 < size && !(d[pos] == 0xFF && d[pos + 1] != 0 && (d[pos + 1] < 0xD0 || d[pos + 1] > 0xD7))) pos++;
      if (pos + 1 >= size) pos = size;
      j.scan_bytes += pos - start;
    }
  }
  return j;
}

bool truncation_warning(tjhandle tj) {
  const std::string message = tjGetErrorStr2(tj);
  return message.find("remature end") != std::string::npos;  // "Premature end of JPEG file" or "... data segment"
}

// The second pass over damaged data, which goes on past warnings. TurboJPEG reports an error that
// ends the decode after a warning as a warning too, and the rows the decode did not reach are then
// never written; so the pass tells whether every byte was written. Into RGBA: every alpha byte is 255
// once written, so they start at 0. Into CMYK (no alpha): the pass runs twice, into buffers filled
// with 0 and 255 (the caller's rows, as large as the CMYK buffer, are the second), and a byte on
// which the two differ was never written.
bool decode_past_warnings(tjhandle tj, const uint8_t* data, unsigned long length, uint8_t* target, int width,
                          int pitch, int height, bool cmyk, uint8_t* rows, size_t stride) {
  const size_t w = static_cast<size_t>(width), row_bytes = w * 4;
  const int format = cmyk ? TJPF_CMYK : TJPF_RGBA;
  if (!cmyk) {
    for (int y = 0; y < height; y++)
      for (size_t x = 0; x < w; x++) target[static_cast<size_t>(y) * static_cast<size_t>(pitch) + x * 4 + 3] = 0;
    tjDecompress2(tj, data, length, target, width, pitch, height, format, 0);
    for (int y = 0; y < height; y++)
      for (size_t x = 0; x < w; x++)
        if (target[static_cast<size_t>(y) * static_cast<size_t>(pitch) + x * 4 + 3] != 255) return false;
    return true;
  }
  std::fill(target, target + row_bytes * static_cast<size_t>(height), uint8_t{0});
  tjDecompress2(tj, data, length, target, width, pitch, height, format, 0);
  for (int y = 0; y < height; y++) std::fill(rows + y * stride, rows + y * stride + row_bytes, uint8_t{255});
  tjDecompress2(tj, data, length, rows, width, static_cast<int>(stride), height, format, 0);
  for (int y = 0; y < height; y++)
    if (!std::equal(target + y * row_bytes, target + (y + 1) * row_bytes, rows + y * stride)) return false;
  return true;
}

}  // namespace

bool decode_jpeg(const uint8_t* data, size_t size, const PictureRows& rows) {
  if (size > 0xFFFFFFFFul) return refuse("is larger than 4 GiB");
  tjhandle tj = tjInitDecompress();
  if (!tj) return refuse("cannot be decoded (the JPEG decoder could not start)");
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  unsigned long length = static_cast<unsigned long>(size);
  if (tjDecompressHeader3(tj, data, length, &width, &height, &subsampling, &colourspace) != 0) {
    const std::string message = tjGetErrorStr2(tj);
    tjDestroy(tj);
    return refuse_library(message);
  }
  bool ok = check_picture_size(width, height);
  const Layout layout = ok ? walk_markers(data, size) : Layout();
  if (ok && !layout.has_frame) ok = refuse("has no frame header");
  if (ok && (layout.coding == HUFFMAN || layout.coding == PROGRESSIVE_HUFFMAN))
    ok = check_data_covers(layout.scan_bytes, 8, layout.blocks * (layout.coding == HUFFMAN ? 2 : 1), width, height);
  if (ok && !layout.has_end) ok = refuse("ends before its end marker (truncated)");
  size_t stride = 0;
  uint8_t* first = ok ? rows(width, height, stride) : nullptr;
  if (ok && (!first || stride < static_cast<size_t>(width) * 4 || stride > 0x7FFFFFFF))
    ok = refuse("has no room to be decoded into");
  if (ok) {
    const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    std::vector<uint8_t> cmyk_pixels;
    uint8_t* target = first;
    int pitch = static_cast<int>(stride);
    if (cmyk) {
      cmyk_pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
      target = cmyk_pixels.data();
      pitch = width * 4;
    }
    const int format = cmyk ? TJPF_CMYK : TJPF_RGBA;
    // The first pass stops at the first warning: running out of data is a failure; other damage is
    // decoded again without stopping, as far as libjpeg gets.
    int rc = tjDecompress2(tj, data, length, target, width, pitch, height, format, TJFLAG_STOPONWARNING);
    if (rc != 0 && tjGetErrorCode(tj) == TJERR_WARNING) {
      if (truncation_warning(tj))
        ok = refuse("has data that ends inside the picture (truncated)");
      else if (!decode_past_warnings(tj, data, length, target, width, pitch, height, cmyk, first, stride))
        ok = refuse("is damaged: its data stops before the picture is complete (" +
                    std::string(tjGetErrorStr2(tj)) + ")");
      else
        rc = 0;
    }
    if (ok && rc != 0 && tjGetErrorCode(tj) != TJERR_WARNING) ok = refuse_library(tjGetErrorStr2(tj));
    if (ok && cmyk) {
      // Adobe writes CMYK JPEGs inverted: the stored values are 255 - ink, so RGB = value * K / 255.
      for (int y = 0; y < height; y++) {
        const uint8_t* in = cmyk_pixels.data() + static_cast<size_t>(y) * width * 4;
        uint8_t* out = first + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; x++, in += 4, out += 4) {
          unsigned k = in[3];
          out[0] = static_cast<uint8_t>((in[0] * k + 127) / 255);
          out[1] = static_cast<uint8_t>((in[1] * k + 127) / 255);
          out[2] = static_cast<uint8_t>((in[2] * k + 127) / 255);
          out[3] = 255;
        }
      }
    }
  }
  tjDestroy(tj);
  return ok;
}

}  // namespace svc::detail
