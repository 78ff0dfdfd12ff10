// tmx_read.cpp -- reads Tiled's TMX maps and TSX tilesets through pugixml; layer data through zlib and zstd
//
// Every size and count read is checked before it is used: a map holds at most kMostTiles tiles a
// side, a layer's data gives exactly its tiles, compressed data inflates to exactly that, and
// nothing a file says makes the reader allocate more.
#include "formats/tmx.h"

#include <pugixml.hpp>
#include <zlib.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace tmx {

namespace {

constexpr int kMostTiles = 512;          // A side of the map (the engine's grid is 513 x 513 cells)
constexpr int kMostTileEdge = 4096;      // Pixels of a tile's side
constexpr int kMostTilesetTiles = 1 << 20;
constexpr int kMostNesting = 32;         // Groups in groups

struct Reader {
  FileLoader load = nullptr;
  PictureSize size = nullptr;
  void* context = nullptr;
  ReadMap* map = nullptr;
  std::string error;
  // Infinite maps: the chunks' bounding box, found before the layers are laid out.
  bool failed(const std::string& message) {
    if (error.empty()) error = message;
    return false;
  }
};

// A folder's path joined with a name the file holds; absolute names stay as they are.
std::string joined(const std::string& folder, const std::string& name) {
  if (name.empty()) return name;
  if (name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':')) return name;
  return folder + name;
}

std::string folder_of(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A whole number attribute within bounds; `fallback` when it is absent.
bool int_attribute(Reader& r, pugi::xml_node node, const char* name, int low, int high, int fallback, int& value,
                   const std::string& where) {
  pugi::xml_attribute a = node.attribute(name);
  if (!a) {
    value = fallback;
    return true;
  }
  const char* text = a.value();
  char* end = nullptr;
  const long long number = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || number < low || number > high)
    return r.failed(where + ": " + name + "=\"" + text + "\" is not a whole number from " + std::to_string(low) +
                    " to " + std::to_string(high));
  value = int(number);
  return true;
}

double number_attribute(pugi::xml_node node, const char* name, double fallback) {
  pugi::xml_attribute a = node.attribute(name);
  if (!a) return fallback;
  const double value = a.as_double(fallback);
  return std::isfinite(value) ? value : fallback;
}

void read_properties(pugi::xml_node node, std::vector<Property>& out) {
  for (pugi::xml_node p : node.child("properties").children("property"))
    out.push_back({p.attribute("name").value(), p.attribute("type").value(),
                   p.attribute("value") ? p.attribute("value").value() : p.text().get()});
}

// "#rrggbb" or "#aarrggbb" as RGBA; false for anything else.
bool parse_colour(const std::string& text, uint8_t rgba[4]) {
  std::string hex = !text.empty() && text[0] == '#' ? text.substr(1) : text;
  if ((hex.size() != 6 && hex.size() != 8) || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return false;
  const unsigned long value = std::strtoul(hex.c_str(), nullptr, 16);
  const bool alpha = hex.size() == 8;
  rgba[0] = uint8_t(value >> 16);
  rgba[1] = uint8_t(value >> 8);
  rgba[2] = uint8_t(value);
  rgba[3] = alpha ? uint8_t(value >> 24) : 255;
  return true;
}

// ---- Layer data

bool base64_decode(const char* text, std::string& out) {
  static int8_t table[256];
  static bool made = false;
  if (!made) {
    std::memset(table, -1, sizeof table);
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) table[uint8_t(letters[i])] = int8_t(i);
    made = true;
  }
  uint32_t bits = 0;
  int count = 0, padding = 0;
  for (const char* p = text; *p; ++p) {
    const uint8_t c = uint8_t(*p);
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    if (table[c] < 0 || padding) return false;
    bits = (bits << 6) | uint32_t(table[c]);
    if (++count == 4) {
      out.push_back(char(bits >> 16));
      out.push_back(char(bits >> 8));
      out.push_back(char(bits));
      count = 0;
      bits = 0;
    }
  }
  if (count == 1 || padding > 2) return false;
  if (count == 2) out.push_back(char(bits >> 4));
  if (count == 3) {
    out.push_back(char(bits >> 10));
    out.push_back(char(bits >> 2));
  }
  return true;
}

