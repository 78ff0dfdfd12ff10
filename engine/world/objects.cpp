// objects.cpp -- the object catalogue of WORLDGFX and the random placement of objects on cells
//
// Each picture in WORLDGFX has a ".dll" companion of key/value line pairs naming the object and
// saying how dense it grows and how it is drawn. A cell's CHILD slots name objects; for each slot
// every catalogue entry of that name gets one draw from the engine's random generator, and a draw
// of 0 places an instance. Instances are appended to instanceList and addressed by position.
#include "world/objects.h"

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "base/state.h"
#include "formats/map_format.h"
#include "services/directories.h"
#include "services/files.h"
#include "services/line_reader.h"
#include "services/paths.h"
#include "services/random.h"
#include "services/sprites.h"
#include "services/text.h"
#include "world/world.h"

namespace {

// Lists the catalogue's definitions by name; called once the catalogue is loaded.
void index_object_names() {
  ObjectNameIndex& index = worldState.objectNames;
  svc::List<ObjectDefinition>& list = worldState.objectCatalogue;
  index = ObjectNameIndex{};
  svc::rebuild_list_index(list);
  index.pictureSizes.resize(static_cast<size_t>(list.count));
  for (int i = 0; i < list.count; i++) {
    const ObjectDefinition& d = list.index[i]->value;
    if (d.objectName != "NOPE") index.byName[d.objectName].push_back(i);
    index.pictureSizes[static_cast<size_t>(i)] = {static_cast<float>(svc::sprite_width(d.sprite)),
                                                  static_cast<float>(svc::sprite_height(d.sprite))};
  }
}

// The catalogue positions of the definitions a slot name asks for, in catalogue order; nullptr when none.
const std::vector<int>* definitions_named(const CellName& name) {
  ObjectNameIndex& index = worldState.objectNames;
  if (name.id >= index.looked.size()) {
    index.looked.resize(name.id + 1, 0);
    index.byId.resize(name.id + 1, nullptr);
  }
  if (!index.looked[name.id]) {
    auto it = index.byName.find(name.str());
    index.byId[name.id] = it == index.byName.end() ? nullptr : &*it;
    index.looked[name.id] = 1;
  }
  const ObjectNameIndex::Entry* entry = index.byId[name.id];
  return entry ? &entry->second : nullptr;
}

// Position of `needle` in `text` ignoring letter case (0-based); npos when absent.
size_t find_ignoring_case(const std::string& text, const std::string& needle) {
  if (needle.empty() || needle.size() > text.size()) return std::string::npos;
  for (size_t i = 0; i + needle.size() <= text.size(); i++) {
    size_t k = 0;
    while (k < needle.size() &&
           std::tolower(static_cast<unsigned char>(text[i + k])) == std::tolower(static_cast<unsigned char>(needle[k])))
      k++;
    if (k == needle.size()) return i;
  }
  return std::string::npos;
}

// Applies one key/value pair of an object definition file.
void apply_object_key(ObjectDefinition& d, const std::string& key, const std::string& value) {
  if (key == "DGFXNAME")
    d.objectName = (value.empty() || value == "#") ? "NOPE" : value;
  else if (key == "DGFXTRANSPARENCY")
    d.transparency = svc::string_to_int(value);
  else if (key == "DDENSITY")
    d.density = svc::string_to_int(value);
  else if (key == "DFITTOMATRIX")
    d.fitToCell = static_cast<uint8_t>(svc::string_to_int(value));
  else if (key == "DCOLLISION")
    d.collision = static_cast<uint8_t>(svc::string_to_int(value));
  else if (key == "DHOTSPOT")
    d.hotSpot = value;
  else if (key == "DXMODE1")
    d.blendSource = svc::string_to_int(value);
  else if (key == "DXMODE2")
    d.blendTarget = svc::string_to_int(value);
  else if (key == "DGFXSHOW")
    d.show = static_cast<uint8_t>(svc::string_to_int(value));
  else if (key == "DCENTERFIELD")
    d.centerField = static_cast<uint8_t>(svc::string_to_int(value));
}

// The size and offsets the placement rules give an instance of `definition` (its 3D sprite made);
// the edge its sprite is drawn at when fitted to the cell, -1 when it keeps its picture's size.
int apply_shape_rules(ObjectInstance& instance, const ObjectDefinition& definition) {
  const float resolution = engine.resolution;
  int edge = -1;
  if (definition.fitToCell == 1) {
    instance.width = resolution;
    instance.height = resolution;
    edge = svc::round_nearest(resolution);
  }
  const std::string_view hotSpot = definition.hotSpot;  // compared as views: no strlen per call
  if (!hotSpot.empty()) {
    if (hotSpot == "CENTER") {
      instance.offsetX = instance.width / 2.0f;
      instance.offsetY = instance.height / 2.0f;
    } else if (hotSpot == "RIGHT") {
      instance.offsetX = instance.width;
      instance.offsetY = 0.0f;
    } else if (hotSpot == "BOTTOMLEFT") {
      instance.offsetX = 0.0f;
      instance.offsetY = instance.height;
    } else if (hotSpot == "BOTTOMRIGHT") {
      instance.offsetX = instance.width;
      instance.offsetY = instance.height;
    }
  }
  if (definition.centerField == 1) {
    instance.offsetX += resolution / 2.0f;
    instance.offsetY += resolution / 2.0f;
  }
  return edge;
}

// What the placement rules make of a new instance of the definition at catalogue `position`.
const ObjectNameIndex::Shape& new_instance_shape(int position, const ObjectDefinition& d) {
  ObjectNameIndex& index = worldState.objectNames;
  if (index.shapes.size() != index.pictureSizes.size() || index.shapesResolution != engine.resolution) {
    index.shapes.assign(index.pictureSizes.size(), ObjectNameIndex::Shape{});
    index.shapesResolution = engine.resolution;
  }
  ObjectNameIndex::Shape& shape = index.shapes[static_cast<size_t>(position)];
  if (!shape.made) {
    ObjectInstance fresh;
    fresh.width = index.pictureSizes[static_cast<size_t>(position)].first;
    fresh.height = index.pictureSizes[static_cast<size_t>(position)].second;
    shape.edge = apply_shape_rules(fresh, d);
    shape.width = fresh.width;
    shape.height = fresh.height;
    shape.offsetX = fresh.offsetX;
    shape.offsetY = fresh.offsetY;
    shape.made = true;
  }
  return shape;
}

// Appends an instance of the definition at catalogue `position` and points the cell's slot at it.
// The rules' shape of a new instance is worked out once per definition (apply_placement_rules
// gives the same).
void place_instance(WorldCell& c, int slot, int position, const ObjectDefinition& d) {
  ObjectInstance* instance = svc::append_element(worldState.instanceList);
  if (!instance) return;  // out of memory: this placement is skipped
  instance->sprite3d = svc::create_sprite3d(-1, d.sprite);
  instance->transparency = d.transparency;
  instance->blendSource = d.blendSource;
  instance->blendTarget = d.blendTarget;
  instance->show = d.show;
  instance->collision = d.collision;
  c.childInstance[slot] = svc::list_size(worldState.instanceList) - 1;
  c.lastChildSlot = slot;
  c.occupied = 1;
  note_drawing_changed();
  if (instance->sprite3d == 0) {  // no 3D sprite: the picture's size, and no rule applies
    instance->width = worldState.objectNames.pictureSizes[static_cast<size_t>(position)].first;
    instance->height = worldState.objectNames.pictureSizes[static_cast<size_t>(position)].second;
    return;
  }
  const ObjectNameIndex::Shape& shape = new_instance_shape(position, d);
  instance->width = shape.width;
  instance->height = shape.height;
  instance->offsetX = shape.offsetX;
  instance->offsetY = shape.offsetY;
  if (shape.edge >= 0) svc::zoom_sprite3d(instance->sprite3d, shape.edge, shape.edge);
}

// The kept entry of the last catalogue for the same picture path (a rebuild in place); nullptr when none.
ObjectDefinition* kept_object(const std::string& path) {
  for (ObjectDefinition& k : worldState.keptObjects)
    if (k.path == path) return &k;
  return nullptr;
}

// A picture of the folder that does not decode is named; during a rebuild it takes back the
// picture the last catalogue had under that path.
void fall_back_on_kept_picture(ObjectDefinition& d) {
  worldState.unreadableFiles.push_back(d.path);
  ObjectDefinition* kept = kept_object(d.path);
  if (!kept || kept->sprite == 0 || !svc::is_sprite(kept->sprite)) return;
  d.sprite = kept->sprite;
  kept->sprite = 0;
}

// A definition file that is there but cannot be read is named and gives the values it gave the
// last catalogue. (Most pictures have no definition: a missing file is no fault.)
void fall_back_on_kept_definition(ObjectDefinition& d, const std::string& definitionPath) {
  if (svc::file_size(definitionPath) == -1) return;
  worldState.unreadableFiles.push_back(definitionPath);
  const ObjectDefinition* kept = kept_object(d.path);
  if (!kept) return;
  const std::string path = d.path, fileName = d.fileName;
  const int32_t sprite = d.sprite;
  d = *kept;
  d.path = path;
  d.fileName = fileName;
  d.sprite = sprite;
}

}  // namespace

