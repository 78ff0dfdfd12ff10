// pictures_jpeg.cpp -- JPEG through TurboJPEG: baseline, progressive, grey, and CMYK converted to RGB
//
// A file that ends early or has damaged data still decodes as far as libjpeg gets (the rest is
// grey), as picture viewers show it; only a file whose header cannot be read is refused.
#include <turbojpeg.h>

#include <vector>

#include "pictures_internal.h"

namespace svc::detail {

bool decode_jpeg(const uint8_t* data, size_t size, Picture& out) {
  if (size > 0xFFFFFFFFul) return false;
  tjhandle tj = tjInitDecompress();
  if (!tj) return false;
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  unsigned long length = static_cast<unsigned long>(size);
  bool ok = tjDecompressHeader3(tj, data, length, &width, &height, &subsampling, &colourspace) == 0 &&
            picture_size_ok(width, height);
  if (ok) {
    out.width = width;
    out.height = height;
    out.rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    std::vector<uint8_t> cmyk_pixels;
    uint8_t* target = out.rgba.data();
    if (cmyk) {
      cmyk_pixels.assign(out.rgba.size(), 0);
      target = cmyk_pixels.data();
    }
    int rc = tjDecompress2(tj, data, length, target, width, 0, height, cmyk ? TJPF_CMYK : TJPF_RGBA, 0);
    ok = rc == 0 || tjGetErrorCode(tj) == TJERR_WARNING;
    if (ok && cmyk) {
      // Adobe writes CMYK JPEGs inverted: the stored values are 255 - ink, so RGB = value * K / 255.
      for (size_t i = 0; i < cmyk_pixels.size(); i += 4) {
        unsigned k = cmyk_pixels[i + 3];
        out.rgba[i] = static_cast<uint8_t>((cmyk_pixels[i] * k + 127) / 255);
        out.rgba[i + 1] = static_cast<uint8_t>((cmyk_pixels[i + 1] * k + 127) / 255);
        out.rgba[i + 2] = static_cast<uint8_t>((cmyk_pixels[i + 2] * k + 127) / 255);
        out.rgba[i + 3] = 255;
      }
    }
  }
  tjDestroy(tj);
  return ok;
}

}  // namespace svc::detail
