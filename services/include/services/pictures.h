// pictures.h -- decoding picture files (BMP always; PNG, JPEG and TIFF once registered) to 8-bit RGBA
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace svc {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4 bytes, rows top to bottom
};

void register_image_decoders();                             // Makes PNG, JPEG and TIFF decodable
int decode_picture(const std::string& path, Picture& out);  // 0 when missing, unknown or corrupt
int decode_picture_memory(const uint8_t* data, size_t size, Picture& out);
void apply_transparent_colour(Picture& picture, int32_t colour);  // Pixels of that colour get alpha 0
int write_png(const std::string& path, const Picture& picture);   // Whole or not at all (replaces); 0 on failure

}  // namespace svc
