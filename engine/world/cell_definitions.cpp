// cell_definitions.cpp -- reads cell definition files into cells and keeps the ground-picture catalogue
//
// A definition file is a list of key/value line pairs; applying it only overwrites the fields its
// keys name. Many cells share one file (every cell of one colour code), so a file is read and
// parsed once per world build and its recognised pairs are replayed, in file order, on each cell.
#include "world/cell_definitions.h"

#include <algorithm>

#include "base/state.h"
#include "formats/map_format.h"
#include "services/directories.h"
#include "services/files.h"
#include "services/line_reader.h"
#include "services/paths.h"
#include "services/sprites.h"
#include "services/text.h"
#include "world/world.h"

namespace {

// Recognises one key line; false for keys the definition does not know.
bool classify_key(const std::string& key, DefinitionKey& out, int8_t& slot) {
  if (key == "GFXNAME") {
    out = KEY_GFXNAME;
    return true;
  }
  if (key == "RANDOMSEED") {
    out = KEY_RANDOMSEED;
    return true;
  }
  if (key == "USECOLLISION") {
    out = KEY_USECOLLISION;
    return true;
  }
  if (key.size() == 6 && key.compare(0, 5, "CHILD") == 0 && key[5] >= '1' && key[5] <= '8') {
    out = KEY_CHILD;
    slot = static_cast<int8_t>(key[5] - '1');
    return true;
  }
  return false;
}

// Reads a definition file into its recognised pairs, in file order. The pairs gather in a list kept
// between calls and are copied out at their exact number: a world may keep hundreds of thousands
// of definitions.
CellDefinition parse_definition(const std::string& path) {
  static std::vector<DefinitionPair> gathered;
  gathered.clear();
  CellDefinition parsed;
  parsed.exists = svc::read_pairs(path, [](const std::string& key, const std::string& value) {
    DefinitionPair pair{};
    if (!classify_key(key, pair.key, pair.slot)) return;
    pair.number = svc::string_to_int(value);
    if (pair.key == KEY_GFXNAME || pair.key == KEY_CHILD) pair.name = value;
    gathered.push_back(pair);
  });
  parsed.pairs.assign(gathered.begin(), gathered.end());
  return parsed;
}

// A definition file that did not open but is there (a folder in its place, no permission) cannot be
// read: it is named, and gives what the last build read from it, `before` (nullptr when none). A
// missing file is no fault: its cells stay as they are, as at start-up.
void fall_back_when_unreadable(CellDefinition& parsed, const std::string& path, const CellDefinition* before) {
  if (parsed.exists || svc::file_size(path) == -1) return;
  worldState.unreadableFiles.push_back(path);
  if (before) parsed = *before;
}

const CellDefinition* last_definition_by_code(CellName code, const std::string& codeFolder) {
  const DefinitionCache& last = worldState.lastDefinitions;
  if (last.codeFolder != codeFolder || code.id >= last.byCodeId.size() || last.byCodeId[code.id] < 0) return nullptr;
  return &last.byCode[static_cast<size_t>(last.byCodeId[code.id])];
}

// RGBCODEPATH + APPSTART + "\" + code, into `path`.
void definition_path_into(std::string& path, const std::string& code) {
  path.assign(engine.rgbCodePath).append(engine.appStart).append("\\").append(code);
}

// Lists the catalogue's pictures by file name; the first of a name is the one that counts.
void index_ground_catalogue() {
  GroundIndex& index = worldState.groundNames;
  svc::List<GroundPicture>& list = worldState.groundCatalogue;
  index = GroundIndex{};
  svc::rebuild_list_index(list);
  for (int i = 0; i < list.count; i++) index.firstByName.emplace(list.index[i]->value.fileName, i);
}

// The first catalogue element whose fileName equals the name exactly; nullptr when none. Each name
// is looked up once; its answer is kept under the name's number.
GroundPicture* find_ground_picture(CellName name) {
  GroundIndex& index = worldState.groundNames;
  svc::List<GroundPicture>& list = worldState.groundCatalogue;
  if (name.id >= index.byNameId.size()) index.byNameId.resize(name.id + 1, -2);
  int& position = index.byNameId[name.id];
  if (position == -2) {
    auto it = index.firstByName.find(name.str());
    position = it == index.firstByName.end() ? -1 : it->second;
  }
  return position >= 0 ? &list.index[position]->value : nullptr;
}

}  // namespace

std::string cell_definition_path(const std::string& code) {
  std::string path;
  definition_path_into(path, code);
  return path;
}

