// png_chunks.h -- rewriting the chunks of a PNG file for the tests, with valid checksums
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace support {

// The bytes of one chunk: length, type, data and CRC.
std::vector<uint8_t> png_chunk(const std::string& type, const std::vector<uint8_t>& data);

// The file without the chunks of the listed types, and with `insert` (whole chunks) after IHDR.
std::vector<uint8_t> png_rechunk(const std::vector<uint8_t>& png, const std::vector<std::string>& drop,
                                 const std::vector<uint8_t>& insert);

// The file with another width and height in its IHDR chunk.
std::vector<uint8_t> png_resized(std::vector<uint8_t> png, uint32_t width, uint32_t height);

}  // namespace support
