// tmx_reader_fuzz.cpp -- libFuzzer target: any bytes as a Tiled map through the TMX reader
//
// The input is the map's text; after a NUL byte come the bytes every external file (tileset or
// template) the map names reads as, so one input reaches both. Whatever the reader accepts must be
// sound: a map of 1 to 512 tiles a side, every tile layer exactly that many gids, every tile's
// rectangle from a tileset that exists.
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/tmx.h"

namespace {

struct Input {
  std::string external;
};

bool load(const std::string&, std::string& bytes, void* context) {
  bytes = static_cast<Input*>(context)->external;
  return !bytes.empty();
}

bool size(const std::string&, int& width, int& height, void*) {
  width = 64;
  height = 48;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t length) {
  const std::string bytes(reinterpret_cast<const char*>(data), length);
  const size_t split = bytes.find('\0');
  Input input;
  if (split != std::string::npos) input.external = bytes.substr(split + 1);
  tmx::ReadMap map;
  std::string error;
  if (!tmx::read_map(bytes.substr(0, split), "maps/", load, size, &input, map, error)) {
    if (error.empty()) std::abort();  // A refusal always says why
    return 0;
  }
  if (map.width < 1 || map.height < 1 || map.width > 512 || map.height > 512) std::abort();
  for (const tmx::ReadLayer& layer : map.layers) {
    if (layer.kind == tmx::ReadLayer::TILES && layer.gids.size() != size_t(map.width) * map.height) std::abort();
    for (uint32_t gid : layer.gids) {
      const tmx::ReadTileset* set = nullptr;
      const tmx::ReadTile* tile = tmx::find_tile(map, gid, &set);
      if (tile && (!set || tile < set->tiles.data() || tile >= set->tiles.data() + set->tiles.size())) std::abort();
    }
    for (const tmx::ReadObject& object : layer.objects) (void)tmx::find_tile(map, object.gid);
  }
  return 0;
}
