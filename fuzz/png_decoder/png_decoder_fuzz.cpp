// png_decoder_fuzz.cpp -- libFuzzer target: any bytes through the PNG decoder
#include "fuzz_folder.h"
#include "pictures_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (svc::register_image_decoders(), svc::detail::set_pixel_limit(fuzz::kPixelLimit), true);
  (void)ready;
  svc::Picture picture;
  if (svc::detail::decode_png(data, size, fuzz::rows_of(picture))) fuzz::check_picture(picture);
  return 0;
}
