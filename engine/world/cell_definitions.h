// cell_definitions.h -- cell definition files and the ground-picture catalogue
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "world/cell_names.h"

void load_ground_catalogue();                                   // TOPOGFX pictures, once at start-up
void assign_ground_sprite(int x, int y, CellName pictureName);  // A new 3D sprite of that catalogue picture
struct WorldCell;
// The same for a cell already at hand; false (the cell as it was) when the catalogue has no such picture
bool assign_ground_sprite(WorldCell& cell, CellName pictureName);
void ground_refit();                                        // Zooms every ground sprite of the map to RESOLUTION
int ground_edge();  // RESOLUTION in whole pixels, as the drawing rounds it; 0 for a size no int holds
// Records that every ground sprite of the map is zoomed to `edge` (for a build that zooms each as it makes it)
void note_ground_fitted(int edge);
std::string cell_definition_path(const std::string& code);  // RGBCODEPATH + APPSTART + "\" + code

// The keys a cell definition understands, and one recognised key/value pair of a file.
enum DefinitionKey : int8_t { KEY_GFXNAME, KEY_CHILD, KEY_RANDOMSEED, KEY_USECOLLISION };

struct DefinitionPair {
  DefinitionKey key;
  int8_t slot;     // 0..7 for CHILD1..CHILD8
  int32_t number;  // the value as an integer, for the numeric keys
  CellName name;   // the value as a name, for GFXNAME and CHILDn
};

// A definition file's recognised pairs, in file order.
struct CellDefinition {
  bool exists = false;  // false: the file could not be opened, the cell stays as it was
  std::vector<DefinitionPair> pairs;
};

// Loading a cell's definition comes in two halves: finding the parsed definition of a colour code
// (the file cell_definition_path(code), read on first use in a build; valid until the cache is
// cleared) and applying it to a cell. A map load or a labyrinth build finds each code's definition
// once and applies it to the cells of that code; a code's name number is a cheaper key than its
// path when a world has hundreds of thousands of codes.
const CellDefinition& find_code_definition(CellName code);
void apply_cell_definition(WorldCell& cell, const CellDefinition& definition);

// Definition files are parsed once per world build and kept by code (the world record's
// DefinitionCache below); each build empties the cache first (clear_definition_cache, world/world.h).

// The parsed definitions of this build, by code. Many cells share one file (every cell of one
// colour code), so a file is read once and its pairs replayed on each cell.
struct DefinitionCache {
  std::deque<CellDefinition> byCode;  // find_code_definition's, in the order first asked for
  std::vector<int32_t> byCodeId;      // code name number -> position in byCode; -1 not read yet
  std::string codeFolder;             // RGBCODEPATH + APPSTART + "\" that byCode's files were read from
};

// The ground catalogue by file name, built when the catalogue loads.
struct GroundIndex {
  std::unordered_map<std::string, int> firstByName;  // fileName -> position of the first picture of that name
  std::vector<int> byNameId;                         // CellName id -> position; -1 none, -2 not looked up yet
};
