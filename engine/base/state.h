// state.h -- simengine's one record of settings and run state
//
// EngineState lasts the whole run; the loaded world, which a labyrinth rebuild replaces, is the
// World record above it (world/world.h). This record and the fatal codes are the engine's base:
// the world and the core include them, they include neither.
#pragma once
#include <cstdint>
#include <string>

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
  int8_t liveReload = 1;  // LIVERELOAD: 0 stops following the world's files
  int8_t frameCache = 1;  // FRAMECACHE: 1 keeps the world drawing in blocks; 0 (or 2) draws cell by cell

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
  int8_t variantPaged = 0;  // 1 once a Page key built a variant: a rebuild in place builds that one again
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

  // Smoothing pass handles kept between frames
  int32_t grabSprite = 0, grabSprite3D = 0;

  // Load screen
  int32_t loadScreenSprite = 0, loadScreenSprite3D = 0;

  // Set for a run without a window (the world dump): no window, screen, picture or wait
  int8_t windowless = 0;
};

extern EngineState engine;

// Zero-fills EngineState (start of a run, when the services have just started; tests). The
// world has its own: forget_world (world/world.h).
void reset_engine_state();

void compute_view_cells();  // cellsAcross, cellsDown from the screen size and RESOLUTION
