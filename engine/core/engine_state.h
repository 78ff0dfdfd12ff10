// engine_state.h -- simengine's one record of settings and run state, and the world it holds
//
// EngineState lasts the whole run; the World below is the loaded world, replaced by each
// labyrinth build. Both are defined once, in engine_state.cpp.
#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>
#include "services/grid.h"
#include "services/list.h"

// A name that many cells share (object and picture names from definition files). Its text is
// kept once in a program-wide table that only grows (a world names few distinct objects and
// pictures) and the cell holds the text's number: a 513 x 513 grid stays small, and copying a
// name is copying a number. It reads as a const std::string& and is assigned from text. The
// table is not locked: names are assigned from one thread.
struct CellName {
  uint32_t id = 0;  // number of the text in the table; 0 is ""

  CellName& operator=(const std::string& text);
  CellName& operator=(const char* text);
  const std::string& str() const;  // The text
  operator const std::string&() const { return str(); }
  bool empty() const { return id == 0; }
  size_t size() const { return str().size(); }
  const char* c_str() const { return str().c_str(); }
};

CellName cell_name(const std::string& text);  // The name with this text (entered in the table when new)

inline bool operator==(const CellName& a, const CellName& b) { return a.id == b.id; }
inline bool operator!=(const CellName& a, const CellName& b) { return a.id != b.id; }
inline bool operator==(const CellName& a, const std::string& b) { return a.str() == b; }
inline bool operator==(const std::string& a, const CellName& b) { return a == b.str(); }
inline bool operator!=(const CellName& a, const std::string& b) { return a.str() != b; }
inline bool operator!=(const std::string& a, const CellName& b) { return a != b.str(); }
inline bool operator==(const CellName& a, const char* b) { return a.str() == b; }
inline bool operator==(const char* a, const CellName& b) { return a == b.str(); }
inline bool operator!=(const CellName& a, const char* b) { return a.str() != b; }
inline bool operator!=(const char* a, const CellName& b) { return a != b.str(); }
inline std::string operator+(const CellName& a, const std::string& b) { return a.str() + b; }
inline std::string operator+(const std::string& a, const CellName& b) { return a + b.str(); }
inline std::string operator+(const CellName& a, const char* b) { return a.str() + b; }
inline std::string operator+(const char* a, const CellName& b) { return a + b.str(); }
std::ostream& operator<<(std::ostream& out, const CellName& name);

// One cell of the world grid.
struct WorldCell {
  int32_t childInstance[8] = {};  // position in instanceList per child slot; -1 = none
  CellName childName[8];          // object names from CHILD1..CHILD8; "#" = none
  int32_t lastChildSlot = 0;      // highest slot placed by the last placement; -1 = none
  int32_t groundSprite = 0;       // 3D sprite of the ground picture; 0 = none
  int32_t groundAlpha = 0;        // red-channel value, the ground's alpha
  std::string code;               // colour code or labyrinth tile name (short: kept inline)
  CellName pictureName;           // GFXNAME, "dummy.png" when none
  int32_t randomSeed = 0;         // RANDOMSEED, stored only
  uint8_t useCollision = 0;       // non-zero blocks moves onto the cell
  int8_t occupied = 0;            // -1 after (re)definition, 1 while a colliding object stands on it
  int8_t loaded = 0;              // 1 once the cell belongs to the map or base
  int8_t highestChildSlot = 0;    // last CHILDn key whose value was not "#"
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
  std::string code;
};

// The user's cursor: pixel position on the screen and a move counter.
struct Cursor {
  float x = 0, y = 0;
  int32_t moveCounter = 0;
};

struct SparePair {
  std::string first, second;
};

struct EngineState {
  // Paths and names
  std::string baseDirectory;
  std::string configPath;
  std::string windowTitle;         // APPNAME
  std::string appEntry, appStart;  // APPENTRY, APPSTART
  std::string labyrinthBaseFile;   // SELFCREATEBASE (base +)
  std::string logPath, logFile;    // LOGPATH (base +), LOGFILE
  std::string fontPath, fontSystem, saveGfx, saveEvolution, gfxPath, topo, basicGfx;
  std::string topoGfx, gfxCodec, systemCore, coreName, rgbCodePath, worldGfx;
  std::string loadScreen, loadAnim, cursorName;

  // Switches
  int8_t labyrinthMode = 0;
  int8_t useSprite3D = 0;
  int8_t smoothingPass = 1;
  int8_t multicore = 1;
  int8_t useLogFile = 0;
  int8_t useFullMatrix = 0;
  int32_t eventWaitMs = 0;

  // Display
  float screenWidth = 1.0f, screenHeight = 1.0f;
  int32_t desktopFrequency = 60;
  int8_t desktopDepth = 24;
  int32_t window = 0;
  int32_t screenResult = 0;

  // View and input
  float resolution = -1.0f;  // RESOLUTION: cell edge in pixels
  int32_t scrollX = 0, scrollY = 0;
  int32_t mapMaxX = 0, mapMaxY = 0;
  float cellsAcross = 0, cellsDown = 0;
  int32_t zoomedCellSize = 1;
  int32_t cursorSpeed = 0, cursorDelay = 0;
  int8_t horizontalMove = 0, verticalMove = 0;
  int8_t joystickPresent = 0;
  int32_t boxRed = 0, boxGreen = 0, boxBlue = 0;

  // Map selection, timing and events
  int32_t baseVariant = 0, builtVariant = 0;
  int32_t refreshPeriod = 60;
  int32_t refreshCounter = 0;
  int32_t InGameRelativeTimer = 0;
  int32_t lastEvent = 0;

  // World parameters
  int32_t mapSizeX = 1, mapSizeY = 1;  // MAPSIZE
  int32_t worldRandom = 0;             // WORLDRANDOM
  int32_t labSwitch = 0;               // LABSWITCH
  int32_t vegiDense = 100;             // VEGIDENSE
  float worldTemperature = 15.0f;      // WORLDTEMPERATURE

  // Labyrinth base
  int32_t baseMaxX = 0, baseMaxY = 0;
  float buildProgress = 1.0f;
  int32_t buildFlipCounter = 0;

  // Map load progress
  float loadProgress = 1.0f;
  int32_t loadFlipCounter = 0;

  // Smoothing pass handles kept between frames
  int32_t grabSprite = 0, grabSprite3D = 0;

  // Load screen
  int32_t loadScreenSprite = 0, loadScreenSprite3D = 0;

  // Set for a run without a window (the world dump): no window, screen, picture or wait
  int8_t windowless = 0;
};

// The loaded world and its lists.
struct World {
  svc::Grid<WorldCell> world;
  svc::List<FloorCell> floorList;
  svc::List<Cursor> cursorList;
  svc::List<ObjectInstance> instanceList;
  svc::List<ObjectDefinition> objectCatalogue;
  svc::List<GroundPicture> groundCatalogue;
  svc::List<SparePair> spareList;
};

extern EngineState engine;
extern World worldState;

void reset_engine_state();  // Zero-fills both records (start of a run; tests)
void empty_world_lists();   // Empties every list of the world (the grid stays)