void load_ground_catalogue() {
  if (svc::examine_directory(0, engine.topoGfx, "*" + engine.gfxCodec)) {
    while (svc::next_directory_entry(0)) {
      if (svc::directory_entry_type(0) != 1) continue;
      GroundPicture* picture = svc::append_element(worldState.groundCatalogue);
      if (!picture) break;
      std::string name = svc::directory_entry_name(0);
      picture->path = engine.topoGfx + name;
      picture->sprite = svc::load_sprite(-1, picture->path, svc::SPRITE_TEXTURE);
      picture->fileName = svc::get_file_part(name);
    }
    svc::finish_directory(0);
  }
  index_ground_catalogue();
}

const CellDefinition& find_code_definition(CellName code) {
  DefinitionCache& cache = worldState.definitions;
  if (code.id >= cache.byCodeId.size())
    cache.byCodeId.resize(std::max<size_t>(code.id + 1, cache.byCodeId.size() * 2), -1);
  int32_t& position = cache.byCodeId[code.id];
  if (position < 0) {
    position = static_cast<int32_t>(cache.byCode.size());
    if (cache.byCode.empty()) cache.codeFolder = engine.rgbCodePath + engine.appStart + "\\";
    // The path is built in one buffer kept between calls: one allocation per load, not one per code.
    static std::string path;
    definition_path_into(path, code.str());
    cache.byCode.push_back(parse_definition(path));
    CellDefinition& parsed = cache.byCode.back();
    if (!parsed.exists) fall_back_when_unreadable(parsed, path, last_definition_by_code(code, cache.codeFolder));
  }
  return cache.byCode[static_cast<size_t>(position)];
}

void apply_cell_definition(WorldCell& c, const CellDefinition& def) {
  if (!def.exists) return;
  static const CellName noObject = cell_name("#");
  static const CellName noPicture = cell_name("dummy.png");
  c.highestChildSlot = 0;
  for (const DefinitionPair& pair : def.pairs) {
    switch (pair.key) {
      case KEY_GFXNAME: c.pictureName = pair.name; break;
      case KEY_CHILD:
        c.childName[pair.slot] = pair.name;
        c.childInstance[pair.slot] = -1;
        if (pair.name != noObject) c.highestChildSlot = pair.slot;
        break;
      case KEY_RANDOMSEED: c.randomSeed = pair.number; break;
      case KEY_USECOLLISION: c.useCollision = static_cast<uint8_t>(pair.number); break;
    }
  }
  if (c.pictureName.empty()) c.pictureName = noPicture;
  c.occupied = -1;
  note_drawing_changed();  // `occupied` and the objects' names changed: drawing kept is out of date
}

void assign_ground_sprite(int x, int y, CellName pictureName) {
  if (WorldCell* c = svc::cell(worldState.world, x, y)) assign_ground_sprite(*c, pictureName);
}

bool assign_ground_sprite(WorldCell& c, CellName pictureName) {
  GroundPicture* picture = find_ground_picture(pictureName);
  if (!picture) return false;
  note_drawing_changed();
  // A cell that has a 3D sprite keeps its number and takes the new picture in it: a labyrinth build
  // sets most cells two or three times. 0 is never a 3D sprite.
  if (c.groundSprite != 0 && svc::is_sprite3d(c.groundSprite)) {
    if (!svc::create_sprite3d(c.groundSprite, picture->sprite)) c.groundSprite = 0;
    return true;
  }
  c.groundSprite = svc::create_sprite3d(-1, picture->sprite);
  return true;
}

int ground_edge() {
  const float res = engine.resolution;
  return (res > -1.0e9f && res < 1.0e9f) ? svc::round_nearest(res) : 0;
}

void note_ground_fitted(int edge) {
  note_drawing_changed();
  engine.zoomedCellSize = edge;
}

void ground_refit() {
  const int edge = ground_edge();
  const int maxX = std::min(engine.mapMaxX, svc::grid_max_x(worldState.world));
  const int maxY = std::min(engine.mapMaxY, svc::grid_max_y(worldState.world));
  for (int x = 0; x <= maxX; x++) {
    for (int y = 0; y <= maxY; y++) {
      const WorldCell* cell = svc::cell(worldState.world, x, y);
      if (cell && cell->groundSprite != 0 && cell->groundAlpha > 0) svc::zoom_sprite3d(cell->groundSprite, edge, edge);
    }
  }
  note_ground_fitted(edge);
}
