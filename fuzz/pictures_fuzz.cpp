// pictures_fuzz.cpp -- libFuzzer target: any bytes through the picture decoders, with every format enabled
#include <cstddef>
#include <cstdint>

#include "services/pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool registered = (svc::register_image_decoders(), true);
  (void)registered;
  svc::Picture picture;
  if (svc::decode_picture_memory(data, size, picture)) {
    // Touch the last byte: a decoder that reported a size it did not fill would show here.
    volatile uint8_t last = picture.rgba.back();
    (void)last;
  }
  return 0;
}
