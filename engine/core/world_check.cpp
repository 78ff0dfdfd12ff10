// world_check.cpp -- lists what a world names that is not there, from its settings down to its objects
//
// The settings and maps are looked at first: a world without them cannot be built, and start-up would
// stop at the first. Then the world is built as simengine's start-up builds it (no window), and its
// cells, catalogues and folders are compared: each fault says what, where and what to do.
#include "core/world_check.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "base/notices.h"
#include "base/state.h"
#include "core/engine.h"
#include "core/settings.h"
#include "formats/map_format.h"
#include "os.h"
#include "services/directories.h"
#include "services/files.h"
#include "services/line_reader.h"
#include "services/paths.h"
#include "services/text.h"
#include "world/cell_definitions.h"
#include "world/objects.h"
#include "world/world.h"

namespace {

enum Group {
  SETTINGS,
  MAPS,
  DEFINITIONS,
  GROUND,
  OBJECTS,
  OBJECT_FILES,
  UNUSED,
  LOAD_SCREEN,
  CASE_ONLY,
  GROUPS
};

const char* const kHeadings[GROUPS] = {
    "settings missing or unreadable",
    "maps missing, unreadable or of different sizes",
    "colour codes without a definition file, and empty definitions",
    "ground pictures named but missing or undecodable",
    "objects that cells ask for and no object definition provides",
    "object pictures without a .dll, .dll files without a picture",
    "definition files no cell uses",
    "load screen and base file",
    "names found only by ignoring letter case",
};

struct Check {
  std::vector<WorldFault> faults;
  std::set<std::string> spelledSeen;  // Paths already looked at for their spelling
  void add(Group g, const std::string& line) { faults.push_back({g, line}); }
  // A path that opens only because its letter case was ignored.
  void spelling(const std::string& path) {
    const std::string system = svc::system_path(path);
    if (!spelledSeen.insert(system).second) return;
    const std::string spelled = os::spelled_path(system);
    if (!spelled.empty() && spelled != system)
      add(CASE_ONLY, path + " is spelled " + shown(spelled) + " on disk: write it so, for tools that compare names exactly");
  }
  static std::string shown(const std::string& systemPath) {
    const std::string here = svc::current_directory();
    return systemPath.compare(0, here.size(), here) == 0 ? systemPath.substr(here.size()) : systemPath;
  }
};

std::string cell_text(int x, int y) { return "(" + std::to_string(x) + ", " + std::to_string(y) + ")"; }

std::string cells_text(int count, int x, int y) {
  return std::to_string(count) + (count == 1 ? " cell, at " : " cells, the first at ") + cell_text(x, y);
}

// Width and height of a map file from its header; false when it cannot be read as a map.
bool map_extent(const std::string& path, int& maxX, int& maxY) {
  svc::LineReader r;
  if (!svc::open_line_reader(r, path)) return false;
  // The engine reads the extent from lines 2 and 3 whatever line 1 says.
  std::string line;
  svc::read_line(r, line);
  const bool complete = !svc::line_reader_at_end(r);
  svc::read_line(r, line);
  maxX = svc::string_to_int(line);
  svc::read_line(r, line);
  maxY = svc::string_to_int(line);
  svc::close_line_reader(r);
  return complete && maxX >= 0 && maxY >= 0;
}

// The maps: both there, readable, and of one size. False when the world cannot be built from them.
bool check_maps(Check& c) {
  const std::string stem = engine.appEntry + engine.appStart;
  int size[2][2] = {{0, 0}, {0, 0}};
  bool good = true;
  const MapKind kinds[2] = {MAP_AI, MAP_RED};
  for (int i = 0; i < 2; ++i) {
    const std::string path = map_path(stem, kinds[i]);
    const int64_t bytes = svc::file_size(path);
    if (bytes == -1) {
      c.add(MAPS, path + ": missing (APPENTRY " + engine.appEntry + ", APPSTART " + engine.appStart +
                      "): make it with mapconvert or worldmake, or point APPENTRY and APPSTART at it");
      good = i == 1 ? good : false;  // Without its red map a world still loads, without alpha
      continue;
    }
    c.spelling(path);
    if (!map_extent(path, size[i][0], size[i][1])) {
      c.add(MAPS, path + ": not readable as a map: write it again with mapconvert or mapscan");
      good = i == 1 ? good : false;
      size[i][0] = -1;
    }
  }
  if (good && size[1][0] > 0 && (size[0][0] != size[1][0] || size[0][1] != size[1][1]))
    c.add(MAPS, map_path(stem, MAP_AI) + " is " + std::to_string(size[0][0]) + " x " + std::to_string(size[0][1]) +
                    " but " + map_path(stem, MAP_RED) + " is " + std::to_string(size[1][0]) + " x " +
                    std::to_string(size[1][1]) + ": scan both from the same picture");
  return good;
}

// The folders of the settings and the files of the labyrinth and load screen.
void check_named_files(Check& c) {
  for (const std::string* folder : {&engine.topoGfx, &engine.worldGfx}) {
    if (folder->empty()) continue;
    if (svc::file_size(*folder) != -2)
      c.add(SETTINGS, (folder == &engine.topoGfx ? "TOPOGFX " : "WORLDGFX ") + *folder +
                          ": no such folder: make it or correct the setting");
    else
      c.spelling(*folder);
  }
  if (engine.labyrinthMode == 1) {
    if (svc::file_size(engine.labyrinthBaseFile) < 0)
      c.add(LOAD_SCREEN, "SELFCREATEBASE " + engine.labyrinthBaseFile + ": the base file is missing: the labyrinth "
                                                                        "cannot be built; write it or correct the setting");
    else
      c.spelling(engine.labyrinthBaseFile);
  }
  if (svc::find_string(engine.loadScreen, "#", 1) > 0) {
    for (int digit = 0; digit <= 1; ++digit) {
      std::string name = engine.loadScreen;
      name.replace(name.find('#'), 1, std::to_string(digit));
      if (svc::file_size(name) < 0)
        c.add(LOAD_SCREEN, "LOADSCREEN " + engine.loadScreen + ": " + name +
                               " is missing: the start shows no picture when it is drawn; add it");
      else
        c.spelling(name);
    }
  }
}

struct Uses {
  int count = 0;
  int x = 0, y = 0;
  void at(int cx, int cy) {
    if (count++ == 0) x = cx, y = cy;
  }
};

// The names of a catalogue that match `name` only without regard to letter case.
template <typename Names>
std::string other_case_of(const std::string& name, const Names& names) {
  const std::string folded = os::folded_name(name);
  for (const auto& entry : names)
    if (os::folded_name(entry.first) == folded) return entry.first;
  return std::string();
}

// The uses of each cell name, by its number, gathered into a map by text (in name order).
std::map<std::string, Uses> by_text(const std::vector<Uses>& uses) {
  std::map<std::string, Uses> out;
  for (uint32_t id = 1; id < uses.size(); ++id) {
    if (uses[id].count == 0) continue;
    CellName name;
    name.id = id;
    out[name.str()] = uses[id];
  }
  return out;
}

void check_cells(Check& c) {
  // Counted by name number: a world has hundreds of thousands of cells and few names.
  std::vector<Uses> codeUses(cell_name_count()), pictureUses(cell_name_count()), objectUses(cell_name_count());
  static const CellName none = cell_name("#");
  for (int x = 0; x <= engine.mapMaxX; ++x)
    for (int y = 0; y <= engine.mapMaxY; ++y) {
      const WorldCell* cell = svc::cell(worldState.world, x, y);
      if (!cell || !cell->loaded) continue;
      if (!cell->code.empty()) codeUses[cell->code.id].at(x, y);
      if (!cell->pictureName.empty()) pictureUses[cell->pictureName.id].at(x, y);
      for (int k = 0; k < 8; ++k)
        if (!cell->childName[k].empty() && cell->childName[k].id != none.id) objectUses[cell->childName[k].id].at(x, y);
    }
  const std::map<std::string, Uses> codes = by_text(codeUses), pictures = by_text(pictureUses),
                                    objects = by_text(objectUses);
  // Codes and their definition files.
  if (engine.labyrinthMode != 1) {
    for (const auto& [code, use] : codes) {
      const std::string path = cell_definition_path(code);
      const int64_t bytes = svc::file_size(path);
      if (bytes == -1)
        c.add(DEFINITIONS, path + ": missing for code " + code + ", " + cells_text(use.count, use.x, use.y) +
                               ": write a definition (GFXNAME, CHILD1...) or leave those cells bare");
      else if (bytes == 0)
        c.add(DEFINITIONS, path + ": empty, " + cells_text(use.count, use.x, use.y) +
                               ": give it a GFXNAME, or those cells stay black");
      else
        c.spelling(path);
    }
    // Definition files no cell uses.
    const std::string folder = engine.rgbCodePath + engine.appStart + "\\";
    if (const int scan = svc::examine_directory(-1, folder)) {
      while (svc::next_directory_entry(scan)) {
        if (svc::directory_entry_type(scan) != 1) continue;
        const std::string name = svc::directory_entry_name(scan);
        if (!codes.count(name)) c.add(UNUSED, folder + name + ": no cell of the map has this code; remove it or "
                                                                "paint the code into the map");
      }
      svc::finish_directory(scan);
    }
  }
  // Ground pictures by GFXNAME, compared exactly as the engine compares them.
  const auto& ground = worldState.groundNames.firstByName;
  for (const auto& [name, use] : pictures) {
    if (name == "dummy.png") continue;  // No GFXNAME at all: the cell is bare by design
    auto found = ground.find(name);
    if (found == ground.end()) {
      const std::string other = other_case_of(name, ground);
      if (!other.empty())
        c.add(GROUND, "GFXNAME " + name + ": no such picture in " + engine.topoGfx + " (" +
                          cells_text(use.count, use.x, use.y) + "); the picture " + other +
                          " differs only in letter case: names are compared exactly, write " + other);
      else
        c.add(GROUND, "GFXNAME " + name + ": no such picture in " + engine.topoGfx + " (" +
                          cells_text(use.count, use.x, use.y) + "); add it or correct the definition");
      continue;
    }
    const GroundPicture* picture = svc::select_element(worldState.groundCatalogue, found->second);
    if (picture && picture->sprite == 0)
      c.add(GROUND, picture->path + ": cannot be decoded (" + cells_text(use.count, use.x, use.y) +
                        "): save it again as PNG, JPEG, TIFF or BMP");
  }
  // Objects by CHILD name, compared exactly with the objects' names.
  const auto& byName = worldState.objectNames.byName;
  for (const auto& [name, use] : objects) {
    if (byName.count(name)) continue;
    const std::string other = other_case_of(name, byName);
    if (!other.empty())
      c.add(OBJECTS, "CHILD " + name + ": no object of that name (" + cells_text(use.count, use.x, use.y) +
                         "); the object " + other + " differs only in letter case: write " + other);
    else
      c.add(OBJECTS, "CHILD " + name + ": no object in " + engine.worldGfx + " has that OBJECTNAME (" +
                         cells_text(use.count, use.x, use.y) + "); add its picture and .dll or correct the definition");
  }
}

// Object pictures and their .dll files, both ways.
void check_object_files(Check& c) {
  if (engine.gfxCodec.empty()) return;
  std::vector<std::string> pictures, definitions;
  const int scan = svc::examine_directory(-1, engine.worldGfx);
  if (!scan) return;
  while (svc::next_directory_entry(scan)) {
    if (svc::directory_entry_type(scan) != 1) continue;
    pictures.push_back(svc::directory_entry_name(scan));
  }
  svc::finish_directory(scan);
  std::set<std::string> stems;  // Folded: a .dll is found whatever its case
  for (const std::string& name : pictures) {
    const std::string folded = os::folded_name(name);
    const std::string codec = os::folded_name(engine.gfxCodec);
    if (folded.size() > codec.size() && folded.compare(folded.size() - codec.size(), codec.size(), codec) == 0)
      stems.insert(folded.substr(0, folded.size() - codec.size()));
    else if (folded.size() > 4 && folded.compare(folded.size() - 4, 4, ".dll") == 0)
      definitions.push_back(name);
  }
  for (ObjectDefinition* d = svc::first_element(worldState.objectCatalogue); d;
       d = svc::next_element(worldState.objectCatalogue)) {
    const std::string dll = object_definition_path(d->path, engine.gfxCodec);
    if (svc::file_size(dll) == -1)
      c.add(OBJECT_FILES, d->path + ": no " + svc::get_file_part(dll) + " beside it: the object has no name and "
                                                                      "is never placed; write its .dll");
    else
      c.spelling(dll);
  }
  for (const std::string& name : definitions) {
    const std::string folded = os::folded_name(name);
    if (!stems.count(folded.substr(0, folded.size() - 4)))
      c.add(OBJECT_FILES, engine.worldGfx + name + ": no " + engine.gfxCodec + " picture of that name: add the "
                                                                           "picture or remove the .dll");
  }
}

void sort_faults(std::vector<WorldFault>& faults) {
  std::stable_sort(faults.begin(), faults.end(), [](const WorldFault& a, const WorldFault& b) { return a.group < b.group; });
}

}  // namespace