std::string object_definition_path(const std::string& picturePath, const std::string& gfxCodec) {
  // Cut before the first occurrence of the picture extension anywhere in the path. The folder scan
  // matches the extension without regard to case, so "TREE.PNG" is found for ".png"; such a name
  // is cut at its extension too. Without any extension to cut, ".dll" follows the whole path.
  size_t cut = gfxCodec.empty() ? std::string::npos : picturePath.find(gfxCodec);
  if (cut == std::string::npos) cut = find_ignoring_case(picturePath, gfxCodec);
  if (cut == std::string::npos) cut = picturePath.size();
  return picturePath.substr(0, cut) + ".dll";
}

void load_object_catalogue() {
  clear_object_catalogue();
  svc::transparent_sprite_colour(-1, svc::rgb(255, 0, 255));
  if (!svc::examine_directory(0, engine.worldGfx, "*" + engine.gfxCodec)) return;
  while (svc::next_directory_entry(0)) {
    if (svc::directory_entry_type(0) != 1) continue;
    ObjectDefinition* d = svc::append_element(worldState.objectCatalogue);
    if (!d) break;
    d->path = engine.worldGfx + svc::directory_entry_name(0);
    d->fileName = svc::get_file_part(d->path);
    d->sprite = svc::load_sprite(-1, d->path, svc::SPRITE_TEXTURE);
    if (!svc::is_sprite(d->sprite)) fall_back_on_kept_picture(*d);
    const std::string definitionPath = object_definition_path(d->path, engine.gfxCodec);
    if (!svc::read_pairs(definitionPath,
                         [d](const std::string& key, const std::string& value) { apply_object_key(*d, key, value); }))
      fall_back_on_kept_definition(*d, definitionPath);
  }
  svc::finish_directory(0);
  index_object_names();
}

