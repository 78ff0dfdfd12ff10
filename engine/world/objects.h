// objects.h -- the object catalogue and the random placement of objects on cells
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct ObjectInstance;
struct ObjectDefinition;

void load_object_catalogue();           // WORLDGFX pictures and their ".dll" definitions
struct WorldCell;
void place_cell_objects(WorldCell& cell);  // Draws placements for the cell's CHILD slots
void apply_placement_rules(ObjectInstance& instance, const ObjectDefinition& definition);  // Fit, hot spot, centring
std::string object_definition_path(const std::string& picturePath,
                                   const std::string& gfxCodec);  // Picture path cut at the extension + ".dll"

// The object catalogue by objectName, built when the catalogue loads ("NOPE" is never listed).
struct ObjectNameIndex {
  using Entry = std::pair<const std::string, std::vector<int>>;
  std::unordered_map<std::string, std::vector<int>> byName;  // name -> catalogue positions, in catalogue order
  // The same answers by cell-name number, filled as slots ask: a placement looks a name up
  // without hashing its text. looked[id] is 0 before the first look-up of that name.
  std::vector<const Entry*> byId;
  std::vector<uint8_t> looked;
  // Each definition's picture size by catalogue position, read when the index is built: catalogue
  // pictures are never resized, and a world places hundreds of thousands of instances.
  std::vector<std::pair<float, float>> pictureSizes;
  // Each definition's new instance as the placement rules shape it at cell size shapesResolution,
  // worked out at its first placement: a world places hundreds of thousands of instances of a few
  // definitions. Worked out again when the cell size changes.
  struct Shape {
    float width = 0, height = 0, offsetX = 0, offsetY = 0;
    int32_t edge = -1;  // the drawn size of a fitted instance; -1 when it keeps its picture's size
    bool made = false;
  };
  std::vector<Shape> shapes;
  float shapesResolution = 0;
};
