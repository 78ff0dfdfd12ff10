// world_reload.cpp -- rebuilds the world in place as start-up would, and puts the view back
//
// The configuration is read into a fresh record; what belongs to the run (the window, the screen,
// the view, the timer, the variant) is carried over from the old one. The random generator is
// seeded as start-up seeded it and the load screen's draw is made again, so every later draw
// (object placement) repeats start-up's: the same files give the same world.
#include "core/world_reload.h"

#include <algorithm>
#include <utility>

#include "base/state.h"
#include "core/settings.h"
#include "core/engine.h"
#include "formats/map_format.h"
#include "os.h"
#include "services/clock.h"
#include "services/files.h"
#include "services/line_reader.h"
#include "services/random.h"
#include "services/sprites.h"
#include "world/cell_definitions.h"
#include "world/load_screen.h"
#include "world/world.h"
#include "world/world_build.h"

namespace {

// What start-up settled: the seed of its first draw and the configured cell size.
struct StartSettings {
  uint32_t seed = 0;
  float resolution = 0;
};
StartSettings start;

// Copies what lasts the whole run from `from` into the freshly configured record `to`.
void keep_run_state(EngineState& to, const EngineState& from) {
  to.windowless = from.windowless;
  to.window = from.window;
  to.screenResult = from.screenResult;
  to.screenWidth = from.screenWidth;
  to.screenHeight = from.screenHeight;
  to.desktopFrequency = from.desktopFrequency;
  to.desktopDepth = from.desktopDepth;
  to.joystickPresent = from.joystickPresent;
  to.scrollX = from.scrollX;
  to.scrollY = from.scrollY;
  to.zoomedCellSize = from.zoomedCellSize;
  to.horizontalMove = from.horizontalMove;
  to.verticalMove = from.verticalMove;
  to.boxRed = from.boxRed;
  to.boxGreen = from.boxGreen;
  to.boxBlue = from.boxBlue;
  to.baseVariant = from.baseVariant;
  to.builtVariant = from.builtVariant;
  to.variantPaged = from.variantPaged;
  to.refreshCounter = from.refreshCounter;
  to.InGameRelativeTimer = from.InGameRelativeTimer;
  to.lastEvent = from.lastEvent;
  to.grabSprite = from.grabSprite;
  to.grabSprite3D = from.grabSprite3D;
  to.loadScreenSprite = from.loadScreenSprite;
  to.loadScreenSprite3D = from.loadScreenSprite3D;
}

// Reads the configuration again into `engine`. False when it cannot be read or gives no usable
// cell size: the old settings then stay whole.
bool reread_configuration(const EngineState& old) {
  engine = EngineState{};
  engine.baseDirectory = old.baseDirectory;
  engine.configPath = old.configPath;
  svc::random_forget();
  const bool read = svc::read_pairs(engine.configPath, apply_configuration);
  if (!read || !(engine.resolution > 0.0f)) {
    engine = old;
    return false;
  }
  keep_run_state(engine, old);
  return true;
}

bool readable(const std::string& path) {
  svc::LineReader file;
  if (!svc::open_line_reader(file, path)) return false;
  svc::close_line_reader(file);
  return true;
}

// The file the world is built from that cannot be read, "" when none: the map or the labyrinth
// base (start-up would stop without it), or a red map that is there but cannot be read (a missing
// one is allowed: no ground is drawn). Without them the whole world stays as it was.
std::string unreadable_world_source() {
  if (engine.labyrinthMode == 1) return readable(engine.labyrinthBaseFile) ? "" : engine.labyrinthBaseFile;
  const std::string map = map_path(engine.appEntry + engine.appStart, MAP_AI);
  if (!readable(map)) return map;
  const std::string red = map_path(engine.appEntry + engine.appStart, MAP_RED);
  if (!readable(red) && svc::file_size(red) != -1) return red;
  return "";
}

// A ground picture kept from the last build: a file of that name that no longer decodes keeps it.
struct KeptPicture {
  std::string fileName, path;
  int32_t sprite;
};

// Takes the ground catalogue's pictures out of the world without freeing them.
std::vector<KeptPicture> take_ground_pictures() {
  std::vector<KeptPicture> kept;
  for (auto* n = worldState.groundCatalogue.head; n; n = n->next)
    kept.push_back({n->value.fileName, n->value.path, n->value.sprite});
  svc::clear_list(worldState.groundCatalogue);
  worldState.groundNames = GroundIndex{};
  return kept;
}

// After the new catalogue loaded: a picture that exists but did not decode gets its last sprite
// back and is named; the pictures nobody took back are freed.
void settle_ground_pictures(std::vector<KeptPicture>& kept, ReloadReport& report) {
  for (auto* n = worldState.groundCatalogue.head; n; n = n->next) {
    GroundPicture& p = n->value;
    if (svc::is_sprite(p.sprite)) continue;
    report.unreadable.push_back(p.path);
    for (KeptPicture& k : kept)
      if (k.fileName == p.fileName && svc::is_sprite(k.sprite)) {
        p.sprite = k.sprite;
        k.sprite = 0;
        break;
      }
  }
  for (const KeptPicture& k : kept)
    if (k.sprite && svc::is_sprite(k.sprite)) svc::free_sprite(k.sprite);
}

// The world as start-up builds it, with the ground pictures of the last build at hand.
void build_like_start_up(ReloadReport& report, bool loadPictureChanged) {
  // Start-up's draws: the seed, then the load screen's choice. Its picture is loaded again when
  // the file changed or the configuration names another.
  const std::string loadedPicture = load_screen_picture();
  svc::random_seed(start.seed);
  const std::string loadPicture = draw_load_screen_name();
  if ((loadPictureChanged || loadPicture != loadedPicture) && !reload_load_screen_picture(loadPicture))
    report.unreadable.push_back(loadPicture);

  // Everything the last build made goes: placed objects, the cells' ground sprites, catalogues.
  // The grid keeps its memory: build_world dimensions it again at its start-up size.
  clear_world();
  for (WorldCell& c : worldState.world.cells)
    if (c.groundSprite != 0 && svc::is_sprite3d(c.groundSprite)) svc::free_sprite3d(c.groundSprite);
  keep_object_catalogue();
  std::vector<KeptPicture> pictures = take_ground_pictures();
  worldState.unreadableFiles.clear();

  build_world();
  if (engine.labyrinthMode == 1 && engine.variantPaged) {
    const int32_t variant = engine.baseVariant;
    build_variant(variant);
  }
  // build_world loaded a fresh catalogue; a picture that failed keeps its old sprite, and the
  // cells that name it get theirs.
  settle_ground_pictures(pictures, report);
  release_kept_objects();
  // The definitions and object files that fell back on what they gave before.
  report.unreadable.insert(report.unreadable.end(), worldState.unreadableFiles.begin(),
                           worldState.unreadableFiles.end());
  if (!report.unreadable.empty()) {
    for (WorldCell& c : worldState.world.cells)
      if (!c.groundSprite && c.loaded == 1 && engine.useSprite3D == 1) {
        const int x = static_cast<int>((&c - worldState.world.cells.data()) / worldState.world.rows);
        const int y = static_cast<int>((&c - worldState.world.cells.data()) % worldState.world.rows);
        assign_ground_sprite(x, y, c.pictureName);
      }
  }
}

// The view of the old world on the new one: scroll and cursor clamped to its extent.
void restore_view(const EngineState& old, const Cursor& oldCursor, float viewResolution) {
  engine.resolution = viewResolution;
  compute_view_cells();
  engine.scrollX = std::clamp(old.scrollX, 0, std::max(engine.mapMaxX, 0));
  engine.scrollY = std::clamp(old.scrollY, 0, std::max(engine.mapMaxY, 0));
  Cursor* cursor = svc::first_element(worldState.cursorList);
  if (!cursor) return;
  *cursor = oldCursor;
  const float res = engine.resolution;
  const float lastX = static_cast<float>(std::max(engine.mapMaxX - engine.scrollX, 0)) * res;
  const float lastY = static_cast<float>(std::max(engine.mapMaxY - engine.scrollY, 0)) * res;
  cursor->x = std::clamp(cursor->x, 0.0f, lastX);
  cursor->y = std::clamp(cursor->y, 0.0f, lastY);
}

}  // namespace

