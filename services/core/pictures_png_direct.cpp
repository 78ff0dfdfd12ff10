// pictures_png_direct.cpp -- the direct PNG decoder for the common files
//
// Not interlaced; 8-bit grey, grey + alpha, RGB, RGBA; palettes and grey of 1 to 8 bits; tRNS: the
// IDAT data inflated by libdeflate into one buffer, the rows unfiltered and expanded straight into the
// caller's rows. It takes a file only when it is sure libpng would decode it, and to the same pixels:
// it checks every chunk's CRC, the chunk order and sizes libpng insists on, and that the zlib stream
// gives exactly the bytes of the rows; it declines any other file. It never converts colour.
#include <libdeflate.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "pictures_internal.h"
#include "pictures_png_parts.h"
#include "surface.h"

namespace svc::detail {
namespace {

constexpr uint32_t kLibpngMostSide = 1000000;   // libpng refuses a wider or higher picture
constexpr uint32_t kLibpngMostChunk = 8000000;  // nor reads a larger chunk (IDAT aside)
constexpr size_t kReadPast = 3;                 // Bytes the filters may read past a row's end
constexpr uint8_t kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6;

// What the direct decoder learnt from the chunks of a file it takes.
struct Layout {
  uint32_t width = 0, height = 0;
  uint8_t depth = 0, colour = 0;
  size_t row_bytes = 0;  // Without the filter byte
  size_t step = 1;       // Bytes from one pixel to the same sample of the one before, for the filters
  // Grey and palette samples as RGBA (entries a palette lacks are opaque black, as libpng gives them).
  uint8_t table[256][4] = {};
  bool has_key = false;  // An RGB tRNS colour: exactly that colour is transparent
  uint8_t key[3] = {};
  std::vector<const uint8_t*> idat;  // Every IDAT chunk's data and length, in order
  std::vector<uint32_t> idat_length;
  uint64_t idat_bytes = 0;
};

bool is_letter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Reads IHDR's fields; false for a kind of picture the direct decoder leaves to libpng.
bool read_header(const uint8_t* body, Layout& out) {
  out.width = be32(body);
  out.height = be32(body + 4);
  out.depth = body[8];
  out.colour = body[9];
  if (out.width == 0 || out.height == 0 || out.width > kLibpngMostSide || out.height > kLibpngMostSide) return false;
  if (body[10] != 0 || body[11] != 0 || body[12] != 0) return false;  // Compression, filter method, interlace
  const uint8_t d = out.depth;
  size_t channels = 0;
  switch (out.colour) {
    case kGrey:
    case kPalette:
      if (d != 1 && d != 2 && d != 4 && d != 8) return false;
      channels = 1;
      break;
    case kRgb: channels = 3; break;
    case kGreyAlpha: channels = 2; break;
    case kRgba: channels = 4; break;
    default: return false;
  }
  if (channels > 1 && d != 8) return false;
  out.row_bytes = (static_cast<size_t>(out.width) * channels * d + 7) / 8;
  out.step = channels;
  if (out.colour == kGrey) {
    const unsigned top = (1u << d) - 1;
    for (unsigned v = 0; v <= top; v++) {
      const uint8_t g = static_cast<uint8_t>(v * 255 / top);
      out.table[v][0] = out.table[v][1] = out.table[v][2] = g;
      out.table[v][3] = 255;
    }
  } else {
    for (auto& entry : out.table) entry[3] = 255;
  }
  return true;
}

// Walks the chunks up to IEND. False when the file is damaged or unusual in any way, for libpng to
// judge: a bad CRC, a chunk cut short or out of order, an unknown critical chunk, a tRNS or PLTE that
// libpng would question, no IEND.
bool read_layout(const uint8_t* data, size_t size, Layout& out) {
  bool seen_header = false, seen_palette = false, seen_alpha = false, idat_ended = false;
  size_t palette_entries = 0;
  size_t pos = 8;
  for (;;) {
    if (size - pos < 12) return false;
    const uint32_t length = be32(data + pos);
    if (length > 0x7FFFFFFF || length > size - pos - 12) return false;
    const uint8_t* type = data + pos + 4;
    const uint8_t* body = type + 4;
    if (!is_letter(type[0]) || !is_letter(type[1]) || !is_letter(type[2]) || !is_letter(type[3])) return false;
    if (libdeflate_crc32(0, type, size_t{length} + 4) != be32(body + length)) return false;
    pos += size_t{length} + 12;
    const bool is_data = std::memcmp(type, "IDAT", 4) == 0;
    if (!seen_header) {
      if (std::memcmp(type, "IHDR", 4) != 0 || length != 13 || !read_header(body, out)) return false;
      seen_header = true;
    } else if (is_data) {
      if (idat_ended || (out.colour == kPalette && !seen_palette)) return false;
      // libpng refuses an IDAT chunk much larger than the picture could need.
      const uint64_t raw = uint64_t{out.height} * (out.row_bytes + 1);
      if (length > kLibpngMostChunk && length > raw) return false;
      out.idat.push_back(body);
      out.idat_length.push_back(length);
      out.idat_bytes += length;
    } else {
      idat_ended = !out.idat.empty();
      if (std::memcmp(type, "IEND", 4) == 0) return length == 0 && idat_ended;
      if (idat_ended) {
        if (!(type[0] & 0x20)) return false;  // A critical chunk after the data
      } else if (std::memcmp(type, "PLTE", 4) == 0) {
        if (out.colour != kPalette || seen_palette || seen_alpha || length == 0 || length % 3 != 0 ||
            length / 3 > (1u << out.depth))
          return false;
        palette_entries = length / 3;
        for (size_t i = 0; i < palette_entries; i++) std::memcpy(out.table[i], body + 3 * i, 3);
        seen_palette = true;
      } else if (std::memcmp(type, "tRNS", 4) == 0) {
        if (seen_alpha) return false;
        seen_alpha = true;
        if (out.colour == kPalette) {
          if (!seen_palette || length == 0 || length > palette_entries) return false;
          for (size_t i = 0; i < length; i++) out.table[i][3] = body[i];
        } else if (out.colour == kGrey) {
          if (length != 2) return false;
          const uint32_t grey = (uint32_t{body[0]} << 8) | body[1];
          if (grey >= (1u << out.depth)) return false;  // A value no sample can take
          out.table[grey][3] = 0;
        } else if (out.colour == kRgb) {
          if (length != 6 || body[0] || body[2] || body[4]) return false;  // Samples above 255 never match
          out.has_key = true;
          out.key[0] = body[1], out.key[1] = body[3], out.key[2] = body[5];
        } else {
          return false;  // tRNS beside an alpha channel
        }
      } else if (!(type[0] & 0x20) || std::memcmp(type, "IHDR", 4) == 0) {
        return false;  // Another critical chunk, or an unknown one
      } else if (length > kLibpngMostChunk) {
        return false;
      }
    }
  }
}

// Inflates the IDAT data into `raw` (exactly the rows' bytes); false for libpng to judge otherwise.
// Data in several chunks is first joined in `room`, which has space for all of it.
bool inflate_rows(const Layout& layout, uint8_t* raw, size_t raw_size, uint8_t* room) {
  if (layout.idat_bytes < 2) return false;
  const uint8_t* stream = layout.idat[0];
  if (layout.idat.size() > 1) {
    size_t at = 0;
    for (size_t i = 0; i < layout.idat.size(); i++) {
      std::memcpy(room + at, layout.idat[i], layout.idat_length[i]);
      at += layout.idat_length[i];
    }
    stream = room;
  }
  // zlib, as libpng runs it, holds only the window the stream's header names; a stream with a smaller
  // window than the rows' bytes may reach back further than zlib allows, which libdeflate would not see.
  const unsigned window_bits = (stream[0] >> 4) + 8;
  if (window_bits > 15 || (window_bits < 15 && raw_size > (size_t{1} << window_bits))) return false;
  libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
  if (!inflater) return false;
  const libdeflate_result result =
      libdeflate_zlib_decompress(inflater, stream, static_cast<size_t>(layout.idat_bytes), raw, raw_size, nullptr);
  libdeflate_free_decompressor(inflater);
  return result == LIBDEFLATE_SUCCESS;
}

uint8_t paeth(uint8_t a, uint8_t b, uint8_t c) {
  const int pa = std::abs(int{b} - c), pb = std::abs(int{a} - c), pc = std::abs(int{a} + b - 2 * c);
  return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

#ifdef __SSE2__
// Paeth for 3- and 4-byte pixels with SSE2, a pixel at a time with each sample in a 16-bit lane. Rows
// are read 4 bytes at a time (a 3-byte pixel with the byte after it, which must exist): loading 3 bytes
// would go through memory in pieces and stall every step.
__m128i load_pixel(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128());
}

// Stores the pixel's kStep bytes (from a register: a 3-byte copy through memory would stall too).
template <size_t kStep>
void store_pixel(uint8_t* p, __m128i pixel) {
  const uint32_t v = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(pixel, pixel)));
  if constexpr (kStep == 4) {
    std::memcpy(p, &v, 4);
  } else {
    const uint16_t low = static_cast<uint16_t>(v);
    std::memcpy(p, &low, 2);
    p[2] = static_cast<uint8_t>(v >> 16);
  }
}

