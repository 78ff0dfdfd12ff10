// worldexport.cpp -- a world as a Tiled map: ground layer, placed objects as tile objects, hidden code layer
//
//   worldexport [--cell PIXELS] [--quiet] [FOLDER] OUT.tmx
//
// Builds the world exactly as simengine's start-up (and worldshot) does, then takes every picture
// from the engine's own drawing on the offscreen platform: each cell's ground as the ground pass
// draws it over black at the cell size (its opacity from the red map included), each placed
// object as the object pass draws it (size, offset and opacity), read back with its alpha by
// drawing it once over black and once over white. Equal pictures become one tile. The map names
// the tilesets OUT-ground.tsx, OUT-objects.tsx and OUT-codes.tsx beside it; the tile pictures lie
// in OUT-tiles/.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "base/notices.h"
#include "base/state.h"
#include "core/engine.h"
#include "core/settings.h"
#include "core/view.h"
#include "formats/tmx.h"
#include "os.h"
#include "services/command_line.h"
#include "services/files.h"
#include "services/grid.h"
#include "services/line_reader.h"
#include "services/offscreen.h"
#include "services/paths.h"
#include "services/pictures.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "tool_common.h"
#include "world/cell_definitions.h"
#include "world/load_screen.h"
#include "world/world.h"
#include "world_scale.h"