void remember_start_settings() {
  // Without WORLDRANDOM the first draw would seed from the tick count: that seed is taken now,
  // so that it can be taken again. WORLDRANDOM itself stays 0, as the labyrinth's seeds use it.
  start.seed = svc::random_is_seeded() ? static_cast<uint32_t>(engine.worldRandom) : svc::tick_count();
  svc::random_seed(start.seed);
  start.resolution = engine.resolution;
}

ReloadReport rebuild_world_in_place(bool loadPictureChanged) {
  const uint64_t began = os::monotonic_microseconds();
  ReloadReport report;
  const EngineState old = engine;
  Cursor oldCursor;
  if (const Cursor* c = svc::first_element(worldState.cursorList)) oldCursor = *c;

  if (!reread_configuration(old)) report.unreadable.push_back(old.configPath);

  // Without its map or base the world stays as it was, and so do the settings.
  const std::string unreadableSource = unreadable_world_source();
  if (!unreadableSource.empty()) {
    report.unreadable.push_back(unreadableSource);
    engine = old;
    return report;
  }

  // Settings read only at start: the window's title, and the cell size once the user zoomed.
  if (engine.windowTitle != old.windowTitle) {
    report.needRestart.push_back("APPNAME");
    engine.windowTitle = old.windowTitle;
  }
  const bool zoomed = old.resolution != start.resolution;
  float viewResolution = engine.resolution;
  if (zoomed) {
    viewResolution = old.resolution;
    if (engine.resolution != start.resolution) {
      report.needRestart.push_back("RESOLUTION");
      engine.resolution = start.resolution;
    }
  }
  start.resolution = engine.resolution;
  // A seed given by the configuration is the start seed from now on; without one the first stays.
  if (svc::random_is_seeded()) start.seed = static_cast<uint32_t>(engine.worldRandom);

  build_like_start_up(report, loadPictureChanged);
  restore_view(old, oldCursor, viewResolution);
  report.rebuilt = true;
  report.milliseconds = double(os::monotonic_microseconds() - began) / 1000.0;
  return report;
}
