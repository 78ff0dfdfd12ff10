// tmx_write.cpp -- writes TMX maps and TSX tilesets through pugixml, in the form Tiled 1.8 saves them
#include "formats/tmx.h"

#include <pugixml.hpp>

#include <sstream>

namespace tmx {

namespace {

constexpr const char* kVersion = "1.8";
constexpr const char* kTiledVersion = "1.8.2";

void add_properties(pugi::xml_node parent, const std::vector<Property>& properties) {
  if (properties.empty()) return;
  pugi::xml_node list = parent.append_child("properties");
  for (const Property& p : properties) {
    pugi::xml_node node = list.append_child("property");
    node.append_attribute("name") = p.name.c_str();
    if (!p.type.empty() && p.type != "string") node.append_attribute("type") = p.type.c_str();
    node.append_attribute("value") = p.value.c_str();
  }
}

// Tiled's CSV: one row of the layer a line, every value followed by a comma but the very last.
std::string csv(const std::vector<uint32_t>& gids, int width) {
  std::string text = "\n";
  text.reserve(gids.size() * 4 + 2);
  for (size_t i = 0; i < gids.size(); ++i) {
    text += std::to_string(gids[i]);
    if (i + 1 < gids.size()) text += ',';
    if (width > 0 && (i + 1) % size_t(width) == 0) text += '\n';
  }
  if (text.back() != '\n') text += '\n';
  return text;
}

std::string saved(const pugi::xml_document& document) {
  std::ostringstream out;
  document.save(out, " ", pugi::format_default, pugi::encoding_utf8);
  return out.str();
}

pugi::xml_document start_document() {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "UTF-8";
  return document;
}

}  // namespace

std::string write_map(const Map& map) {
  pugi::xml_document document = start_document();
  pugi::xml_node root = document.append_child("map");
  root.append_attribute("version") = kVersion;
  root.append_attribute("tiledversion") = kTiledVersion;
  root.append_attribute("orientation") = "orthogonal";
  root.append_attribute("renderorder") = "right-down";
  root.append_attribute("width") = map.width;
  root.append_attribute("height") = map.height;
  root.append_attribute("tilewidth") = map.tile_width;
  root.append_attribute("tileheight") = map.tile_height;
  root.append_attribute("infinite") = 0;
  size_t objects = 0;
  for (const Layer& layer : map.layers) objects += layer.objects.size();
  root.append_attribute("nextlayerid") = unsigned(map.layers.size() + 1);
  root.append_attribute("nextobjectid") = static_cast<unsigned long long>(objects + 1);
  add_properties(root, map.properties);
  for (const TilesetReference& t : map.tilesets) {
    pugi::xml_node node = root.append_child("tileset");
    node.append_attribute("firstgid") = t.first_gid;
    node.append_attribute("source") = t.source.c_str();
  }
  unsigned layer_id = 1, object_id = 1;
  for (const Layer& layer : map.layers) {
    pugi::xml_node node = root.append_child(layer.kind == Layer::TILES ? "layer" : "objectgroup");
    node.append_attribute("id") = layer_id++;
    node.append_attribute("name") = layer.name.c_str();
    if (layer.kind == Layer::TILES) {
      node.append_attribute("width") = map.width;
      node.append_attribute("height") = map.height;
    }
    if (!layer.visible) node.append_attribute("visible") = 0;
    if (layer.kind == Layer::OBJECTS) node.append_attribute("draworder") = "index";
    add_properties(node, layer.properties);
    if (layer.kind == Layer::TILES) {
      pugi::xml_node data = node.append_child("data");
      data.append_attribute("encoding") = "csv";
      data.append_child(pugi::node_pcdata).set_value(csv(layer.gids, map.width).c_str());
    } else {
      for (const TileObject& o : layer.objects) {
        pugi::xml_node object = node.append_child("object");
        object.append_attribute("id") = object_id++;
        object.append_attribute("gid") = o.gid;
        object.append_attribute("x") = o.x;
        object.append_attribute("y") = o.y;
        object.append_attribute("width") = o.width;
        object.append_attribute("height") = o.height;
      }
    }
  }
  return saved(document);
}

std::string write_tileset(const Tileset& tileset) {
  pugi::xml_document document = start_document();
  pugi::xml_node root = document.append_child("tileset");
  root.append_attribute("version") = kVersion;
  root.append_attribute("tiledversion") = kTiledVersion;
  root.append_attribute("name") = tileset.name.c_str();
  root.append_attribute("tilewidth") = tileset.tile_width;
  root.append_attribute("tileheight") = tileset.tile_height;
  root.append_attribute("tilecount") = unsigned(tileset.tiles.size());
  root.append_attribute("columns") = 0;
  pugi::xml_node grid = root.append_child("grid");
  grid.append_attribute("orientation") = "orthogonal";
  grid.append_attribute("width") = 1;
  grid.append_attribute("height") = 1;
  for (size_t i = 0; i < tileset.tiles.size(); ++i) {
    const TileImage& t = tileset.tiles[i];
    pugi::xml_node tile = root.append_child("tile");
    tile.append_attribute("id") = unsigned(i);
    add_properties(tile, t.properties);
    pugi::xml_node image = tile.append_child("image");
    image.append_attribute("width") = t.width;
    image.append_attribute("height") = t.height;
    image.append_attribute("source") = t.source.c_str();
  }
  return saved(document);
}

}  // namespace tmx
