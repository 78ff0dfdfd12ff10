// cell_definitions.cpp -- reads cell definition files into cells and keeps the ground-picture catalogue
//
// A definition file is a list of key/value line pairs; applying it only overwrites the fields its
// keys name. Many cells share one file (every cell of one colour code), so a file is read and
// parsed once per world build and its recognised pairs are replayed, in file order, on each cell.
#include "world/cell_definitions.h"

#include <unordered_map>
#include <vector>

#include "core/engine_state.h"
#include "formats/map_format.h"
#include "services/files.h"
#include "services/sprites.h"
#include "services/text.h"

namespace {

// The keys a cell definition understands.
enum DefinitionKey : int8_t { KEY_GFXNAME, KEY_CHILD, KEY_RANDOMSEED, KEY_USECOLLISION };

struct DefinitionPair {
  DefinitionKey key;
  int8_t slot;     // 0..7 for CHILD1..CHILD8
  int32_t number;  // the value as an integer, for the numeric keys
  CellName name;   // the value as a name, for GFXNAME and CHILDn
};

}  // namespace

// A definition file's recognised pairs, in file order.
struct CellDefinition {
  bool exists = false;  // false: the file could not be opened, the cell stays as it was
  std::vector<DefinitionPair> pairs;
};

namespace {

std::unordered_map<std::string, CellDefinition> definitionCache;
// The entry used last: neighbouring cells mostly share a code, and a path comparison is cheaper
// than hashing it. Map nodes stay where they are when the map grows.
const std::string* lastPath = nullptr;
const CellDefinition* lastDefinition = nullptr;

// Name -> position of the first catalogue element of that name. Rebuilt when the catalogue's
// shape changed; every hit is checked against the element itself before it is used.
std::unordered_map<std::string, int> groundIndex;
const void* groundIndexHead = nullptr;
const void* groundIndexTail = nullptr;
int groundIndexCount = -1;
int lastGroundPosition = -1;  // the last answer (a first element of its name); -1 after a rebuild

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

// Reads a definition file into its recognised pairs, in file order.
CellDefinition parse_definition(const std::string& path) {
  CellDefinition parsed;
  parsed.exists = svc::read_pairs(path, [&](const std::string& key, const std::string& value) {
    DefinitionPair pair{};
    if (!classify_key(key, pair.key, pair.slot)) return;
    pair.number = svc::string_to_int(value);
    if (pair.key == KEY_GFXNAME || pair.key == KEY_CHILD) pair.name = value;
    parsed.pairs.push_back(std::move(pair));
  });
  return parsed;
}

const CellDefinition& cached_definition(const std::string& path) {
  if (lastPath && *lastPath == path) return *lastDefinition;
  auto it = definitionCache.find(path);
  if (it == definitionCache.end()) it = definitionCache.emplace(path, parse_definition(path)).first;
  lastPath = &it->first;
  lastDefinition = &it->second;
  return it->second;
}

void rebuild_ground_index(svc::List<GroundPicture>& list) {
  groundIndex.clear();
  svc::rebuild_list_index(list);
  for (int i = 0; i < list.count; i++) groundIndex.emplace(list.index[i]->value.fileName, i);
  groundIndexHead = list.head;
  groundIndexTail = list.tail;
  groundIndexCount = list.count;
  lastGroundPosition = -1;
}

// The first catalogue element whose fileName equals the name exactly; nullptr when none.
GroundPicture* find_ground_picture(const std::string& name) {
  svc::List<GroundPicture>& list = worldState.groundCatalogue;
  if (groundIndexHead != list.head || groundIndexTail != list.tail || groundIndexCount != list.count ||
      !list.index_valid)
    rebuild_ground_index(list);
  // Neighbouring cells mostly share their picture: try the last answer first.
  if (lastGroundPosition >= 0 && lastGroundPosition < list.count &&
      list.index[lastGroundPosition]->value.fileName == name)
    return &list.index[lastGroundPosition]->value;
  for (int attempt = 0; attempt < 2; attempt++) {
    auto it = groundIndex.find(name);
    if (it == groundIndex.end()) return nullptr;
    GroundPicture* picture = &list.index[it->second]->value;
    if (picture->fileName == name) {
      lastGroundPosition = it->second;
      return picture;
    }
    rebuild_ground_index(list);  // an element was renamed in place
  }
  return nullptr;
}

}  // namespace

void clear_definition_cache() {
  definitionCache.clear();
  lastPath = nullptr;
  lastDefinition = nullptr;
}

std::string cell_definition_path(const std::string& code) { return engine.rgbCodePath + engine.appStart + "\\" + code; }

void load_ground_catalogue() {
  if (!svc::examine_directory(0, engine.topoGfx, "*" + engine.gfxCodec)) return;
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

const CellDefinition& find_cell_definition(const std::string& definitionPath) {
  return cached_definition(definitionPath);
}

void load_cell_definition(int x, int y, const std::string& definitionPath) {
  if (!svc::cell(worldState.world, x, y)) return;
  apply_cell_definition(x, y, cached_definition(definitionPath));
}

void apply_cell_definition(int x, int y, const CellDefinition& def) {
  WorldCell* c = svc::cell(worldState.world, x, y);
  if (!c || !def.exists) return;
  static const CellName noObject = cell_name("#");
  static const CellName noPicture = cell_name("dummy.png");
  c->highestChildSlot = 0;
  for (const DefinitionPair& pair : def.pairs) {
    switch (pair.key) {
      case KEY_GFXNAME: c->pictureName = pair.name; break;
      case KEY_CHILD:
        c->childName[pair.slot] = pair.name;
        c->childInstance[pair.slot] = -1;
        if (pair.name != noObject) c->highestChildSlot = pair.slot;
        break;
      case KEY_RANDOMSEED: c->randomSeed = pair.number; break;
      case KEY_USECOLLISION: c->useCollision = static_cast<uint8_t>(pair.number); break;
    }
  }
  if (c->pictureName.empty()) c->pictureName = noPicture;
  c->occupied = -1;
}

void assign_ground_sprite(int x, int y, const std::string& pictureName) {
  WorldCell* c = svc::cell(worldState.world, x, y);
  if (!c) return;
  GroundPicture* picture = find_ground_picture(pictureName);
  if (!picture) return;
  if (svc::is_sprite3d(c->groundSprite)) svc::free_sprite3d(c->groundSprite);
  c->groundSprite = svc::create_sprite3d(-1, picture->sprite);
}