std::vector<WorldFault> check_world() {
  Check c;
  const std::string settings = svc::current_directory() + "DATA\\ini.txt";
  const int64_t bytes = svc::file_size(settings);
  if (bytes < 0) {
    c.add(SETTINGS, "DATA\\ini.txt: " + std::string(bytes == -1 ? "missing" : "a folder, not a file") +
                        ": run worldcheck in a world's folder, or make one with worldmake");
    return c.faults;
  }
  svc::LineReader probe;
  if (!svc::open_line_reader(probe, settings)) {
    c.add(SETTINGS, "DATA\\ini.txt: cannot be read: " + os::error_text() + ": give yourself read access");
    return c.faults;
  }
  svc::close_line_reader(probe);
  c.spelling(settings);
  reset_engine_state();
  engine.baseDirectory = svc::current_directory();
  engine.configPath = settings;
  read_configuration(settings);
  check_named_files(c);
  const bool buildable = engine.labyrinthMode == 1 ? svc::file_size(engine.labyrinthBaseFile) >= 0 : check_maps(c);
  if (buildable) {
    set_fatal_exit_code(1);
    engine_startup(false);
    check_cells(c);
    check_object_files(c);
    engine_shutdown();
  }
  sort_faults(c.faults);
  return c.faults;
}

std::vector<WorldFault> check_built_world() {
  Check c;
  check_named_files(c);
  if (engine.labyrinthMode != 1) check_maps(c);
  check_cells(c);
  check_object_files(c);
  sort_faults(c.faults);
  return c.faults;
}

