// pictures_png_library.cpp -- PNG files the direct decoder declines, read with libpng
//
// libpng's simplified reader would convert a file with its own gamma or colour space (gAMA, cHRM,
// iCCP, sRGB) to sRGB, so those chunks are left out of the copy that libpng reads; without them it
// takes the values as they are. Interlaced 16-bit files go through libpng's full reader.
#include <png.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pictures_internal.h"
#include "pictures_png_parts.h"

namespace svc::detail {
namespace {

bool is_colour_space_chunk(const uint8_t* type) {
  for (const char* name : {"gAMA", "cHRM", "iCCP", "sRGB"})
    if (std::memcmp(type, name, 4) == 0) return true;
  return false;
}

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
bool is_interlaced_16(const uint8_t* file, size_t size) { return size >= 33 && file[24] == 16 && file[28] == 1; }

}  // namespace

bool decode_png_library(const uint8_t* data, size_t size, const PictureRows& rows) {
  if (size < 8) return refuse("is too short to be a picture");
  uint64_t idat_bytes = 0;
  bool cut_short = false;
  const std::unique_ptr<std::vector<uint8_t>> kept = without_colour_space(data, size, idat_bytes, cut_short);
  // libpng takes the memory a chunk declares before it reads the chunk, so a few bytes claiming a
  // 2 GB text chunk would cost 2 GB before failing at the end of the file. It would refuse the file.
  if (cut_short && has_png_signature(data, size)) return refuse("is truncated: a chunk runs past the end of the file");
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

}  // namespace svc::detail