// zlib or gzip data (the header tells which) inflated to exactly `size` bytes; more is refused
// before it is made.
bool inflate_exactly(const std::string& in, size_t size, std::string& out, std::string& problem) {
  out.assign(size, '\0');
  z_stream z{};
  if (inflateInit2(&z, 15 + 32) != Z_OK) return problem = "zlib cannot start", false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = uInt(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(size);
  int status = inflate(&z, Z_FINISH);
  bool more = false;
  if (status == Z_BUF_ERROR && z.avail_out == 0) {
    // The stated size is full and the stream goes on: see whether it would give more.
    char spare = 0;
    z.next_out = reinterpret_cast<Bytef*>(&spare);
    z.avail_out = 1;
    status = inflate(&z, Z_FINISH);
    more = z.avail_out == 0;
  }
  const size_t made = size - (more ? 0 : z.avail_out);
  inflateEnd(&z);
  if (more) return problem = "the compressed data inflates past the layer's stated size", false;
  if (status != Z_STREAM_END) return problem = "the compressed data is damaged or cut short", false;
  if (made != size) return problem = "the compressed data gives fewer tiles than the layer's size", false;
  return true;
}

bool zstd_exactly(const std::string& in, size_t size, std::string& out, std::string& problem) {
  out.assign(size + 1, '\0');  // One byte more: a frame that fills it is too long
  const size_t made = ZSTD_decompress(out.data(), out.size(), in.data(), in.size());
  if (ZSTD_isError(made)) {
    if (ZSTD_getErrorCode(made) == ZSTD_error_dstSize_tooSmall)
      return problem = "the compressed data inflates past the layer's stated size", false;
    return problem = std::string("the zstd data is damaged: ") + ZSTD_getErrorName(made), false;
  }
  if (made > size) return problem = "the compressed data inflates past the layer's stated size", false;
  if (made != size) return problem = "the compressed data gives fewer tiles than the layer's size", false;
  out.resize(size);
  return true;
}

// The gids of a <data> or <chunk> node of width x height tiles.
bool read_gids(Reader& r, pugi::xml_node data, const std::string& encoding, const std::string& compression,
               size_t count, std::vector<uint32_t>& gids, const std::string& where) {
  gids.clear();
  gids.reserve(count);
  if (encoding.empty()) {
    for (pugi::xml_node tile : data.children("tile")) {
      if (gids.size() == count) return r.failed(where + ": the data holds more tiles than the layer's size");
      gids.push_back(uint32_t(tile.attribute("gid").as_ullong(0)));
    }
  } else if (encoding == "csv") {
    const char* p = data.text().get();
    while (*p) {
      while (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t') ++p;
      if (!*p) break;
      char* end = nullptr;
      const unsigned long long value = std::strtoull(p, &end, 10);
      if (end == p || value > 0xFFFFFFFFull || *p == '-' || *p == '+')
        return r.failed(where + ": the CSV data holds \"" + std::string(p, std::min<size_t>(12, std::strlen(p))) +
                        "\", not a tile number");
      if (gids.size() == count) return r.failed(where + ": the data holds more tiles than the layer's size");
      gids.push_back(uint32_t(value));
      p = end;
      while (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t') ++p;
      if (*p == ',') ++p;
    }
  } else if (encoding == "base64") {
    std::string bytes, raw;
    if (!base64_decode(data.text().get(), bytes)) return r.failed(where + ": the base64 data is damaged");
    std::string problem;
    if (compression.empty()) {
      raw.swap(bytes);
    } else if (compression == "zlib" || compression == "gzip") {
      if (!inflate_exactly(bytes, count * 4, raw, problem)) return r.failed(where + ": " + problem);
    } else if (compression == "zstd") {
      if (!zstd_exactly(bytes, count * 4, raw, problem)) return r.failed(where + ": " + problem);
    } else {
      return r.failed(where + ": compression \"" + compression + "\" is unknown; save the map with zlib, gzip, zstd or none");
    }
    if (raw.size() != count * 4)
      return r.failed(where + ": the data gives " + std::to_string(raw.size() / 4) + " tiles, the layer's size " +
                      std::to_string(count));
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* b = reinterpret_cast<const uint8_t*>(raw.data()) + i * 4;
      gids.push_back(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    }
  } else {
    return r.failed(where + ": encoding \"" + encoding + "\" is unknown; save the map as CSV, base64 or XML");
  }
  if (gids.size() != count)
    return r.failed(where + ": the data gives " + std::to_string(gids.size()) + " tiles, the layer's size " +
                    std::to_string(count) + "; save the map again in Tiled");
  return true;
}

// ---- Tilesets

bool read_tileset_node(Reader& r, pugi::xml_node node, const std::string& folder, ReadTileset& set,
                       const std::string& where) {
  set.name = node.attribute("name").value();
  int spacing = 0, margin = 0, columns = 0, count = 0;
  if (!int_attribute(r, node, "tilewidth", 1, kMostTileEdge, 0, set.tile_width, where) ||
      !int_attribute(r, node, "tileheight", 1, kMostTileEdge, 0, set.tile_height, where) ||
      !int_attribute(r, node, "spacing", 0, kMostTileEdge, 0, spacing, where) ||
      !int_attribute(r, node, "margin", 0, kMostTileEdge, 0, margin, where) ||
      !int_attribute(r, node, "columns", 0, kMostTilesetTiles, 0, columns, where) ||
      !int_attribute(r, node, "tilecount", 0, kMostTilesetTiles, 0, count, where))
    return false;
  if (pugi::xml_node offset = node.child("tileoffset")) {
    if (!int_attribute(r, offset, "x", -kMostTileEdge, kMostTileEdge, 0, set.offset_x, where) ||
        !int_attribute(r, offset, "y", -kMostTileEdge, kMostTileEdge, 0, set.offset_y, where))
      return false;
  }
  pugi::xml_node image = node.child("image");
  if (image) {
    // An atlas: tiles cut from one picture, left to right, top to bottom.
    if (set.tile_width <= 0 || set.tile_height <= 0)
      return r.failed(where + ": the tileset gives no tile size (tilewidth, tileheight)");
    int image_width = 0, image_height = 0;
    if (!int_attribute(r, image, "width", 0, 1 << 16, 0, image_width, where) ||
        !int_attribute(r, image, "height", 0, 1 << 16, 0, image_height, where))
      return false;
    set.transparent = image.attribute("trans").value();
    const std::string picture = joined(folder, image.attribute("source").value());
    if (picture.empty()) return r.failed(where + ": the tileset's <image> names no picture");
    if ((image_width <= 0 || image_height <= 0) && (columns <= 0 || count <= 0)) {
      if (!r.size || !r.size(picture, image_width, image_height, r.context))
        return r.failed(picture + ": the tileset's picture is missing or not a picture; put it there or fix the "
                        "tileset's <image source=...>");
    }
    if (columns <= 0 && image_width > 0) columns = std::max(0, (image_width - 2 * margin + spacing) / (set.tile_width + spacing));
    if (count <= 0 && image_height > 0)
      count = columns * std::max(0, (image_height - 2 * margin + spacing) / (set.tile_height + spacing));
    if (columns <= 0 || count <= 0)
      return r.failed(where + ": the tileset gives no columns or tile count; save it again in Tiled");
    for (int i = 0; i < count; ++i) {
      ReadTile t;
      t.image = picture;
      t.x = margin + (i % columns) * (set.tile_width + spacing);
      t.y = margin + (i / columns) * (set.tile_height + spacing);
      t.width = set.tile_width;
      t.height = set.tile_height;
      set.ids.push_back(i);
      set.tiles.push_back(std::move(t));
    }
    for (pugi::xml_node tile : node.children("tile")) {
      const int id = tile.attribute("id").as_int(-1);
      if (id >= 0 && id < count) read_properties(tile, set.tiles[size_t(id)].properties);
    }
    return true;
  }
  // An image collection: each tile its own picture.
  set.collection = true;
  for (pugi::xml_node tile : node.children("tile")) {
    pugi::xml_node picture = tile.child("image");
    if (!picture) continue;
    int id = 0;
    if (!int_attribute(r, tile, "id", 0, kMostTilesetTiles, 0, id, where)) return false;
    if (set.ids.size() >= size_t(kMostTilesetTiles)) return r.failed(where + ": too many tiles");
    ReadTile t;
    t.image = joined(folder, picture.attribute("source").value());
    if (t.image.empty()) return r.failed(where + ": tile " + std::to_string(id) + "'s <image> names no picture");
    if (!int_attribute(r, picture, "width", 0, 1 << 16, 0, t.width, where) ||
        !int_attribute(r, picture, "height", 0, 1 << 16, 0, t.height, where))
      return false;
    read_properties(tile, t.properties);
    set.ids.push_back(id);
    set.tiles.push_back(std::move(t));
  }
  return true;
}

bool read_tileset(Reader& r, pugi::xml_node node, const std::string& folder, const std::string& map_name) {
  ReadTileset set;
  int first = 0;
  if (!int_attribute(r, node, "firstgid", 1, int(kGidMask), 0, first, map_name)) return false;
  if (first <= 0) return r.failed(map_name + ": a <tileset> gives no firstgid; save the map again in Tiled");
  set.first_gid = uint32_t(first);
  const std::string source = node.attribute("source").value();
  if (source.empty()) {
    if (!read_tileset_node(r, node, folder, set, map_name)) return false;
  } else {
    set.source = joined(folder, source);
    std::string bytes;
    if (!r.load || !r.load(set.source, bytes, r.context))
      return r.failed(set.source + ": the tileset the map names cannot be read (missing?); put it there or fix the "
                      "map's <tileset source=...>");
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size());
    if (!parsed)
      return r.failed(set.source + ": not a tileset, malformed XML at byte " + std::to_string(parsed.offset) + ": " +
                      parsed.description());
    pugi::xml_node root = document.child("tileset");
    if (!root) return r.failed(set.source + ": not a Tiled tileset (no <tileset>)");
    if (!read_tileset_node(r, root, folder_of(set.source), set, set.source)) return false;
  }
  r.map->tilesets.push_back(std::move(set));
  return true;
}

// ---- Layers

struct Inherited {
  bool visible = true;
  double opacity = 1.0, offset_x = 0, offset_y = 0;
};

void common_attributes(pugi::xml_node node, const Inherited& above, ReadLayer& layer) {
  layer.name = node.attribute("name").value();
  layer.visible = above.visible && node.attribute("visible").as_int(1) != 0;
  layer.opacity = above.opacity * std::clamp(number_attribute(node, "opacity", 1.0), 0.0, 1.0);
  layer.offset_x = above.offset_x + number_attribute(node, "offsetx", 0.0);
  layer.offset_y = above.offset_y + number_attribute(node, "offsety", 0.0);
  read_properties(node, layer.properties);
}

bool read_tile_layer(Reader& r, pugi::xml_node node, const Inherited& above, const std::string& name) {
  ReadLayer layer;
  common_attributes(node, above, layer);
  const std::string where = name + ": layer \"" + layer.name + "\"";
  pugi::xml_node data = node.child("data");
  const std::string encoding = data.attribute("encoding").value(), compression = data.attribute("compression").value();
  ReadMap& map = *r.map;
  layer.x = map.origin_x;
  layer.y = map.origin_y;
  layer.width = map.width;
  layer.height = map.height;
  layer.gids.assign(size_t(map.width) * map.height, 0);
  if (!map.infinite) {
    int width = 0, height = 0;
    if (!int_attribute(r, node, "width", 0, kMostTiles, map.width, width, where) ||
        !int_attribute(r, node, "height", 0, kMostTiles, map.height, height, where))
      return false;
    if (width != map.width || height != map.height)
      return r.failed(where + " is " + std::to_string(width) + " x " + std::to_string(height) + " tiles, the map " +
                      std::to_string(map.width) + " x " + std::to_string(map.height) + "; resize it in Tiled");
    if (!data) return r.failed(where + " has no <data>");
    if (!read_gids(r, data, encoding, compression, layer.gids.size(), layer.gids, where)) return false;
  } else {
    // Chunks are laid into the bounding box found before.
    for (pugi::xml_node chunk : data.children("chunk")) {
      int cx = 0, cy = 0, cw = 0, ch = 0;
      if (!int_attribute(r, chunk, "x", -(1 << 24), 1 << 24, 0, cx, where) ||
          !int_attribute(r, chunk, "y", -(1 << 24), 1 << 24, 0, cy, where) ||
          !int_attribute(r, chunk, "width", 1, kMostTiles, 0, cw, where) ||
          !int_attribute(r, chunk, "height", 1, kMostTiles, 0, ch, where))
        return false;
      std::vector<uint32_t> gids;
      if (!read_gids(r, chunk, encoding, compression, size_t(cw) * ch, gids, where)) return false;
      for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
          const int mx = cx + x - map.origin_x, my = cy + y - map.origin_y;
          const uint32_t gid = gids[size_t(y) * cw + x];
          if (gid && mx >= 0 && my >= 0 && mx < map.width && my < map.height) layer.gids[size_t(my) * map.width + mx] = gid;
        }
    }
  }
  map.layers.push_back(std::move(layer));
  return true;
}

bool read_object_layer(Reader& r, pugi::xml_node node, const Inherited& above, const std::string& folder) {
  ReadLayer layer;
  layer.kind = ReadLayer::OBJECTS;
  common_attributes(node, above, layer);
  const bool by_index = std::string(node.attribute("draworder").value()) == "index";
  for (pugi::xml_node object : node.children("object")) {
    pugi::xml_node shape = object;
    ReadObject o;
    // A template gives what the object leaves out (its gid and size).
    const std::string template_name = object.attribute("template").value();
    pugi::xml_document template_document;
    uint32_t template_gid = 0;
    double template_width = 0, template_height = 0;
    pugi::xml_node template_object;
    if (!template_name.empty()) {
      const std::string path = joined(folder, template_name);
      std::string bytes;
      if (!r.load || !r.load(path, bytes, r.context))
        return r.failed(path + ": the object template the map names cannot be read (missing?)");
      if (!template_document.load_buffer(bytes.data(), bytes.size()))
        return r.failed(path + ": not an object template (malformed XML)");
      pugi::xml_node root = template_document.child("template");
      template_object = root.child("object");
      if (!template_object) return r.failed(path + ": not an object template (no <template><object>)");
      template_gid = uint32_t(template_object.attribute("gid").as_ullong(0));
      if (template_gid) {
        // The template's gid counts in its own tileset, added to the map's tilesets.
        pugi::xml_node tileset = root.child("tileset");
        const std::string source = joined(folder_of(path), tileset.attribute("source").value());
        uint32_t first = 0;
        for (const ReadTileset& set : r.map->tilesets)
          if (!set.source.empty() && set.source == source) first = set.first_gid;
        if (!first) {
          uint32_t next = 1;
          for (const ReadTileset& set : r.map->tilesets)
            next = std::max<uint64_t>(next, uint64_t(set.first_gid) + (set.ids.empty() ? 1 : uint32_t(*std::max_element(set.ids.begin(), set.ids.end())) + 1));
          pugi::xml_document added;
          pugi::xml_node t = added.append_child("tileset");
          t.append_attribute("firstgid") = next;
          t.append_attribute("source") = source.c_str();
          if (!read_tileset(r, t, "", path)) return false;
          first = next;
        }
        const uint32_t local = (template_gid & kGidMask) - uint32_t(tileset.attribute("firstgid").as_uint(1));
        template_gid = (template_gid & ~kGidMask) | (first + local);
      }
      template_width = number_attribute(template_object, "width", 0);
      template_height = number_attribute(template_object, "height", 0);
      if (!object.child("ellipse") && !object.child("polygon") && !object.child("polyline") && !object.child("text") &&
          !object.child("point"))
        shape = template_object;
    }
    o.gid = object.attribute("gid") ? uint32_t(object.attribute("gid").as_ullong(0)) : template_gid;
    o.x = number_attribute(object, "x", 0);
    o.y = number_attribute(object, "y", 0);
    o.width = object.attribute("width") ? number_attribute(object, "width", 0) : template_width;
    o.height = object.attribute("height") ? number_attribute(object, "height", 0) : template_height;
    o.rotation = object.attribute("rotation") ? number_attribute(object, "rotation", 0)
                                              : (template_object ? number_attribute(template_object, "rotation", 0) : 0);
    o.visible = object.attribute("visible").as_int(template_object ? template_object.attribute("visible").as_int(1) : 1) != 0;
    if (!o.gid) {
      (void)shape;
      ++r.map->annotations;  // A rectangle, ellipse, point, polygon, polyline or text
      continue;
    }
    layer.objects.push_back(o);
  }
  // Top-down order: drawn by their bottom edge, as Tiled does.
  if (!by_index)
    std::stable_sort(layer.objects.begin(), layer.objects.end(),
                     [](const ReadObject& a, const ReadObject& b) { return a.y < b.y; });
  r.map->layers.push_back(std::move(layer));
  return true;
}

bool read_layers(Reader& r, pugi::xml_node parent, const Inherited& above, const std::string& folder,
                 const std::string& name, int depth) {
  if (depth > kMostNesting) return r.failed(name + ": groups nested more than " + std::to_string(kMostNesting) + " deep");
  for (pugi::xml_node node : parent.children()) {
    const std::string kind = node.name();
    if (kind == "layer") {
      if (!read_tile_layer(r, node, above, name)) return false;
    } else if (kind == "objectgroup") {
      if (!read_object_layer(r, node, above, folder)) return false;
    } else if (kind == "imagelayer") {
      ReadLayer layer;
      layer.kind = ReadLayer::IMAGE;
      common_attributes(node, above, layer);
      layer.image = joined(folder, node.child("image").attribute("source").value());
      if (!layer.image.empty()) r.map->layers.push_back(std::move(layer));
    } else if (kind == "group") {
      ReadLayer group;
      common_attributes(node, above, group);
      const Inherited inner{group.visible, group.opacity, group.offset_x, group.offset_y};
      if (!read_layers(r, node, inner, folder, name, depth + 1)) return false;
    }
  }
  return true;
}

// An infinite map's extent: the bounding box of every chunk of every tile layer.
bool chunk_box(Reader& r, pugi::xml_node parent, int box[4], int depth) {
  if (depth > kMostNesting) return true;
  for (pugi::xml_node node : parent.children()) {
    const std::string kind = node.name();
    if (kind == "group") {
      chunk_box(r, node, box, depth + 1);
      continue;
    }
    if (kind != "layer") continue;
    for (pugi::xml_node chunk : node.child("data").children("chunk")) {
      const long long x = chunk.attribute("x").as_llong(0), y = chunk.attribute("y").as_llong(0);
      const long long w = chunk.attribute("width").as_llong(0), h = chunk.attribute("height").as_llong(0);
      if (w <= 0 || h <= 0 || std::llabs(x) > (1 << 24) || std::llabs(y) > (1 << 24) || w > kMostTiles || h > kMostTiles)
        continue;
      box[0] = std::min<long long>(box[0], x);
      box[1] = std::min<long long>(box[1], y);
      box[2] = std::max<long long>(box[2], x + w);
      box[3] = std::max<long long>(box[3], y + h);
    }
  }
  return true;
}

}  // namespace