void report_world_faults() {
  const std::string summary = world_check_summary(check_built_world());
  if (summary.empty()) return;
  std::fprintf(stderr, "%s\n", summary.c_str());
  std::fflush(stderr);
}

std::string world_check_report(const std::vector<WorldFault>& faults) {
  std::string out;
  for (size_t i = 0; i < faults.size();) {
    size_t end = i;
    while (end < faults.size() && faults[end].group == faults[i].group) ++end;
    out += std::string(kHeadings[faults[i].group]) + " (" + std::to_string(end - i) + "):\n";
    for (; i < end; ++i) out += "  " + faults[i].line + "\n";
  }
  return out;
}

std::string world_check_summary(const std::vector<WorldFault>& faults) {
  if (faults.empty()) return std::string();
  int missing = 0;
  for (const WorldFault& f : faults)
    if (f.group != CASE_ONLY && f.group != UNUSED) ++missing;
  if (missing == 0) return std::string();
  return os::program_name() + ": " + std::to_string(missing) + (missing == 1 ? " thing" : " things") +
         " the world names " + (missing == 1 ? "is" : "are") + " missing or unusable; run worldcheck in " +
         svc::current_directory() + " for the list";
}

int run_world_check() {
  const std::vector<WorldFault> faults = check_world();
  const std::string report = world_check_report(faults);
  std::fwrite(report.data(), 1, report.size(), stdout);
  std::fflush(stdout);
  return faults.empty() ? 0 : 1;
}