namespace {


const char* const kUsage =
    "usage: worldexport [options] [FOLDER] OUT.tmx\n"
    "       worldexport --help | --version\n"
    "\n"
    "Writes the world that FOLDER/DATA/ini.txt describes (FOLDER: the current folder when left out)\n"
    "as an orthogonal Tiled map that Tiled 1.8 opens, built exactly as simengine's start-up builds it:\n"
    "  - the layer \"ground\": each cell's ground picture as the engine draws it at the cell size,\n"
    "    over black, with the cell's opacity from the red map;\n"
    "  - the object layer \"objects\": the placed objects as tile objects, in the engine's drawing\n"
    "    order, at the positions and sizes the engine draws them;\n"
    "  - the hidden layer \"codes\": one flat-colour tile per colour code, the code in the tile's\n"
    "    property \"code\", to see and edit the code map in Tiled.\n"
    "The map's properties carry the seed and object definitions the engine placed the objects with,\n"
    "so that worldimport gives the same world back.\n"
    "The tilesets are OUT-ground.tsx, OUT-objects.tsx and OUT-codes.tsx beside OUT.tmx, their\n"
    "pictures PNG files in the folder OUT-tiles. What a Tiled map cannot say is named in the summary.\n"
    "\n"
    "options:\n"
    "  --cell PIXELS   the edge of a tile (1 to 1024), objects drawn to scale; default RESOLUTION\n"
    "  --quiet         no summary on success\n"
    "  --help          print this text and exit\n"
    "  --version       print the suite's version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the world cannot be read or a file cannot be written, 2 on a\n"
    "usage error.\n";

constexpr int kScreen = 2048;  // The offscreen screen the pictures are drawn on
constexpr int kLargestCell = 1024;

struct Options {
  int cell = 0;  // 0: RESOLUTION
  bool quiet = false;
  std::string folder, out;
};

int usage_error(const std::string& problem) { return svc::usage_error("worldexport", problem, kUsage); }
int fail(const std::string& message) { return tools::fail("worldexport", message); }

// ---- Pictures drawn by the engine's services

// One 3D sprite to draw at its zoomed size and an alpha, as the world drawing draws it.
struct Drawn {
  int sprite3d = 0;
  int width = 0, height = 0;
  int alpha = 255;
};

// Draws the items on the screen over one background, each at its place, and reads the screen back.
bool draw_batch(const std::vector<Drawn>& items, const std::vector<std::pair<int, int>>& places, int32_t background,
                svc::Picture& screen) {
  svc::clear_screen(background);
  svc::start_3d();
  svc::sprite3d_quality(0);
  svc::sprite3d_blending_mode(svc::BLEND_SRC_ALPHA, svc::BLEND_INV_SRC_ALPHA);
  for (size_t i = 0; i < items.size(); ++i)
    svc::display_sprite3d(items[i].sprite3d, places[i].first, places[i].second, items[i].alpha);
  svc::stop_3d();
  return svc::offscreen::read_screen(screen) != 0;
}

// The pictures of the items as the engine draws them: with `with_alpha` each picture's alpha and
// straight colour come from drawing it over black and over white (the difference of the two is
// what the picture lets through); without, the picture over black, opaque. Items are packed in
// rows on the screen, as many as fit a drawing; one larger than the screen is drawn in pieces.
bool capture(const std::vector<Drawn>& items, bool with_alpha, std::vector<svc::Picture>& out) {
  out.assign(items.size(), svc::Picture());
  size_t next = 0;
  svc::Picture black, white;
  while (next < items.size()) {
    std::vector<Drawn> batch;
    std::vector<std::pair<int, int>> places;
    std::vector<size_t> index;
    std::vector<std::pair<int, int>> pieces;  // For one large item: where each piece lies in it
    const Drawn& first = items[next];
    if (first.width > kScreen || first.height > kScreen) {
      for (int y = 0; y < first.height; y += kScreen)
        for (int x = 0; x < first.width; x += kScreen) pieces.push_back({x, y});
      svc::Picture& p = out[next];
      p.width = first.width;
      p.height = first.height;
      p.rgba.assign(size_t(p.width) * p.height * 4, 0);
      for (const auto& piece : pieces) {
        batch = {first};
        places = {{-piece.first, -piece.second}};
        if (!draw_batch(batch, places, svc::rgb(0, 0, 0), black)) return false;
        if (with_alpha && !draw_batch(batch, places, svc::rgb(255, 255, 255), white)) return false;
        const int w = std::min(kScreen, first.width - piece.first), h = std::min(kScreen, first.height - piece.second);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            const size_t from = (size_t(y) * kScreen + x) * 4;
            const size_t to = (size_t(piece.second + y) * p.width + piece.first + x) * 4;
            for (int c = 0; c < 4; ++c) p.rgba[to + c] = black.rgba[from + c];
            if (with_alpha) {
              const int alpha = 255 - std::clamp(int(white.rgba[from + 1]) - int(black.rgba[from + 1]), 0, 255);
              p.rgba[to + 3] = uint8_t(alpha);
              for (int c = 0; c < 3; ++c)
                p.rgba[to + c] = alpha ? uint8_t(std::min(255, (black.rgba[from + c] * 255 + alpha / 2) / alpha)) : 0;
            }
          }
      }
      ++next;
      continue;
    }
    // Shelf packing: left to right, then a new row under the tallest item of the last.
    int x = 0, y = 0, row = 0;
    while (next < items.size()) {
      const Drawn& d = items[next];
      if (d.width > kScreen || d.height > kScreen) break;
      if (x + d.width > kScreen) {
        x = 0;
        y += row;
        row = 0;
      }
      if (y + d.height > kScreen) break;
      batch.push_back(d);
      places.push_back({x, y});
      index.push_back(next);
      x += d.width;
      row = std::max(row, d.height);
      ++next;
    }
    if (!draw_batch(batch, places, svc::rgb(0, 0, 0), black)) return false;
    if (with_alpha && !draw_batch(batch, places, svc::rgb(255, 255, 255), white)) return false;
    for (size_t i = 0; i < batch.size(); ++i) {
      svc::Picture& p = out[index[i]];
      p.width = batch[i].width;
      p.height = batch[i].height;
      p.rgba.resize(size_t(p.width) * p.height * 4);
      for (int row_y = 0; row_y < p.height; ++row_y)
        for (int col = 0; col < p.width; ++col) {
          const size_t from = (size_t(places[i].second + row_y) * kScreen + places[i].first + col) * 4;
          uint8_t* to = &p.rgba[(size_t(row_y) * p.width + col) * 4];
          std::memcpy(to, &black.rgba[from], 4);
          if (!with_alpha) continue;
          const int alpha = 255 - std::clamp(int(white.rgba[from + 1]) - int(black.rgba[from + 1]), 0, 255);
          to[3] = uint8_t(alpha);
          for (int c = 0; c < 3; ++c)
            to[c] = alpha ? uint8_t(std::min(255, (black.rgba[from + c] * 255 + alpha / 2) / alpha)) : 0;
        }
    }
  }
  return true;
}

// ---- Tiles: equal pictures are one tile

struct TileSet {
  std::string name;
  std::vector<svc::Picture> pictures;
  std::vector<std::vector<tmx::Property>> properties;
  std::unordered_map<std::string, int> by_content;  // The picture's size and pixels -> local id
};