void place_cell_objects(WorldCell& c) {
  static const CellName noObject = cell_name("#");
  note_drawing_changed();  // even when nothing is placed, the cell's objects are gone
  c.occupied = -1;
  c.lastChildSlot = -1;
  int highest = c.highestChildSlot > 7 ? 7 : c.highestChildSlot;
  for (int k = 0; k <= highest; k++) {
    // A slot this placement does not fill keeps what an earlier placement put there (a new grid's
    // slots start empty, -1, so a slot never named points at nothing).
    const CellName& name = c.childName[k];
    // An empty slot name asks for nothing; otherwise a picture without a definition (empty
    // objectName) would grow on every cell that lists no CHILD1.
    if (name.empty() || name == noObject) continue;  // "#" is never an object name (it reads as "NOPE")
    const std::vector<int>* named = definitions_named(name);
    if (!named) continue;
    // Every definition of that name draws; the slot keeps the last placement.
    for (int position : *named) {
      const ObjectDefinition& d = worldState.objectCatalogue.index[position]->value;
      if (svc::random(d.density) != 0) continue;
      place_instance(c, k, position, d);
    }
  }
}

void apply_placement_rules(ObjectInstance& instance, const ObjectDefinition& definition) {
  note_drawing_changed();
  if (!svc::is_sprite3d(instance.sprite3d)) return;
  const int edge = apply_shape_rules(instance, definition);
  if (edge >= 0) svc::zoom_sprite3d(instance.sprite3d, edge, edge);
}
