// live_reload.cpp -- watching the world's files, settling bursts of changes, one rebuild per burst
#include "core/live_reload.h"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/state.h"
#include "core/world_reload.h"
#include "os.h"
#include "services/clock.h"
#include "services/paths.h"
#include "world/load_screen.h"
#include "world/world.h"

namespace {

// Which entries of a watched folder belong to the world.
enum class Entries {
  NAMED,     // only the names listed
  PICTURES,  // names ending in GFXCODEC (any letter case): the folder's pictures are all loaded
  OBJECTS,   // pictures, and their ".dll" definitions
  CODES,     // names of codes the world's cells use
  AWAITED,   // names of missing folders on the way to a folder the world reads from: when one
             // appears, every folder is watched again (it may hold the files now)
};

struct Watched {
  int watch = 0;
  std::string folder;  // as the engine spells it, for messages
  Entries entries = Entries::NAMED;
  std::set<std::string> names;
};

struct Following {
  bool on = false;
  std::vector<Watched> watched;
  std::vector<uint8_t> usedCodes;  // by cell-name number: 1 when some cell of the world has that code
  std::set<std::string> pending;   // folder + name of every change since the last rebuild
  bool rewatch = false;            // an awaited folder appeared: watch everything again
  std::string loadPicture;         // the load screen's picture, as the engine spells it; "" for none
  uint32_t lastChange = 0;
  std::string message;
  uint32_t messageUntil = 0;
  int rebuilds = 0;
};
Following follow;

bool ends_with_ignoring_case(const std::string& text, const std::string& end) {
  if (end.size() > text.size()) return false;
  for (size_t i = 0; i < end.size(); i++) {
    unsigned char a = static_cast<unsigned char>(text[text.size() - end.size() + i]);
    unsigned char b = static_cast<unsigned char>(end[i]);
    if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// The folder part of an engine path (up to and with its last separator); "" for a bare name.
std::string folder_of(const std::string& path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Adds `name` to the record of `folder` for `entries`, or makes one with that system watch number.
void add_watch(int number, const std::string& folder, Entries entries, const std::string& name) {
  for (Watched& w : follow.watched)
    if (w.watch == number && w.folder == folder && w.entries == entries) {
      if (!name.empty()) w.names.insert(name);
      os::unwatch_folder(number);  // the record holds one watch of it already
      return;
    }
  Watched w;
  w.watch = number;
  w.folder = folder;
  w.entries = entries;
  if (!name.empty()) w.names.insert(name);
  follow.watched.push_back(std::move(w));
}

// A folder that is not there yet is awaited: its nearest existing parent is watched for the name of
// the next folder on the way, so creating it (and the files in it) is seen. `systemFolder` ends in "/".
void await_folder(const std::string& systemFolder) {
  std::string path = systemFolder;
  while (!path.empty()) {
    path.pop_back();  // the separator
    const size_t cut = path.find_last_of('/');
    const std::string next = path.substr(cut == std::string::npos ? 0 : cut + 1);
    const std::string parent = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    const int number = os::watch_folder(parent.empty() ? std::string("./") : parent);
    if (number > 0) {
      if (!next.empty() && next != "." && next != "..") add_watch(number, parent, Entries::AWAITED, next);
      else os::unwatch_folder(number);
      return;
    }
    path = parent;
  }
}

// Watches `folder` for `entries`; a folder watched twice for names collects them in one record.
void watch(const std::string& folder, Entries entries, const std::string& name = "") {
  for (Watched& w : follow.watched)
    if (w.folder == folder && w.entries == entries) {
      if (!name.empty()) w.names.insert(name);
      return;
    }
  std::string systemFolder = svc::system_path(folder.empty() ? std::string("./") : folder);
  const int number = os::watch_folder(systemFolder);
  if (number <= 0) {
    if (systemFolder.back() != '/') systemFolder += '/';
    await_folder(systemFolder);
    return;
  }
  add_watch(number, folder, entries, name);
}

void watch_file(const std::string& path) { watch(folder_of(path), Entries::NAMED, svc::get_file_part(path)); }

// The codes the world's cells use, for telling a changed definition file from an unrelated one.
void note_used_codes() {
  follow.usedCodes.clear();
  for (const WorldCell& c : worldState.world.cells) {
    if (!c.loaded) continue;
    if (c.code.id >= follow.usedCodes.size()) follow.usedCodes.resize(c.code.id + 1, 0);
    follow.usedCodes[c.code.id] = 1;
  }
}

// Every file the world was built from, by its folder.
void watch_world_files() {
  watch_file(engine.configPath);
  if (engine.labyrinthMode == 1) {
    watch_file(engine.labyrinthBaseFile);
  } else {
    const std::string map = engine.appEntry + engine.appStart;
    watch_file(map + ".qz61");
    watch_file(map + ".red");
  }
  watch(engine.rgbCodePath + engine.appStart + "\\", Entries::CODES);
  watch(engine.topoGfx, Entries::PICTURES);
  watch(engine.worldGfx, Entries::OBJECTS);
  follow.loadPicture = load_screen_picture();
  if (!follow.loadPicture.empty()) watch_file(follow.loadPicture);
  note_used_codes();
}

void unwatch_all() {
  for (const Watched& w : follow.watched) os::unwatch_folder(w.watch);
  follow.watched.clear();
}

bool belongs_to_world(const Watched& w, const std::string& name) {
  if (name.empty()) return true;  // the folder is gone, or too many changes came to name them
  switch (w.entries) {
    case Entries::NAMED: return w.names.count(name) > 0;
    case Entries::PICTURES: return ends_with_ignoring_case(name, engine.gfxCodec);
    case Entries::OBJECTS: return ends_with_ignoring_case(name, engine.gfxCodec) || ends_with_ignoring_case(name, ".dll");
    case Entries::AWAITED: return w.names.count(name) > 0;
    case Entries::CODES: {
      const CellName code = cell_name(name);
      return code.id < follow.usedCodes.size() && follow.usedCodes[code.id];
    }
  }
  return false;
}

void take_changes() {
  static std::vector<os::Change> changes;
  changes.clear();
  os::collect_changes(changes);
  for (const os::Change& change : changes)
    for (const Watched& w : follow.watched)
      if (w.watch == change.watch && belongs_to_world(w, change.name)) {
        follow.pending.insert(w.folder + change.name);
        follow.lastChange = svc::tick_count();
        // An awaited folder appeared, or a watched one went (it is awaited from now on).
        if (w.entries == Entries::AWAITED || (change.gone && change.name.empty())) follow.rewatch = true;
      }
}

// Watches what the world reads from now on. The new folders are watched before the old watches
// end, so a folder in both is never unwatched in between.
void watch_again() {
  std::vector<Watched> old = std::move(follow.watched);
  follow.watched.clear();
  follow.rewatch = false;
  if (engine.liveReload == 0)
    follow.on = false;
  else
    watch_world_files();
  for (const Watched& w : old) os::unwatch_folder(w.watch);
}

// Whether the changes name the load screen's picture (or its whole folder).
bool load_picture_changed() {
  if (follow.loadPicture.empty()) return false;
  return follow.pending.count(follow.loadPicture) > 0 || follow.pending.count(folder_of(follow.loadPicture)) > 0;
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

// The overlay line, and standard error for what went wrong.
void report(const ReloadReport& r, size_t changed) {
  std::string line = "Reload: " + std::to_string(changed) + (changed == 1 ? " file" : " files") + " changed, ";
  if (r.rebuilt) {
    char time[32];
    std::snprintf(time, sizeof time, "%.0f ms", r.milliseconds);
    line += std::string("world rebuilt in ") + time;
  } else {
    line += "world kept";
  }
  if (!r.unreadable.empty()) line += "; could not read " + joined(r.unreadable);
  if (!r.needRestart.empty()) line += "; restart to apply " + joined(r.needRestart);
  // The same line on standard error: a record of every rebuild, naming what could not be read.
  std::fprintf(stderr, "%s\n", line.c_str());
  follow.message = line;
  follow.messageUntil = svc::tick_count() + kLiveMessageMs;
}

}  // namespace

void start_following_world_files() {
  stop_following_world_files();
  if (engine.liveReload == 0) return;
  follow.on = true;
  watch_world_files();
  std::vector<os::Change> old;
  os::collect_changes(old);  // what happened before now was read by the build
}

void stop_following_world_files() {
  unwatch_all();
  follow.on = false;
  follow.pending.clear();
}

void follow_world_files() {
  if (!follow.on) return;
  take_changes();
  // A folder that appeared (or went) is watched at once, so the files written into it next are seen.
  if (follow.rewatch) watch_again();
  if (follow.pending.empty() || svc::tick_count() - follow.lastChange < static_cast<uint32_t>(kLiveQuietMs)) return;
  const size_t changed = follow.pending.size();
  const bool loadPicture = load_picture_changed();
  follow.pending.clear();
  const ReloadReport r = rebuild_world_in_place(loadPicture);
  follow.rebuilds++;
  report(r, changed);
  // The configuration may name other folders now, or turn following off.
  watch_again();
}

int32_t live_event_wait(int32_t eventWaitMs) {
  if (!follow.on) return eventWaitMs;
  if (eventWaitMs < 0 || eventWaitMs > kLiveLongestWaitMs) return kLiveLongestWaitMs;
  return eventWaitMs;
}

std::string live_reload_line() {
  if (follow.message.empty() || static_cast<int32_t>(follow.messageUntil - svc::tick_count()) <= 0) return "";
  return follow.message;
}

int live_rebuild_count() { return follow.rebuilds; }