// The pixel whose Paeth-filtered value is x, from its neighbours: a left, b above, c above left.
__m128i paeth_pixel(__m128i a, __m128i b, __m128i c, __m128i x) {
  const __m128i zero = _mm_setzero_si128();
  auto pick = [](__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
  };
  auto magnitude = [zero](__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(zero, v)); };
  const __m128i pa_signed = _mm_sub_epi16(b, c), pb_signed = _mm_sub_epi16(a, c);
  const __m128i pa = magnitude(pa_signed), pb = magnitude(pb_signed);
  const __m128i pc = magnitude(_mm_add_epi16(pa_signed, pb_signed));
  const __m128i least = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
  const __m128i predicted = pick(_mm_cmpeq_epi16(pa, least), a, pick(_mm_cmpeq_epi16(pb, least), b, c));
  return _mm_and_si128(_mm_add_epi16(predicted, x), _mm_set1_epi16(0xFF));
}

template <size_t kStep>
void paeth_row_sse2(uint8_t* row, const uint8_t* prior, size_t bytes) {
  __m128i a = _mm_setzero_si128(), c = a;
  for (size_t i = 0; i + kStep <= bytes; i += kStep) {
    const __m128i b = load_pixel(prior + i);
    a = paeth_pixel(a, b, c, load_pixel(row + i));
    store_pixel<kStep>(row + i, a);
    c = b;
  }
}