std::string content_key(const svc::Picture& p) {
  std::string key(reinterpret_cast<const char*>(p.rgba.data()), p.rgba.size());
  key += std::to_string(p.width) + "x" + std::to_string(p.height);
  return key;
}

int add_tile(TileSet& set, svc::Picture picture, std::vector<tmx::Property> properties) {
  const std::string key = content_key(picture);
  auto found = set.by_content.find(key);
  if (found != set.by_content.end()) return found->second;
  const int id = int(set.pictures.size());
  set.by_content.emplace(key, id);
  set.pictures.push_back(std::move(picture));
  set.properties.push_back(std::move(properties));
  return id;
}

// The flat colour of a code's tile: the colour a nine-digit colour code names ("RRRGGGBBB"),
// otherwise one made from the name's letters.
int32_t code_colour(const std::string& code) {
  if (code.size() == 9 && code.find_first_not_of("0123456789") == std::string::npos) {
    const int r = std::atoi(code.substr(0, 3).c_str()), g = std::atoi(code.substr(3, 3).c_str()),
              b = std::atoi(code.substr(6, 3).c_str());
    if (r < 256 && g < 256 && b < 256) return svc::rgb(r, g, b);
  }
  uint32_t h = 2166136261u;
  for (unsigned char c : code) h = (h ^ c) * 16777619u;
  return svc::rgb(int(h & 0xFF), int((h >> 8) & 0xFF), int((h >> 16) & 0xFF));
}

svc::Picture flat_picture(int32_t colour, int size) {
  svc::Picture p;
  p.width = p.height = size;
  p.rgba.reserve(size_t(size) * size * 4);
  for (int i = 0; i < size * size; ++i)
    p.rgba.insert(p.rgba.end(), {uint8_t(svc::red(colour)), uint8_t(svc::green(colour)), uint8_t(svc::blue(colour)), 255});
  return p;
}

// ---- What worldimport needs to place the objects again as the engine placed them

// A code's tile properties: the code, and its definition's object slots and collision as the cell
// holds them.
std::vector<tmx::Property> definition_properties(const WorldCell& c) {
  std::vector<tmx::Property> properties = {{"code", "", c.code.str()}};
  for (int k = 0; k <= std::min<int>(c.highestChildSlot, 7); ++k) {
    const std::string name = c.childName[k].str();
    properties.push_back({"CHILD" + std::to_string(k + 1), "", name.empty() ? "#" : name});
  }
  properties.push_back({"USECOLLISION", "int", std::to_string(c.useCollision)});
  return properties;
}

// The map's properties that let worldimport place the objects again as the engine's map load
// placed them: the seed (WORLDRANDOM) and, in catalogue order, every object definition a code
// names, one property "definition N" each: "DDENSITY,DGFXSHOW,DFITTOMATRIX,DCENTERFIELD,
// DCOLLISION,DHOTSPOT,DGFXNAME" (DGFXSHOW 1 for an object that is drawn). Only a world loaded from
// a map with WORLDRANDOM set, whose load screen draws nothing, places its objects repeatably.
std::vector<tmx::Property> placement_properties(int columns, int rows) {
  std::vector<tmx::Property> properties;
  bool seeded = false;
  svc::read_pairs("DATA/ini.txt", [&](const std::string& key, const std::string&) { seeded |= key == "WORLDRANDOM"; });
  if (!seeded || engine.labyrinthMode == 1 || svc::find_string(engine.loadScreen, "#", 1) > 0) return properties;
  properties.push_back({"WORLDRANDOM", "int", std::to_string(engine.worldRandom)});
  std::set<std::string> named;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x)
      if (const WorldCell* c = svc::cell(worldState.world, x, y))
        for (int k = 0; k <= std::min<int>(c->highestChildSlot, 7); ++k) named.insert(c->childName[k].str());
  int n = 0;
  for (auto* e = worldState.objectCatalogue.head; e; e = e->next) {
    const ObjectDefinition& d = e->value;
    if (d.objectName == "NOPE" || d.objectName.empty() || d.objectName == "#" || !named.count(d.objectName)) continue;
    const bool drawn = d.show == 1 && d.transparency > 0 && svc::is_sprite(d.sprite);
    const std::string hot_spot = (d.hotSpot == "CENTER" || d.hotSpot == "RIGHT" || d.hotSpot == "BOTTOMLEFT" ||
                                  d.hotSpot == "BOTTOMRIGHT") ? d.hotSpot : "";
    properties.push_back({"definition " + std::to_string(++n), "",
                          std::to_string(d.density) + "," + (drawn ? "1" : "0") + "," + std::to_string(d.fitToCell) +
                              "," + std::to_string(d.centerField) + "," + std::to_string(d.collision) + "," +
                              hot_spot + "," + d.objectName});
  }
  return properties;
}

