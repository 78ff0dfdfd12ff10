// pictures_internal.h -- the per-format decoders behind decode_picture_memory, and their shared limits
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "services/pictures.h"

namespace svc::detail {

// Records why the picture is refused, for picture_error(), and returns false. The reason is what
// follows "the PNG picture" (or "the file" before the format is known): "declares 0 x 0 pixels".
bool refuse(const std::string& reason);
bool refuse_library(const std::string& message);  // "cannot be decoded (<the library's message>)"

// Both sides positive and the pixel count within the limit (kMaxPicturePixels unless lowered);
// otherwise refuses with the reason.
bool check_picture_size(int64_t width, int64_t height);

// Lowers the pixel limit, so that the fuzz targets explore the decoders without gigabyte pictures
// (an arithmetic-coded JPEG may rightly hold a huge plain picture in a few hundred bytes).
void set_pixel_limit(int64_t pixels);

// Refuses, with the reason, a picture of `needed` bytes of raw samples that `held` bytes of data
// cannot produce even at the format's best compression (`most_per_byte` raw bytes per stored byte).
bool check_data_covers(uint64_t held, uint64_t most_per_byte, uint64_t needed, int64_t width, int64_t height);

// Each decoder fills `out` (PNG and JPEG: the rows it is given) or returns false; a refusal names its
// reason through refuse().
bool decode_bmp(const uint8_t* data, size_t size, Picture& out);
// True when the bytes begin with the eight bytes every PNG file begins with.
bool has_png_signature(const uint8_t* data, size_t size);
bool decode_png(const uint8_t* data, size_t size, const PictureRows& rows);  // Straight into the caller's rows
// decode_png's two halves: the direct decoder, which declines every file it is not sure libpng would
// decode to the same pixels (without touching the rows), and libpng's simplified reader.
enum class PngDirect { decoded, refused, declined };
PngDirect decode_png_direct(const uint8_t* data, size_t size, const PictureRows& rows);
bool decode_png_library(const uint8_t* data, size_t size, const PictureRows& rows);
bool decode_jpeg(const uint8_t* data, size_t size, const PictureRows& rows);
bool decode_tiff(const uint8_t* data, size_t size, Picture& out);
void quiet_tiff_messages();  // libtiff's messages go to the refusal reason instead of stderr

}  // namespace svc::detail
