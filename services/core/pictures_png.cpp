// pictures_png.cpp -- PNG to 8-bit RGBA: a direct decoder for the common files, libpng for the rest
//
// The common files (not interlaced; 8-bit grey, grey + alpha, RGB, RGBA; palettes and grey of 1 to 8
// bits; tRNS) are read here: the IDAT data inflated by libdeflate into one buffer, the rows unfiltered
// and expanded straight into the caller's rows. Anything else (interlaced, 16-bit, a damaged or
// unusual file) goes to libpng's simplified reader. The direct decoder takes a file only when it is
// sure libpng would decode it, and to the same pixels: it checks every chunk's CRC, the chunk order
// and sizes libpng insists on, and that the zlib stream gives exactly the bytes of the rows. A file
// it is unsure of is left to libpng, whose answer (and reason for a refusal) then stands.
//
// A picture keeps the values its file stores: maps are scanned from them. libpng's simplified reader
// would convert a file with its own gamma or colour space (gAMA, cHRM, iCCP, sRGB) to sRGB, so those
// chunks are left out of the copy that libpng reads; without them it takes the values as they are.
// The direct decoder never converts. Palette, grey and 16-bit samples are still expanded to 8-bit RGBA.
#include <libdeflate.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "pictures_internal.h"
#include "surface.h"

namespace svc::detail {
namespace {

uint32_t be32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

bool is_colour_space_chunk(const uint8_t* type) {
  for (const char* name : {"gAMA", "cHRM", "iCCP", "sRGB"})
    if (std::memcmp(type, name, 4) == 0) return true;
  return false;
}

// ---- libpng's simplified reader

// The file without its colour-space chunks (or null when it has none, so the file itself serves),
// the number of bytes in its IDAT chunks, and whether a chunk before the first IDAT runs past the end
// of the file (libpng reads those chunks whole; it stops reading after the picture's data, so a file
// cut short there is a picture). A chunk cut short is copied as it is, and so is anything after IEND.
std::unique_ptr<std::vector<uint8_t>> without_colour_space(const uint8_t* data, size_t size, uint64_t& idat_bytes,
                                                           bool& cut_short) {
  idat_bytes = 0;
  cut_short = false;
  bool any = false, seen_data = false;
  size_t pos = 8;
  while (pos + 8 <= size) {
    const uint64_t length = be32(data + pos);
    if (length + 4 > size - pos - 8) {
      cut_short = !seen_data;
      break;
    }
    if (std::memcmp(data + pos + 4, "IDAT", 4) == 0) idat_bytes += length, seen_data = true;
    any = any || is_colour_space_chunk(data + pos + 4);
    pos += static_cast<size_t>(length) + 12;
    if (std::memcmp(data + pos - length - 8, "IEND", 4) == 0) break;
  }
  if (!any) return nullptr;
  // The whole chunks walked above, without the colour-space ones; then the rest as it is.
  const size_t walked = pos;
  auto kept = std::make_unique<std::vector<uint8_t>>(data, data + 8);
  kept->reserve(size);
  for (pos = 8; pos < walked;) {
    const size_t whole = size_t{be32(data + pos)} + 12;
    if (!is_colour_space_chunk(data + pos + 4)) kept->insert(kept->end(), data + pos, data + pos + whole);
    pos += whole;
  }
  kept->insert(kept->end(), data + walked, data + size);
  return kept;
}

// The least number of IDAT bytes that can hold a picture: deflate packs at most 1032 bytes into one,
// and every row holds at least a filter byte and one bit per pixel (each pass of an interlaced file has
// fewer rows but adds its own filter bytes).
bool idat_covers(uint64_t idat_bytes, uint32_t width, uint32_t height) {
  const uint64_t least_raw = static_cast<uint64_t>(height) * (1 + (static_cast<uint64_t>(width) + 7) / 8);
  return check_data_covers(idat_bytes, 1032, least_raw, width, height);
}

// Room in the caller's rows for width x height, with a stride libpng can be given.
uint8_t* rows_for(const PictureRows& rows, uint32_t width, uint32_t height, size_t& stride) {
  stride = 0;
  uint8_t* first = rows(static_cast<int>(width), static_cast<int>(height), stride);
  if (!first || stride < size_t{width} * 4 || stride > 0x7FFFFFFF) {
    refuse("has no room to be decoded into");
    return nullptr;
  }
  return first;
}

// ---- libpng's full reader, for interlaced 16-bit files

// libpng 1.6's simplified reader mixes up the pixels of interlaced 16-bit files. Its full reader, asked
// for the same transforms (palette, tRNS and small grey expanded, 16-bit samples scaled to 8 with
// rounding, grey to RGB, opaque alpha added), gives the pixels the simplified reader gives for the same
// picture not interlaced.
struct MemoryInput {
  const uint8_t* data;
  size_t size, pos;
  char why[200];  // libpng's reason for a failure
};

void read_memory(png_structp png, png_bytep out, size_t count) {
  auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (count > input->size - input->pos) png_error(png, "read beyond end of data");
  std::memcpy(out, input->data + input->pos, count);
  input->pos += count;
}

[[noreturn]] void keep_error(png_structp png, png_const_charp message) {
  auto* input = static_cast<MemoryInput*>(png_get_error_ptr(png));
  std::snprintf(input->why, sizeof input->why, "%s", message ? message : "libpng failed");
  png_longjmp(png, 1);
}

void ignore_warning(png_structp, png_const_charp) {}

// Reads the file into `rows` (one pointer per row, each `width` RGBA pixels); libpng's reason for a
// failure is left in `input.why`. No object with a destructor may be made between setjmp and the end:
// libpng's errors jump back over them.
bool read_full(const uint8_t* file, size_t size, uint32_t width, uint8_t* const* rows, MemoryInput& input) {
  input = {file, size, 0, "libpng failed"};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, keep_error, ignore_warning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return false;
  }
  png_set_read_fn(png, &input, read_memory);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_image_width(png, info) != width || png_get_rowbytes(png, info) != size_t{width} * 4)
    png_error(png, "unexpected row layout");
  png_read_image(png, const_cast<png_bytepp>(rows));
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// True for an interlaced file of 16-bit samples (IHDR is the first chunk of a file libpng accepted).
bool is_interlaced_16(const uint8_t* file, size_t size) {
  return size >= 33 && file[24] == 16 && file[28] == 1;
}

// ---- the direct decoder

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
  bool has_key = false;      // An RGB tRNS colour: exactly that colour is transparent
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
    case kRgb:
      channels = 3;
      break;
    case kGreyAlpha:
      channels = 2;
      break;
    case kRgba:
      channels = 4;
      break;
    default:
      return false;
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
    default:
      break;
  }
}

