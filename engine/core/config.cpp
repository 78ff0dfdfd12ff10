// config.cpp -- the engine's configuration reader: one comparison chain over the known keys
//
// The file is read as pairs of lines, a key and its value. Nothing is trimmed; keys are compared
// exactly; a key that matches nothing is skipped with its value; a later pair overwrites an
// earlier one. Numbers that do not parse read as 0.
#include "core/config.h"
#include "core/engine_state.h"
#include "core/fatal.h"
#include "services/files.h"
#include "services/random.h"
#include "services/text.h"

namespace {

// "byte" keys keep the low 8 bits of the number as a signed value (257 -> 1, 255 -> -1).
int8_t to_byte(const std::string& value) {
  return static_cast<int8_t>(static_cast<uint8_t>(svc::string_to_int(value) & 0xFF));
}

// "path" keys are appended to the base directory without a separator.
std::string to_path(const std::string& value) { return engine.baseDirectory + value; }

}  // namespace

void apply_configuration(const std::string& key, const std::string& value) {
  EngineState& e = engine;
  if (key == "FONTPATH") {
    e.fontPath = value;
  } else if (key == "FONTSYSTEM") {
    e.fontSystem = value;
  } else if (key == "WINDOWMODE") {
    e.useSprite3D = to_byte(value);
  } else if (key == "MULTITASK") {
    e.eventWaitMs = svc::string_to_int(value);
  } else if (key == "SAVEGFX") {
    e.saveGfx = value;
  } else if (key == "SAVEEVOLUTION") {
    e.saveEvolution = value;
  } else if (key == "APPNAME") {
    e.windowTitle = value;
  } else if (key == "GFXPATH") {
    e.gfxPath = to_path(value);
  } else if (key == "RESOLUTION") {
    // Read as a whole number, stored as a float: "32.5" gives 32.0.
    e.resolution = static_cast<float>(svc::string_to_int(value));
  } else if (key == "TOPO") {
    e.topo = to_path(value);
  } else if (key == "BASICGFX") {
    e.basicGfx = to_path(value);
  } else if (key == "APPENTRY") {
    e.appEntry = value;
  } else if (key == "APPSTART") {
    e.appStart = value;
  } else if (key == "TOPOGFX") {
    e.topoGfx = to_path(value);
  } else if (key == "GFXCODEC") {
    e.gfxCodec = value;
  } else if (key == "SYSTEMCORE") {
    e.systemCore = to_path(value);
  } else if (key == "CORENAME") {
    e.coreName = value;
  } else if (key == "USESPRITE3D") {
    e.useSprite3D = to_byte(value);
  } else if (key == "LOGPATH") {
    e.logPath = to_path(value);
  } else if (key == "LOGFILE") {
    e.logFile = value;
  } else if (key == "RGBCODEPATH") {
    e.rgbCodePath = value;
  } else if (key == "WORLDGFX") {
    e.worldGfx = to_path(value);
  } else if (key == "USELOGFILE") {
    e.useLogFile = to_byte(value);
  } else if (key == "LOADSCREEN") {
    e.loadScreen = value;
  } else if (key == "LOADANIM") {
    e.loadAnim = value;
  } else if (key == "CURSOR") {
    e.cursorName = value;
  } else if (key == "CURSORSPEED") {
    // Clamped to 0..255; the delay between cursor steps is what is left up to 255.
    e.cursorSpeed = svc::string_to_int(value);
    if (e.cursorSpeed > 255) e.cursorSpeed = 255;
    if (e.cursorSpeed < 0) e.cursorSpeed = 0;
    e.cursorDelay = 255 - e.cursorSpeed;
  } else if (key == "VEGIDENSE") {
    e.vegiDense = svc::string_to_int(value);
  } else if (key == "USEFULLMATRIX") {
    e.useFullMatrix = to_byte(value);
  } else if (key == "WORLDRANDOM") {
    // Seeding here, while the file is read, makes every later draw of start-up repeatable.
    e.worldRandom = svc::string_to_int(value);
    svc::random_seed(static_cast<uint32_t>(e.worldRandom));
  } else if (key == "MULTICORE") {
    e.multicore = to_byte(value);
  } else if (key == "MAPSIZE") {
    // One value for both axes; above 1024 is cut to 1024, a negative value becomes 32.
    e.mapSizeX = e.mapSizeY = svc::string_to_int(value);
    if (e.mapSizeX > 1024) e.mapSizeX = e.mapSizeY = 1024;
    if (e.mapSizeX < 0) e.mapSizeX = e.mapSizeY = 32;
  } else if (key == "WORLDTEMPERATURE") {
    e.worldTemperature = svc::parse_float(value);
  } else if (key == "WORLDREFRESH") {
    e.refreshPeriod = svc::string_to_int(value);
  } else if (key == "SELFCREATEBASE") {
    e.labyrinthBaseFile = to_path(value);
  } else if (key == "USESELFCREATEBASE") {
    e.labyrinthMode = to_byte(value);
  } else if (key == "LABSWITCH") {
    e.labSwitch = svc::string_to_int(value);
  }
}

void read_configuration(const std::string& path) {
  int file = svc::open_file_read(-1, path);
  if (!file) {
    fatal_message(FATAL_NO_CONFIGURATION);
    return;  // only reached when the fatal routine returns (it does not for this code)
  }
  while (!svc::end_of_file(file)) {
    std::string key = svc::read_line(file);
    std::string value = svc::read_line(file);  // "" when the file ends right after the key
    apply_configuration(key, value);
  }
  svc::close_file(file);
}