// Two Paeth rows at once, `next` (the row below `row`) a pixel behind: each pixel waits on the one to
// its left, and two such chains side by side keep the processor twice as busy.
template <size_t kStep>
void paeth_rows_sse2(uint8_t* row, uint8_t* next, const uint8_t* prior, size_t bytes) {
  const size_t pixels = bytes / kStep;
  if (pixels == 0) return;
  __m128i a = _mm_setzero_si128(), c = a, next_a = a, next_c = a;
  for (size_t k = 0; k < pixels; k++) {
    const size_t i = k * kStep;
    const __m128i b = load_pixel(prior + i);
    const __m128i above = a;  // Pixel k - 1 of `row`, above pixel k - 1 of `next`
    a = paeth_pixel(a, b, c, load_pixel(row + i));
    store_pixel<kStep>(row + i, a);
    c = b;
    if (k > 0) {
      next_a = paeth_pixel(next_a, above, next_c, load_pixel(next + i - kStep));
      store_pixel<kStep>(next + i - kStep, next_a);
      next_c = above;
    }
  }
  const size_t last = (pixels - 1) * kStep;
  store_pixel<kStep>(next + last, paeth_pixel(next_a, a, next_c, load_pixel(next + last)));
}
#endif

// Undoes the Paeth filter of two rows together where that is faster; false where it is not.
bool unfilter_paeth_pair(uint8_t* row, uint8_t* next, const uint8_t* prior, size_t bytes, size_t step) {
#ifdef __SSE2__
  if (step == 3) return paeth_rows_sse2<3>(row, next, prior, bytes), true;
  if (step == 4) return paeth_rows_sse2<4>(row, next, prior, bytes), true;
#endif
  (void)row, (void)next, (void)prior, (void)bytes, (void)step;
  return false;
}