// One unfiltered row as RGBA.
void expand(const Layout& layout, const uint8_t* in, uint8_t* out) {
  const size_t width = layout.width;
  switch (layout.colour) {
    case kRgba:
      std::memcpy(out, in, width * 4);
      break;
    case kRgb:
      for (size_t x = 0; x < width; x++, in += 3, out += 4) {
        out[0] = in[0], out[1] = in[1], out[2] = in[2];
        out[3] = (layout.has_key && in[0] == layout.key[0] && in[1] == layout.key[1] && in[2] == layout.key[2]) ? 0 : 255;
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

bool has_png_signature(const uint8_t* data, size_t size) {
  return size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0;
}

PngDirect decode_png_direct(const uint8_t* data, size_t size, const PictureRows& rows) {
  auto layout = std::make_unique<Layout>();
  if (!has_png_signature(data, size) || !read_layout(data, size, *layout))
    return PngDirect::declined;
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

bool decode_png_library(const uint8_t* data, size_t size, const PictureRows& rows) {
  if (size < 8) return refuse("is too short to be a picture");
  uint64_t idat_bytes = 0;
  bool cut_short = false;
  const std::unique_ptr<std::vector<uint8_t>> kept = without_colour_space(data, size, idat_bytes, cut_short);
  // libpng takes the memory a chunk declares before it reads the chunk, so a few bytes claiming a
  // 2 GB text chunk would cost 2 GB before failing at the end of the file. It would refuse the file.
  if (cut_short && has_png_signature(data, size))
    return refuse("is truncated: a chunk runs past the end of the file");
  const uint8_t* file = kept ? kept->data() : data;
  const size_t file_size = kept ? kept->size() : size;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, file, file_size)) return refuse_library(image.message);
  if (!check_picture_size(image.width, image.height) || !idat_covers(idat_bytes, image.width, image.height)) {
    png_image_free(&image);
    return false;
  }
  // 16-bit samples are scaled to 8 bits as they are, not read as linear light.
  image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  image.format = PNG_FORMAT_RGBA;
  size_t stride = 0;
  uint8_t* first = rows_for(rows, image.width, image.height, stride);
  if (!first) {
    png_image_free(&image);
    return false;
  }
  if (is_interlaced_16(file, file_size)) {
    png_image_free(&image);
    std::vector<uint8_t*> row_list(image.height);
    for (size_t y = 0; y < row_list.size(); y++) row_list[y] = first + y * stride;
    MemoryInput input;
    if (!read_full(file, file_size, image.width, row_list.data(), input)) return refuse_library(input.why);
    return true;
  }
  // libpng counts the stride in components, one byte each here.
  if (!png_image_finish_read(&image, nullptr, first, static_cast<png_int_32>(stride), nullptr)) {
    const std::string message = image.message;
    png_image_free(&image);
    return refuse_library(message);
  }
  png_image_free(&image);
  return true;
}

bool decode_png(const uint8_t* data, size_t size, const PictureRows& rows) {
  switch (decode_png_direct(data, size, rows)) {
    case PngDirect::decoded:
      return true;
    case PngDirect::refused:
      return false;
    case PngDirect::declined:
      break;
  }
  return decode_png_library(data, size, rows);
}

}  // namespace svc::detail
