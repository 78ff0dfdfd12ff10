// exported_placement.cpp -- a map worldexport wrote, checked against the engine's placement replayed
#include "exported_placement.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "services/text.h"

namespace tools {
namespace {

bool whole_number(const std::string& text, long low, long high, long& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return errno == 0 && *end == '\0' && value >= low && value <= high;
}

// "DDENSITY,DGFXSHOW,DFITTOMATRIX,DCENTERFIELD,DCOLLISION,DHOTSPOT,DGFXNAME"; the name is the rest.
bool parse_definition(const std::string& text, CarriedDefinition& d) {
  std::vector<std::string> fields;
  size_t from = 0;
  for (int i = 0; i < 6; ++i) {
    const size_t comma = text.find(',', from);
    if (comma == std::string::npos) return false;
    fields.push_back(text.substr(from, comma - from));
    from = comma + 1;
  }
  long density = 0, drawn = 0, fit = 0, center = 0, collision = 0;
  if (!whole_number(fields[0], INT32_MIN, INT32_MAX, density) || !whole_number(fields[1], 0, 1, drawn) ||
      !whole_number(fields[2], 0, 255, fit) || !whole_number(fields[3], 0, 255, center) ||
      !whole_number(fields[4], 0, 255, collision))
    return false;
  d.hot_spot = fields[5];
  if (!d.hot_spot.empty() && d.hot_spot != "CENTER" && d.hot_spot != "RIGHT" && d.hot_spot != "BOTTOMLEFT" &&
      d.hot_spot != "BOTTOMRIGHT")
    return false;
  d.placement.name = text.substr(from);
  d.placement.density = int32_t(density);
  d.drawn = drawn == 1;
  d.fit = int(fit);
  d.center = int(center);
  d.collision = int(collision);
  return !d.placement.name.empty();
}

const tmx::Property* property(const std::vector<tmx::Property>& list, const std::string& name) {
  for (const tmx::Property& p : list)
    if (p.name == name) return &p;
  return nullptr;
}

// Where the engine draws an instance of `d` shown at width x height on cell (x, y) of `cell` pixels:
// its offsets as the placement rules give them, rounded as drawing positions are.
void drawn_place(const CarriedDefinition& d, int x, int y, int cell, int width, int height, int& px, int& py) {
  const float w = d.fit == 1 ? float(cell) : float(width), h = d.fit == 1 ? float(cell) : float(height);
  float ox = 0, oy = 0;
  if (d.hot_spot == "CENTER") ox = w / 2.0f, oy = h / 2.0f;
  if (d.hot_spot == "RIGHT") ox = w;
  if (d.hot_spot == "BOTTOMLEFT") oy = h;
  if (d.hot_spot == "BOTTOMRIGHT") ox = w, oy = h;
  if (d.center == 1) ox += float(cell) / 2.0f, oy += float(cell) / 2.0f;
  px = svc::round_nearest(x * float(cell) + ox);
  py = svc::round_nearest(y * float(cell) + oy);
}

bool check(const tmx::ReadMap& map, const std::vector<std::string>& cell_codes, CarriedPlacement& p) {
  const int W = map.width, H = map.height, T = map.tile_width;
  // The definitions, numbered from 1 without a gap.
  for (int n = 1;; ++n) {
    const tmx::Property* d = property(map.properties, "definition " + std::to_string(n));
    if (!d) break;
    CarriedDefinition definition;
    if (!parse_definition(d->value, definition))
      return p.why_not = "its property \"definition " + std::to_string(n) + "\" is not as worldexport wrote it", false;
    p.definitions.push_back(definition);
  }
  // Every cell has a code whose tile carries its definition.
  std::vector<int> code_index(cell_codes.size(), -1);
  std::map<std::string, int> indices;
  std::vector<ReplaySlots> slots;
  for (size_t i = 0; i < cell_codes.size(); ++i) {
    const auto code = p.codes.find(cell_codes[i]);
    if (code == p.codes.end()) return p.why_not = "the layer \"codes\" leaves cells without a code", false;
    auto found = indices.emplace(cell_codes[i], int(slots.size()));
    if (found.second) slots.push_back(code->second.slots);
    code_index[i] = found.first->second;
  }
  // The visible layers: the ground's tile layer, then at most one object layer, both as worldexport
  // wrote them.
  int ground = -1;
  for (size_t i = 0; i < map.layers.size(); ++i) {
    const tmx::ReadLayer& layer = map.layers[i];
    if (!layer.visible) continue;
    const bool plain = layer.opacity == 1.0 && layer.offset_x == 0 && layer.offset_y == 0;
    if (ground < 0 && layer.kind == tmx::ReadLayer::TILES && plain && layer.x == 0 && layer.y == 0 &&
        layer.width == W && layer.height == H)
      ground = int(i);
    else if (ground >= 0 && p.object_layer < 0 && layer.kind == tmx::ReadLayer::OBJECTS && plain)
      p.object_layer = int(i);
    else
      return p.why_not = "its layers are not the ground and objects worldexport wrote", false;
  }
  if (ground < 0) return p.why_not = "it has no ground layer", false;
  // One ground tile per code, of the cell's size and on its cell.
  const tmx::ReadLayer& g = map.layers[size_t(ground)];
  std::vector<int64_t> ground_of(slots.size(), -1);
  for (size_t i = 0; i < g.gids.size(); ++i) {
    const uint32_t gid = g.gids[i];
    if (gid & tmx::kGidMask) {
      const tmx::ReadTileset* set = nullptr;
      const tmx::ReadTile* tile = tmx::find_tile(map, gid, &set);
      if (!tile || tile->width < 1 || tile->width > T || tile->height < 1 || tile->height > T || set->offset_x ||
          set->offset_y)
        return p.why_not = "its ground tiles are not of the cell's size", false;
    }
    int64_t& first = ground_of[size_t(code_index[i])];
    if (first == -1) first = gid;
    if (first != int64_t(gid)) return p.why_not = "cells of one code show different ground tiles", false;
  }
  // The placement, in the order the engine draws it: row by row, cell by cell, slot by slot.
  std::vector<ReplayDefinition> catalogue;
  for (const CarriedDefinition& d : p.definitions) catalogue.push_back(d.placement);
  const std::vector<ReplayCell> cells = replay_placement(uint32_t(p.seed), catalogue, slots, code_index, W, H);
  static const std::vector<tmx::ReadObject> kNone;
  const std::vector<tmx::ReadObject>& objects =
      p.object_layer >= 0 ? map.layers[size_t(p.object_layer)].objects : kNone;
  size_t next = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      for (int position : cells[size_t(y) * W + x]) {
        if (position < 0 || !p.definitions[size_t(position)].drawn) continue;
        CarriedDefinition& d = p.definitions[size_t(position)];
        while (next < objects.size() && !objects[next].visible) ++next;
        if (next == objects.size()) return p.why_not = "it shows fewer objects than the placement gives", false;
        const tmx::ReadObject& o = objects[next++];
        const tmx::ReadTileset* set = nullptr;
        if (!tmx::find_tile(map, o.gid, &set) || set->offset_x || set->offset_y || o.rotation != 0 ||
            o.width != std::floor(o.width) || o.height != std::floor(o.height) || o.width <= 0 || o.height <= 0 ||
            o.x != std::floor(o.x) || o.y != std::floor(o.y))
          return p.why_not = "an object is turned, offset or not on whole pixels", false;
        const int w = int(o.width), h = int(o.height);
        if (d.gid == 0) {
          if (d.fit == 1 && (w != T || h != T))
            return p.why_not = "an object that fills its cell is shown at another size", false;
          d.gid = o.gid, d.width = w, d.height = h;
          if (d.fit != 1 || !d.hot_spot.empty() || d.center == 1) p.objects_at_scale = true;
        }
        int px = 0, py = 0;
        drawn_place(d, x, y, T, w, h, px, py);
        if (o.gid != d.gid || w != d.width || h != d.height || int(o.x) - map.origin_x * T != px ||
            int(o.y) - h - map.origin_y * T != py)
          return p.why_not = "its objects are not where the world's placement puts them (moved or edited in Tiled?)",
                 false;
      }
  while (next < objects.size() && !objects[next].visible) ++next;
  if (next != objects.size()) return p.why_not = "it shows more objects than the placement gives", false;
  return true;
}

}  // namespace

CarriedPlacement check_carried_placement(const tmx::ReadMap& map, const std::vector<std::string>& cell_codes) {
  CarriedPlacement p;
  const tmx::Property* seed = property(map.properties, "WORLDRANDOM");
  long value = 0;
  if (!seed) return p;
  if (!whole_number(seed->value, INT32_MIN, INT32_MAX, value)) {
    p.why_not = "its property WORLDRANDOM is not a whole number";
    return p;
  }
  p.seed = int32_t(value);
  // The definitions of the codes, from the code tiles' properties.
  for (const tmx::ReadTileset& set : map.tilesets)
    for (const tmx::ReadTile& tile : set.tiles) {
      const tmx::Property* code = property(tile.properties, "code");
      if (!code) continue;
      CarriedCode carried;
      for (int k = 1; k <= 8; ++k) {
        const tmx::Property* child = property(tile.properties, "CHILD" + std::to_string(k));
        if (!child) break;
        carried.slots.push_back(child->value);
      }
      long collision = 0;
      const tmx::Property* use = property(tile.properties, "USECOLLISION");
      if (use && whole_number(use->value, 0, 255, collision)) carried.collision = int(collision);
      p.codes.emplace(code->value, carried);
    }
  p.used = check(map, cell_codes, p);
  return p;
}

}  // namespace tools
