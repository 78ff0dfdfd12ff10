// picture_file_fuzz.cpp -- libFuzzer target: any bytes as a picture file, read as the programs read
// one: the file checks, the choice of decoder by the first bytes, and the decode into a picture, into
// the caller's rows and from memory, whose answers must agree
#include <cstdlib>

#include "fuzz_folder.h"
#include "pictures_internal.h"

namespace {

// What no bytes reach, once: an empty name, a missing file, a folder and a device are refused.
bool names_that_are_no_picture_are_refused() {
  svc::Picture picture;
  for (const char* name : {"", "missing", ".", "/dev/null"})
    if (svc::decode_picture(name, picture) || svc::picture_error().empty()) std::abort();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (fuzz::enter_work_folder("picture_file"), svc::register_image_decoders(),
                             svc::detail::set_pixel_limit(fuzz::kPixelLimit), names_that_are_no_picture_are_refused());
  (void)ready;
  fuzz::write_file("picture", fuzz::text(data, size));
  svc::Picture picture, into, memory;
  const int ok = svc::decode_picture("picture", picture);
  if (ok) fuzz::check_picture(picture);
  const std::string reason = svc::picture_error();
  const int into_ok = svc::decode_picture_into("picture", fuzz::rows_of(into));
  const int memory_ok = svc::decode_picture_memory(data, size, memory);
  // The same bytes give the same answer every way: the same pixels, or the same reason.
  if (ok != into_ok || ok != memory_ok) std::abort();
  if (ok && (into.width != picture.width || into.height != picture.height || into.rgba != picture.rgba ||
             memory.rgba != picture.rgba))
    std::abort();
  if (!ok && svc::picture_error() != reason) std::abort();
  return 0;
}