int ReadTileset::tile_index(uint32_t local_id) const {
  if (!collection) return local_id < tiles.size() ? int(local_id) : -1;
  for (size_t i = 0; i < ids.size(); ++i)
    if (uint32_t(ids[i]) == local_id) return int(i);
  return -1;
}

const ReadTile* find_tile(const ReadMap& map, uint32_t gid, const ReadTileset** set) {
  gid &= kGidMask;
  if (!gid) return nullptr;
  const ReadTileset* found = nullptr;
  for (const ReadTileset& t : map.tilesets)
    if (t.first_gid <= gid && (!found || t.first_gid > found->first_gid)) found = &t;
  if (set) *set = found;
  if (!found) return nullptr;
  const int index = found->tile_index(gid - found->first_gid);
  return index < 0 ? nullptr : &found->tiles[size_t(index)];
}

bool read_map(const std::string& text, const std::string& folder, FileLoader load, PictureSize size, void* context,
              ReadMap& out, std::string& error) {
  out = ReadMap();
  Reader r;
  r.load = load;
  r.size = size;
  r.context = context;
  r.map = &out;
  const std::string name = "the map";
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
  if (!parsed) {
    error = "malformed XML at byte " + std::to_string(parsed.offset) + ": " + parsed.description() +
            "; open and save the map in Tiled, or fix it by hand";
    return false;
  }
  pugi::xml_node root = document.child("map");
  if (!root) {
    error = "not a Tiled map (no <map> element)";
    return false;
  }
  out.orientation = root.attribute("orientation").value();
  if (out.orientation != "orthogonal") {
    error = "is " + (out.orientation.empty() ? std::string("of no orientation") : out.orientation) +
            "; only orthogonal maps make worlds (Map > Map Properties > Orientation in Tiled, then redraw it)";
    return false;
  }
  out.infinite = root.attribute("infinite").as_int(0) != 0;
  int width = 0, height = 0;
  if (!int_attribute(r, root, "tilewidth", 1, kMostTileEdge, 0, out.tile_width, name) ||
      !int_attribute(r, root, "tileheight", 1, kMostTileEdge, 0, out.tile_height, name) ||
      !int_attribute(r, root, "width", 0, 1 << 24, 0, width, name) ||
      !int_attribute(r, root, "height", 0, 1 << 24, 0, height, name)) {
    error = r.error;
    return false;
  }
  if (out.tile_width <= 0 || out.tile_height <= 0) {
    error = "gives no tile size (tilewidth, tileheight)";
    return false;
  }
  if (out.tile_width != out.tile_height) {
    error = "has tiles of " + std::to_string(out.tile_width) + " x " + std::to_string(out.tile_height) +
            " pixels; a world's cells are square: make the map's tiles square in Tiled";
    return false;
  }
  if (out.infinite) {
    int box[4] = {1 << 25, 1 << 25, -(1 << 25), -(1 << 25)};
    chunk_box(r, root, box, 0);
    if (box[2] <= box[0]) box[0] = box[1] = 0, box[2] = box[3] = 1;
    out.origin_x = box[0];
    out.origin_y = box[1];
    width = box[2] - box[0];
    height = box[3] - box[1];
  }
  if (width < 1 || height < 1 || width > kMostTiles || height > kMostTiles) {
    error = "is " + std::to_string(width) + " x " + std::to_string(height) +
            " tiles; a world holds 1 to 512 x 512: crop or split it in Tiled (Map > Resize Map)";
    return false;
  }
  out.width = width;
  out.height = height;
  if (pugi::xml_attribute background = root.attribute("backgroundcolor"))
    out.has_background = parse_colour(background.value(), out.background);
  read_properties(root, out.properties);
  for (pugi::xml_node tileset : root.children("tileset"))
    if (!read_tileset(r, tileset, folder, name)) {
      error = r.error;
      return false;
    }
  std::stable_sort(out.tilesets.begin(), out.tilesets.end(),
                   [](const ReadTileset& a, const ReadTileset& b) { return a.first_gid < b.first_gid; });
  if (!read_layers(r, root, Inherited(), folder, name, 0)) {
    error = r.error;
    return false;
  }
  return true;
}

}  // namespace tmx
