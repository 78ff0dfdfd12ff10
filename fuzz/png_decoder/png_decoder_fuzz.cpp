// png_decoder_fuzz.cpp -- libFuzzer target: any bytes through the PNG decoder, whose answer (refused,
// or the pixels) must be libpng's own for the same bytes
#include <cstdlib>

#include "fuzz_folder.h"
#include "pictures_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (svc::register_image_decoders(), svc::detail::set_pixel_limit(fuzz::kPixelLimit), true);
  (void)ready;
  svc::Picture picture, library;
  const bool ok = svc::detail::decode_png(data, size, fuzz::rows_of(picture));
  if (ok) fuzz::check_picture(picture);
  const bool library_ok = svc::detail::decode_png_library(data, size, fuzz::rows_of(library));
  // libpng may refuse after writing part of the rows: pixels are compared only when both decode.
  if (ok != library_ok || (ok && (picture.width != library.width || picture.rgba != library.rgba))) std::abort();
  return 0;
}
