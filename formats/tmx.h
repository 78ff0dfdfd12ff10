// tmx.h -- Tiled's TMX map and TSX tileset files: the part of the format the suite writes
//
// A map is orthogonal, finite and drawn right-down; its tilesets are external image-collection
// tilesets (one picture per tile), its layers tile layers (CSV data) and object layers of tile
// objects. Texts come back whole, ready to be written through the file services.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tmx {

struct Property {
  std::string name, type, value;  // type: "string", "int", "color", ... ("" writes no type: a string)
};

// One tile of an image-collection tileset: its picture, relative to the tileset's file.
struct TileImage {
  std::string source;
  int width = 0, height = 0;
  std::vector<Property> properties;
};

struct Tileset {
  std::string name;
  int tile_width = 0, tile_height = 0;  // The largest tile's size
  std::vector<TileImage> tiles;         // Tile i has local id i
};

struct TileObject {
  uint32_t gid = 0;
  int x = 0, y = 0;  // The picture's bottom-left corner in map pixels, as Tiled places tile objects
  int width = 0, height = 0;
};

struct Layer {
  enum Kind { TILES, OBJECTS } kind = TILES;
  std::string name;
  bool visible = true;
  std::vector<uint32_t> gids;       // TILES: width x height global tile ids, row by row; 0 = no tile
  std::vector<TileObject> objects;  // OBJECTS: drawn in this order
  std::vector<Property> properties;
};

struct TilesetReference {
  uint32_t first_gid = 1;
  std::string source;  // The .tsx file, relative to the map's file
};

struct Map {
  int width = 0, height = 0;  // In tiles
  int tile_width = 0, tile_height = 0;
  std::vector<TilesetReference> tilesets;
  std::vector<Layer> layers;  // Bottom first
  std::vector<Property> properties;
};

std::string write_map(const Map& map);              // The whole .tmx file
std::string write_tileset(const Tileset& tileset);  // The whole .tsx file

}  // namespace tmx
