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

// ---- Reading: the whole of an orthogonal map as its layers draw it

namespace tmx {

// Loads a file named by the map (an external tileset, a template); false when it cannot be read.
using FileLoader = bool (*)(const std::string& path, std::string& bytes, void* context);
// The size of a tileset's picture that does not say it; false when the picture cannot be read.
using PictureSize = bool (*)(const std::string& path, int& width, int& height, void* context);

struct ReadTile {         // One tile of a tileset: a rectangle of a picture file
  std::string image;      // The picture's path, as the map's folder and the tileset's folder make it
  int x = 0, y = 0;       // Its place in the picture
  int width = 0, height = 0;
  std::vector<Property> properties;
};

struct ReadTileset {
  uint32_t first_gid = 0;
  std::string name, source;  // source: the .tsx file, "" when embedded
  int tile_width = 0, tile_height = 0;
  int offset_x = 0, offset_y = 0;   // <tileoffset>
  bool collection = false;          // An image collection: one picture per tile
  std::string transparent;          // The atlas's transparent colour, "rrggbb", or ""
  std::vector<int> ids;             // Local id of each tile in `tiles`
  std::vector<ReadTile> tiles;
  int tile_index(uint32_t local_id) const;  // Position in `tiles`, or -1
};

struct ReadObject {  // A tile object: its gid (flip bits included) and its rectangle, y at its bottom
  uint32_t gid = 0;
  double x = 0, y = 0, width = 0, height = 0;
  double rotation = 0;  // Degrees clockwise about (x, y)
  bool visible = true;
};

struct ReadLayer {
  enum Kind { TILES, OBJECTS, IMAGE } kind = TILES;
  std::string name;
  bool visible = true;      // With every group above it
  double opacity = 1.0;     // Multiplied by every group's
  double offset_x = 0, offset_y = 0;  // Added to every group's
  int x = 0, y = 0, width = 0, height = 0;  // TILES: the area the gids cover, in tiles
  std::vector<uint32_t> gids;               // TILES: row by row, flip bits included
  std::vector<ReadObject> objects;          // OBJECTS: tile objects in drawing order
  std::string image;                        // IMAGE: the picture's path
  std::vector<Property> properties;
};

struct ReadMap {
  std::string orientation;
  int width = 0, height = 0, tile_width = 0, tile_height = 0;
  bool infinite = false;
  int origin_x = 0, origin_y = 0;  // An infinite map: the first tile of the chunks' bounding box
  bool has_background = false;
  uint8_t background[4] = {0, 0, 0, 0};  // RGBA
  std::vector<ReadTileset> tilesets;     // By first gid
  std::vector<ReadLayer> layers;         // Groups flattened, bottom first
  int annotations = 0;                   // Shape and text objects: counted, not drawn
  std::vector<Property> properties;
};

constexpr uint32_t kFlipHorizontal = 0x80000000u, kFlipVertical = 0x40000000u, kFlipDiagonal = 0x20000000u,
                   kRotatedHex = 0x10000000u, kGidMask = 0x0FFFFFFFu;

// Reads a TMX map's text (`folder`: the map's folder, ending in "/", for the names it holds). False
// with `error` saying what is wrong and what to do; external files come through `load`.
bool read_map(const std::string& text, const std::string& folder, FileLoader load, PictureSize size, void* context,
              ReadMap& out, std::string& error);
// The tile a gid names (flip bits ignored); nullptr, with the tileset through `set`, when none.
const ReadTile* find_tile(const ReadMap& map, uint32_t gid, const ReadTileset** set = nullptr);

}  // namespace tmx
