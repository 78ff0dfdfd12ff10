// world.h -- the loaded world: the grid, its lists and catalogues, and what a build keeps beside them
//
// World holds everything that belongs to one loaded map or built base; EngineState
// (base/state.h) holds what lasts the whole run. A labyrinth rebuild replaces the world:
// reset_world() frees what the world owns, the builders refill it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "services/grid.h"
#include "services/list.h"
#include "world/cell_definitions.h"
#include "world/cell_names.h"
#include "world/objects.h"
#include "world/progress_bar.h"

// One cell of the world grid.
struct WorldCell {
  int32_t childInstance[8] = {-1, -1, -1, -1, -1, -1, -1, -1};  // position in instanceList per slot; -1 = none
  CellName childName[8];                                        // object names from CHILD1..CHILD8; "#" = none
  int32_t lastChildSlot = 0;                                    // highest slot placed by the last placement; -1 = none
  int32_t groundSprite = 0;                                     // 3D sprite of the ground picture; 0 = none
  int32_t groundAlpha = 0;                                      // red-channel value, the ground's alpha
  CellName code;                                                // colour code or labyrinth tile name
  CellName pictureName;                                         // GFXNAME, "dummy.png" when none
  int32_t randomSeed = 0;                                       // RANDOMSEED, stored only
  uint8_t useCollision = 0;                                     // non-zero blocks moves onto the cell
  int8_t occupied = 0;          // -1 after (re)definition, 1 while a colliding object stands on it
  int8_t loaded = 0;            // 1 once the cell belongs to the map or base
  int8_t highestChildSlot = 0;  // last CHILDn key whose value was not "#"
};

// A ground picture of the TOPOGFX folder.
struct GroundPicture {
  std::string path;
  int32_t sprite = 0;
  std::string fileName;
};

// An object picture of the WORLDGFX folder with its ".dll" definition.
struct ObjectDefinition {
  std::string path;
  std::string fileName;
  int32_t sprite = 0;
  std::string objectName;
  int32_t transparency = 0;
  int32_t density = 0;
  uint8_t fitToCell = 0;
  uint8_t collision = 0;
  std::string hotSpot;
  int32_t blendSource = 0;
  int32_t blendTarget = 0;
  uint8_t show = 0;
  uint8_t centerField = 0;
};

// One placed object; its position in instanceList is its identity.
struct ObjectInstance {
  uint8_t show = 0;
  int32_t transparency = 0;
  int32_t sprite3d = 0;
  uint8_t collision = 0;
  float width = 0, height = 0;
  float offsetX = 0, offsetY = 0;
  int32_t blendSource = 0;
  int32_t blendTarget = 0;
};

// A carved floor cell of a self-created base.
struct FloorCell {
  int32_t x = 0, y = 0;
  CellName code;
};

// The user's cursor: pixel position on the screen and a move counter.
struct Cursor {
  float x = 0, y = 0;
  int32_t moveCounter = 0;
};

struct SparePair {
  std::string first, second;
};

struct World {
  svc::Grid<WorldCell> world;                   // the grid, indexed (x, y) with y fastest
  svc::List<FloorCell> floorList;               // carved floor cells of a base, in carving order
  svc::List<Cursor> cursorList;                 // one cursor after reset_cursor_list
  svc::List<ObjectInstance> instanceList;       // placed objects; they own their 3D sprites
  svc::List<ObjectDefinition> objectCatalogue;  // WORLDGFX; reloaded by each base rebuild
  svc::List<GroundPicture> groundCatalogue;     // TOPOGFX; loaded once at start-up
  svc::List<SparePair> spareList;               // created, never filled

  ObjectNameIndex objectNames;  // objectCatalogue by name, built when it loads
  GroundIndex groundNames;      // groundCatalogue by file name, built when it loads
  DefinitionCache definitions;  // the definition files parsed during this build
  // What a rebuild in place falls back on when a file that is there can no longer be read: the
  // last build's definitions (kept while files are followed) and, during the rebuild, the last
  // object catalogue (keep_object_catalogue). The files that fell back are named here.
  DefinitionCache lastDefinitions;
  std::vector<ObjectDefinition> keptObjects;
  std::vector<std::string> unreadableFiles;
  ProgressBar loadBar;          // when the map load's bar was last shown
  ProgressBar buildBar;         // the same for the base builds
};

extern World worldState;

// The largest x and y a base can have: the last index of the 257 x 257 grid reset_world makes.
constexpr int kBaseGridMax = 256;

// The world is built by the steps of map_loading.h, labyrinth.h, cell_definitions.h and objects.h,
// which start-up runs through build_world (world_build.h); they call down into this record, never
// the other way.

void reset_cursor_list();  // One cursor at (0, 0)

// ---- Emptying it. Every way the world is emptied lives in world.cpp.

// Frees what a build fills and empties it: the floor list, the placed objects with their 3D
// sprites and the parsed definitions. The grid, the catalogues and the cursor stay: each has its
// own loader (reset_world replaces the grid).
void clear_world();
// Definition files are parsed once per world build and kept by path; each build (map load, base
// build or rebuild) calls this first, so edits made between builds are seen. While the engine follows
// its files (LIVERELOAD), the build's definitions are kept as the last build's instead of dropped: a
// definition file that exists but can no longer be read (a folder in its place, no permission) then
// gives its cells what it gave them before, and is named in worldState.unreadableFiles.
void clear_definition_cache();
void free_ground_sprites();     // Frees every cell's ground sprite; the cells then name none (0)
void clear_object_catalogue();  // Frees the catalogue's pictures and empties it
void clear_ground_catalogue();  // The same for the ground pictures (loaded once, but for a rebuild in place)
// A rebuild in place's object catalogue: keep_object_catalogue takes the loaded one aside, pictures
// and all, so that the next load_object_catalogue gives a picture that no longer decodes, or a
// definition that can no longer be read, what it gave before; release_kept_objects frees what no
// entry took back.
void keep_object_catalogue();
void release_kept_objects();
void clear_world_lists();       // clear_world, then the object catalogue
// A base build's fresh grid: the view back at (0, 0), clear_world, the cells' ground sprites freed
// and a 257 x 257 grid.
void reset_world();
// The same for a build that rewrites every cell of 0..mapMaxX x 0..mapMaxY (just set) itself: those
// cells are left as they are, ground sprite included, for the build to overwrite and reuse (a
// labyrinth rebuild would otherwise free some 66,000 sprites and make as many again).
void reset_world_for_rewrite();
// Frees everything the world holds (grid, sprites, catalogues, lists, the cursor, the bars): the
// record is as after forget_world, and build_world (world_build.h) may run again.
void empty_world();

// ---- What the world drawing shows changed. Every step that changes a cell's ground or objects,
// an instance or their sizes counts here, so that drawing kept from earlier frames is redrawn.
namespace world_detail {
extern uint64_t drawingGeneration;  // see drawing_generation
}
inline void note_drawing_changed() { world_detail::drawingGeneration++; }  // inline: a load notes a million changes
uint64_t drawing_generation();  // Grows with every note_drawing_changed; never repeats within a run
uint64_t world_forget_count();  // Grows with every forget_world: the numbers held before name nothing

// Empties the whole record without freeing anything: at the start of a run, when the services
// have just started and no number the record holds is valid any more (tests run many in one process).
void forget_world();
