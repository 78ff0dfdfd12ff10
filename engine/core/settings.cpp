// settings.cpp -- the engine's configuration: a table of keys, one line each with its parser and bounds
//
// The file is read as pairs of lines, a key and its value. Nothing is trimmed; keys are compared
// exactly; a key that matches nothing is skipped with its value; a later pair overwrites an
// earlier one. Numbers that do not parse read as 0.
#include "core/settings.h"

#include <cstring>

#include "base/state.h"
#include "base/notices.h"
#include "services/line_reader.h"
#include "services/random.h"
#include "services/text.h"

namespace {

using Apply = void (*)(EngineState& e, const std::string& value);

// "byte" keys keep the low 8 bits of the number as a signed value (257 -> 1, 255 -> -1).
int8_t to_byte(const std::string& value) {
  return static_cast<int8_t>(static_cast<uint8_t>(svc::string_to_int(value) & 0xFF));
}

// The parsers of the table, one per kind of value.
template <std::string EngineState::*F>
void text(EngineState& e, const std::string& v) {
  e.*F = v;
}
// "path" keys are appended to the base directory without a separator.
template <std::string EngineState::*F>
void path(EngineState& e, const std::string& v) {
  e.*F = e.baseDirectory + v;
}
template <int8_t EngineState::*F>
void byte(EngineState& e, const std::string& v) {
  e.*F = to_byte(v);
}
template <int32_t EngineState::*F>
void number(EngineState& e, const std::string& v) {
  e.*F = svc::string_to_int(v);
}

// Read as a whole number, stored as a float: "32.5" gives 32.0.
void resolution(EngineState& e, const std::string& v) { e.resolution = static_cast<float>(svc::string_to_int(v)); }

// Clamped to 0..255; the delay between cursor steps is what is left up to 255.
void cursor_speed(EngineState& e, const std::string& v) {
  e.cursorSpeed = svc::string_to_int(v);
  if (e.cursorSpeed > 255) e.cursorSpeed = 255;
  if (e.cursorSpeed < 0) e.cursorSpeed = 0;
  e.cursorDelay = 255 - e.cursorSpeed;
}

// Seeding here, while the file is read, makes every later draw of start-up repeatable.
void world_random(EngineState& e, const std::string& v) {
  e.worldRandom = svc::string_to_int(v);
  svc::random_seed(static_cast<uint32_t>(e.worldRandom));
}

// One value for both axes; above 1024 is cut to 1024, a negative value becomes 32.
void map_size(EngineState& e, const std::string& v) {
  e.mapSizeX = e.mapSizeY = svc::string_to_int(v);
  if (e.mapSizeX > 1024) e.mapSizeX = e.mapSizeY = 1024;
  if (e.mapSizeX < 0) e.mapSizeX = e.mapSizeY = 32;
}

void world_temperature(EngineState& e, const std::string& v) { e.worldTemperature = svc::parse_float(v); }

struct ConfigKey {
  const char* key;
  Apply apply;
};

// clang-format off
const ConfigKey kKeys[] = {
    {"FONTPATH",          text<&EngineState::fontPath>},
    {"FONTSYSTEM",        text<&EngineState::fontSystem>},
    {"WINDOWMODE",        byte<&EngineState::useSprite3D>},  // the same field as USESPRITE3D
    {"MULTITASK",         number<&EngineState::eventWaitMs>},
    {"SAVEGFX",           text<&EngineState::saveGfx>},
    {"SAVEEVOLUTION",     text<&EngineState::saveEvolution>},
    {"APPNAME",           text<&EngineState::windowTitle>},
    {"GFXPATH",           path<&EngineState::gfxPath>},
    {"RESOLUTION",        resolution},
    {"TOPO",              path<&EngineState::topo>},
    {"BASICGFX",          path<&EngineState::basicGfx>},
    {"APPENTRY",          text<&EngineState::appEntry>},
    {"APPSTART",          text<&EngineState::appStart>},
    {"TOPOGFX",           path<&EngineState::topoGfx>},
    {"GFXCODEC",          text<&EngineState::gfxCodec>},
    {"SYSTEMCORE",        path<&EngineState::systemCore>},
    {"CORENAME",          text<&EngineState::coreName>},
    {"USESPRITE3D",       byte<&EngineState::useSprite3D>},
    {"LOGPATH",           path<&EngineState::logPath>},
    {"LOGFILE",           text<&EngineState::logFile>},
    {"RGBCODEPATH",       text<&EngineState::rgbCodePath>},
    {"WORLDGFX",          path<&EngineState::worldGfx>},
    {"USELOGFILE",        byte<&EngineState::useLogFile>},
    {"LOADSCREEN",        text<&EngineState::loadScreen>},
    {"LOADANIM",          text<&EngineState::loadAnim>},
    {"CURSOR",            text<&EngineState::cursorName>},
    {"CURSORSPEED",       cursor_speed},
    {"VEGIDENSE",         number<&EngineState::vegiDense>},
    {"USEFULLMATRIX",     byte<&EngineState::useFullMatrix>},
    {"WORLDRANDOM",       world_random},
    {"MULTICORE",         byte<&EngineState::multicore>},
    {"MAPSIZE",           map_size},
    {"WORLDTEMPERATURE",  world_temperature},
    {"WORLDREFRESH",      number<&EngineState::refreshPeriod>},
    {"SELFCREATEBASE",    path<&EngineState::labyrinthBaseFile>},
    {"USESELFCREATEBASE", byte<&EngineState::labyrinthMode>},
    {"LABSWITCH",         number<&EngineState::labSwitch>},
    {"LIVERELOAD",        byte<&EngineState::liveReload>},
    {"FRAMECACHE",        byte<&EngineState::frameCache>},
};
// clang-format on

}  // namespace

void apply_configuration(const std::string& key, const std::string& value) {
  for (const ConfigKey& k : kKeys)
    if (key == k.key) {
      k.apply(engine, value);
      return;
    }
}

void read_configuration(const std::string& path) {
  if (!svc::read_pairs(path, apply_configuration)) {
    fatal_message(FATAL_NO_CONFIGURATION);
    return;  // only reached when the fatal routine returns (it does not for this code)
  }
}