// ---- Writing

// Writes a text file whole under its name or not at all.
bool write_text(const std::string& path, const std::string& text) {
  const int file = svc::create_replacement(-1, path);
  if (!file) return false;
  if (!svc::write_bytes(file, text.data(), text.size())) {
    svc::discard_file(file);
    return false;
  }
  return svc::close_file(file) != 0;
}

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// What the export found that a Tiled map cannot say.
struct Unsaid {
  int blended = 0;      // Objects with blend factors other than the usual alpha blending
  int translucent = 0;  // Objects drawn with an opacity below 255: baked into their pictures
};

int run(const Options& o) {
  if (svc::file_size("DATA/ini.txt") < 0)
    return fail((o.folder.empty() ? std::string("the current folder") : o.folder) +
                " holds no world (no DATA/ini.txt there); run worldexport in a world folder, or name it: "
                "worldexport FOLDER OUT.tmx");
  read_configuration(svc::current_directory() + "DATA\\ini.txt");
  if (!(engine.resolution > 0.0f))
    return fail("RESOLUTION in DATA/ini.txt is missing or not a positive number of pixels; set it to the cell "
                "size, for example 32");
  svc::offscreen::set_desktop(kScreen, kScreen);
  set_load_screen_wait(0);
  set_fatal_exit_code(1);
  set_fatal_box(false);
  engine_startup(true);

  const int columns = std::min(engine.mapMaxX, svc::grid_max_x(worldState.world)) + 1;
  const int rows = std::min(engine.mapMaxY, svc::grid_max_y(worldState.world)) + 1;
  const int cell = std::min(kLargestCell, o.cell ? o.cell : std::max(1, int(std::lround(engine.resolution))));
  scale_objects(float(cell) / engine.resolution);
  engine.resolution = float(cell);
  ground_refit();
  engine.zoomedCellSize = cell;
  // Every object's 3D sprite at the size it is drawn: what the object pass gives it.
  for (auto* n = worldState.instanceList.head; n; n = n->next)
    if (svc::is_sprite3d(n->value.sprite3d))
      svc::zoom_sprite3d(n->value.sprite3d, std::max(1, int(std::lround(n->value.width))),
                         std::max(1, int(std::lround(n->value.height))));

  // The ground: one drawing per distinct picture and opacity.
  TileSet ground{"ground", {}, {}, {}}, objects{"objects", {}, {}, {}}, codes{"codes", {}, {}, {}};
  std::vector<uint32_t> ground_local(size_t(columns) * rows, 0), code_local(size_t(columns) * rows, 0);
  std::map<std::pair<std::string, int>, size_t> ground_keys;  // (picture, opacity) -> item
  std::vector<Drawn> ground_items;
  std::vector<std::pair<std::string, int>> ground_names;
  std::vector<int> ground_item_of(size_t(columns) * rows, -1);
  std::map<std::string, int> code_ids;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x) {
      const WorldCell* c = svc::cell(worldState.world, x, y);
      if (!c || c->loaded != 1) continue;
      const std::string code = c->code.str();
      auto found = code_ids.find(code);
      if (found == code_ids.end()) {
        // Each code its own tile, even where two codes name the same colour.
        found = code_ids.emplace(code, int(codes.pictures.size())).first;
        codes.pictures.push_back(flat_picture(code_colour(code), cell));
        codes.properties.push_back(definition_properties(*c));
      }
      code_local[size_t(y) * columns + x] = uint32_t(found->second) + 1;
      if (c->groundSprite == 0 || c->groundAlpha <= 0) continue;
      const auto key = std::make_pair(c->pictureName.str(), std::min(255, c->groundAlpha));
      auto item = ground_keys.find(key);
      if (item == ground_keys.end()) {
        item = ground_keys.emplace(key, ground_items.size()).first;
        ground_items.push_back({c->groundSprite, cell, cell, key.second});
        ground_names.push_back(key);
      }
      ground_item_of[size_t(y) * columns + x] = int(item->second);
    }
  std::vector<svc::Picture> pictures;
  if (!capture(ground_items, false, pictures)) return fail("the offscreen screen cannot be read");
  std::vector<int> ground_tile(ground_items.size());
  for (size_t i = 0; i < ground_items.size(); ++i)
    ground_tile[i] = add_tile(ground, std::move(pictures[i]),
                              {{"picture", "", ground_names[i].first}, {"opacity", "int", std::to_string(ground_names[i].second)}});
  for (size_t i = 0; i < ground_local.size(); ++i)
    if (ground_item_of[i] >= 0) ground_local[i] = uint32_t(ground_tile[size_t(ground_item_of[i])]) + 1;

  // The objects in the object pass's order: row by row, cell by cell, slot by slot.
  struct Placed {
    size_t item;
    int x, y, width, height;
  };
  std::vector<Drawn> object_items;
  std::vector<Placed> placed;
  Unsaid unsaid;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x) {
      const WorldCell* c = svc::cell(worldState.world, x, y);
      if (!c || c->groundSprite == 0 || c->loaded != 1) continue;
      const int last = std::min(c->lastChildSlot, 7);
      for (int k = 0; k <= last; ++k) {
        const int i = c->childInstance[k];
        if (i == -1) continue;
        const ObjectInstance* instance = svc::select_element(worldState.instanceList, i);
        if (!instance || instance->sprite3d == 0 || instance->show != 1 || instance->transparency <= 0) continue;
        const int w = std::max(1, int(std::lround(instance->width))), h = std::max(1, int(std::lround(instance->height)));
        const bool usual = (instance->blendSource <= 0 && instance->blendTarget <= 0) ||
                           (instance->blendSource == svc::BLEND_SRC_ALPHA && instance->blendTarget == svc::BLEND_INV_SRC_ALPHA);
        if (!usual) ++unsaid.blended;
        if (instance->transparency < 255) ++unsaid.translucent;
        placed.push_back({object_items.size(), svc::round_nearest(x * float(cell) + instance->offsetX),
                          svc::round_nearest(y * float(cell) + instance->offsetY), w, h});
        object_items.push_back({instance->sprite3d, w, h, std::min(255, instance->transparency)});
      }
    }
  std::vector<tmx::Property> placement = placement_properties(columns, rows);
  if (!capture(object_items, true, pictures)) return fail("the offscreen screen cannot be read");
  std::vector<int> object_tile(object_items.size());
  for (size_t i = 0; i < object_items.size(); ++i) object_tile[i] = add_tile(objects, std::move(pictures[i]), {});
  engine_shutdown();

  // The files: pictures and tilesets first, the map last, so that a map on the disk names only
  // what is there.
  std::string stem = tools::file_name(o.out);
  stem = stem.substr(0, stem.size() - 4);
  const std::string folder = tools::parent_folder(o.out);
  const std::string base = folder.empty() ? "" : folder + "/";
  const std::string tiles_folder = stem + "-tiles";
  if (!os::make_folder(base + tiles_folder)) return fail(base + tiles_folder + ": cannot be made: " + os::error_text());

  tmx::Map map;
  map.width = columns;
  map.height = rows;
  map.tile_width = map.tile_height = cell;
  map.properties = {{"made by", "", "worldexport"}};
  for (tmx::Property& p : placement) map.properties.push_back(std::move(p));
  uint32_t first_gid = 1;
  std::vector<uint32_t> first_gids;
  for (TileSet* set : {&ground, &objects, &codes}) {
    tmx::Tileset tileset;
    tileset.name = set->name;
    for (size_t i = 0; i < set->pictures.size(); ++i) {
      const svc::Picture& p = set->pictures[i];
      const std::string name = tiles_folder + "/" + set->name + "-" + std::to_string(i) + ".png";
      if (!svc::write_png(base + name, p)) return fail(base + name + ": cannot be written (no permission or disk full)");
      tileset.tiles.push_back({name, p.width, p.height, set->properties[i]});
      tileset.tile_width = std::max(tileset.tile_width, p.width);
      tileset.tile_height = std::max(tileset.tile_height, p.height);
    }
    if (tileset.tiles.empty()) tileset.tile_width = tileset.tile_height = cell;
    const std::string tsx = stem + "-" + set->name + ".tsx";
    if (!write_text(base + tsx, tmx::write_tileset(tileset)))
      return fail(base + tsx + ": cannot be written (no permission or disk full)");
    map.tilesets.push_back({first_gid, tsx});
    first_gids.push_back(first_gid);
    first_gid += uint32_t(std::max<size_t>(1, set->pictures.size()));
  }
  tmx::Layer ground_layer;
  ground_layer.name = "ground";
  ground_layer.gids = ground_local;
  for (uint32_t& gid : ground_layer.gids)
    if (gid) gid += first_gids[0] - 1;
  tmx::Layer object_layer;
  object_layer.kind = tmx::Layer::OBJECTS;
  object_layer.name = "objects";
  for (const Placed& p : placed)
    object_layer.objects.push_back({first_gids[1] + uint32_t(object_tile[p.item]), p.x, p.y + p.height, p.width, p.height});
  tmx::Layer code_layer;
  code_layer.name = "codes";
  code_layer.visible = false;
  code_layer.gids = code_local;
  for (uint32_t& gid : code_layer.gids)
    if (gid) gid += first_gids[2] - 1;
  map.layers = {std::move(ground_layer), std::move(object_layer), std::move(code_layer)};
  if (!write_text(o.out, tmx::write_map(map))) return fail(o.out + ": cannot be written (no permission or disk full)");

  if (!o.quiet) {
    std::printf("worldexport: %s: %d x %d cells of %d pixels; %zu ground tiles, %zu objects (%zu pictures), %zu colour "
                "codes\n",
                o.out.c_str(), columns, rows, cell, ground.pictures.size(), placed.size(), objects.pictures.size(),
                code_ids.size());
    std::printf("  tilesets %s-ground.tsx, %s-objects.tsx, %s-codes.tsx; pictures in %s/\n", stem.c_str(), stem.c_str(),
                stem.c_str(), tiles_folder.c_str());
    if (unsaid.blended)
      std::printf("  not in the map: %d objects drawn with blend factors other than alpha blending; Tiled draws them "
                  "alpha-blended\n",
                  unsaid.blended);
    if (unsaid.translucent)
      std::printf("  not in the map: %d objects drawn at their own opacity, which no layer opacity expresses; it is "
                  "part of their tile pictures\n",
                  unsaid.translucent);
    std::printf("  the layer \"codes\" is hidden: show it in Tiled to see the colour codes\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::vector<svc::Argument> args;
  const std::string problem = svc::split_arguments(argc, argv, {"--cell"}, {"--quiet", "-q"}, args);
  if (!problem.empty()) return usage_error(problem);
  std::vector<std::string> positional;
  for (const svc::Argument& a : args) {
    if (a.name.empty()) {
      positional.push_back(a.value);
    } else if (a.name == "--cell") {
      if (!tools::parse_number(a.value, 1, kLargestCell, o.cell))
        return usage_error("--cell " + a.value + ": not a number of pixels from 1 to 1024");
    } else if (a.name == "--quiet" || a.name == "-q") {
      o.quiet = true;
    } else {
      return svc::standard_option(a.name, "worldexport", kUsage);
    }
  }
  if (positional.empty() || positional.size() > 2)
    return usage_error(positional.empty() ? "OUT.tmx is needed" : "too many arguments: " + positional[2]);
  o.out = positional.back();
  if (positional.size() == 2) {
    o.folder = positional[0];
    if (o.folder.empty()) return usage_error("FOLDER is empty");
  }
  if (o.out.size() <= 4 || lower(o.out.substr(o.out.size() - 4)) != ".tmx")
    return usage_error(o.out + ": worldexport writes Tiled maps; name it OUT.tmx");
  if (tools::is_folder(o.out))
    return fail(o.out + ": is a folder; name the map, for example " + tools::joined(o.out, "world.tmx"));
  // Every name the user gave is relative to where they are; the world is read from its folder.
  o.out = os::absolute_path(o.out);
  if (!o.folder.empty()) {
    if (!tools::is_folder(o.folder))
      return fail(o.folder + ": " + (tools::exists(o.folder) ? "is a file, not a world folder" : "no such folder"));
    if (!os::change_folder(o.folder)) return fail(o.folder + ": cannot be entered: " + os::error_text());
  }
  return run(o);
}