// Undoes a row's filter in place; `prior` is the row above, already unfiltered (zeros above the first).
// Both may be read up to 3 bytes past their end.
void unfilter(uint8_t filter, uint8_t* row, const uint8_t* prior, size_t bytes, size_t step) {
  switch (filter) {
    case 1:
      for (size_t i = step; i < bytes; i++) row[i] = static_cast<uint8_t>(row[i] + row[i - step]);
      break;
    case 2:
      for (size_t i = 0; i < bytes; i++) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      break;
    case 3:
      for (size_t i = 0; i < step && i < bytes; i++) row[i] = static_cast<uint8_t>(row[i] + (prior[i] >> 1));
      for (size_t i = step; i < bytes; i++)
        row[i] = static_cast<uint8_t>(row[i] + ((unsigned{row[i - step]} + prior[i]) >> 1));
      break;
    case 4:
#ifdef __SSE2__
      if (step == 3) return paeth_row_sse2<3>(row, prior, bytes);
      if (step == 4) return paeth_row_sse2<4>(row, prior, bytes);
#endif
      for (size_t i = 0; i < step && i < bytes; i++) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      for (size_t i = step; i < bytes; i++)
        row[i] = static_cast<uint8_t>(row[i] + paeth(row[i - step], prior[i], prior[i - step]));
      break;
    default: break;
  }
}

// One unfiltered row as RGBA.
void expand(const Layout& layout, const uint8_t* in, uint8_t* out) {
  const size_t width = layout.width;
  switch (layout.colour) {
    case kRgba: std::memcpy(out, in, width * 4); break;
    case kRgb:
      for (size_t x = 0; x < width; x++, in += 3, out += 4) {
        out[0] = in[0], out[1] = in[1], out[2] = in[2];
        out[3] =
            (layout.has_key && in[0] == layout.key[0] && in[1] == layout.key[1] && in[2] == layout.key[2]) ? 0 : 255;
      }
      break;
    case kGreyAlpha:
      for (size_t x = 0; x < width; x++, in += 2, out += 4) out[0] = out[1] = out[2] = in[0], out[3] = in[1];
      break;
    default:  // Grey and palette samples through the table
      if (layout.depth == 8) {
        for (size_t x = 0; x < width; x++, out += 4) std::memcpy(out, layout.table[in[x]], 4);
      } else {
        const unsigned depth = layout.depth, mask = (1u << depth) - 1;
        for (size_t x = 0; x < width; x++, out += 4) {
          const size_t bit = x * depth;
          const unsigned sample = (in[bit / 8] >> (8 - depth - bit % 8)) & mask;
          std::memcpy(out, layout.table[sample], 4);
        }
      }
      break;
  }
}

}  // namespace

PngDirect decode_png_direct(const uint8_t* data, size_t size, const PictureRows& rows) {
  auto layout = std::make_unique<Layout>();
  if (!has_png_signature(data, size) || !read_layout(data, size, *layout)) return PngDirect::declined;
  const Layout& l = *layout;
  if (!check_picture_size(l.width, l.height) || !idat_covers(l.idat_bytes, l.width, l.height))
    return PngDirect::refused;
  const size_t line = l.row_bytes + 1;
  const size_t raw_size = line * l.height;
  // One block holds the rows and, after them, the joined IDAT data.
  const size_t joined = l.idat.size() > 1 ? static_cast<size_t>(l.idat_bytes) : 0;
  const Scratch raw = make_scratch(raw_size + kReadPast + joined);
  if (!raw || !inflate_rows(l, raw.get(), raw_size, raw.get() + raw_size + kReadPast)) return PngDirect::declined;
  for (size_t y = 0; y < l.height; y++)
    if (raw[y * line] > 4) return PngDirect::declined;  // An unknown filter
  size_t stride = 0;
  uint8_t* first = rows_for(rows, l.width, l.height, stride);
  if (!first) return PngDirect::refused;
  std::memset(raw.get() + raw_size, 0, kReadPast);
  const std::vector<uint8_t> zeros(l.row_bytes + kReadPast, 0);
  const uint8_t* prior = zeros.data();
  for (size_t y = 0; y < l.height;) {
    uint8_t* row = raw.get() + y * line;
    if (y + 1 < l.height && row[0] == 4 && row[line] == 4 &&
        unfilter_paeth_pair(row + 1, row + line + 1, prior, l.row_bytes, l.step)) {
      expand(l, row + 1, first + y * stride);
      expand(l, row + line + 1, first + (y + 1) * stride);
      prior = row + line + 1;
      y += 2;
      continue;
    }
    unfilter(row[0], row + 1, prior, l.row_bytes, l.step);
    expand(l, row + 1, first + y * stride);
    prior = row + 1;
    y++;
  }
  return PngDirect::decoded;
}

}  // namespace svc::detail
