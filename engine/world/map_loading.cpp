// map_loading.cpp -- fills the world grid from a ".qz61" colour-code map and its ".red" alpha map
//
// Both files hold (W+1) x (H+1) entries column by column after a five-line header. The colour-code map
// gives each cell its nine-digit code (and through it the cell definition, ground picture and
// objects); the red map gives each cell's ground alpha. A header that claims more columns or rows
// than the grid holds is cropped to the grid: the entries are still walked in the file's own
// order, so the cropped cells keep their true positions, and nothing outside the grid is touched.
#include "world/map_loading.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/state.h"
#include "base/notices.h"
#include "formats/map_format.h"
#include "services/clock.h"
#include "services/screen.h"
#include "services/text.h"
#include "world/cell_definitions.h"
#include "world/objects.h"
#include "world/progress_bar.h"
#include "world/world.h"

namespace {

// Steps (x, y) to the next entry: y is the fast index.
void advance(int& x, int& y, int fileMaxY) {
  y++;
  if (y > fileMaxY) {
    x++;
    y = 0;
  }
}

// The last column of the file that lands inside the grid; reading stops after it.
int last_stored_column(int fileMaxX) { return std::min(fileMaxX, engine.mapMaxX); }

}  // namespace

int clip_map_extent(int headerMax, int gridMax) {
  if (headerMax < 0) return 0;
  return std::min(headerMax, std::max(gridMax, 0));
}

namespace {

// One cell's step of the bar; the map reader works the step out once per map. The screen shows
// the bar on the first call and on every 501st after it (at most ten times a second).
void advance_load_progress(float step) {
  ProgressBar& bar = worldState.loadBar;
  bar.width += step;
  // Only a due call can show the bar; the others only mark it as not drawn, here without a call.
  if (bar.dueCounter == 0)
    advance_progress_bar(bar, true);
  else
    bar.drawn = false;
  bar.dueCounter++;
  if (bar.dueCounter > 500) bar.dueCounter = 0;
}

// Copies n bytes over `to` and tells whether any of them differed. Two words that may overlap
// cover every length from 2 to 16 without a loop over bytes: a code's three parts are three
// digits each, and millions of them are read.
template <class Word>
bool copy_word_pair(char* to, const char* from, size_t n) {
  Word first, last, oldFirst, oldLast;
  std::memcpy(&first, from, sizeof first);
  std::memcpy(&last, from + n - sizeof last, sizeof last);
  std::memcpy(&oldFirst, to, sizeof oldFirst);
  std::memcpy(&oldLast, to + n - sizeof oldLast, sizeof oldLast);
  std::memcpy(to, &first, sizeof first);
  std::memcpy(to + n - sizeof last, &last, sizeof last);
  return ((first ^ oldFirst) | (last ^ oldLast)) != 0;
}

bool copy_comparing(char* to, const char* from, size_t n) {
  if (n >= 2 && n <= 4) return copy_word_pair<uint16_t>(to, from, n);
  if (n > 4 && n <= 8) return copy_word_pair<uint32_t>(to, from, n);
  if (n > 8 && n <= 16) return copy_word_pair<uint64_t>(to, from, n);
  bool changed = false;
  for (size_t i = 0; i < n; i++) {
    changed |= to[i] != from[i];
    to[i] = from[i];
  }
  return changed;
}

// Reads the cell codes of one load. A code is three lines joined; neighbouring cells mostly share
// one, so a code is compared with the last one's text and only a new text is looked up in the
// name table. The lines are read as views and joined in a local buffer: no string per line.
class CodeReader {
 public:
  // Reads the next three lines. Each character is compared with the last code's as it is copied
  // over it: a code like the last one costs no look-up and no second pass.
  void read(svc::LineReader& file) {
    size_t length = 0;
    bool changed = false;
    longText_.clear();
    for (int part = 0; part < 3; part++) {
      const std::string_view line = svc::read_line_view(file);
      if (longText_.empty() && length + line.size() <= sizeof text_) {
        changed |= copy_comparing(text_ + length, line.data(), line.size());
        length += line.size();
      } else {
        if (longText_.empty()) longText_.assign(text_, length);
        longText_.append(line);
      }
    }
    if (!longText_.empty()) {
      stale_ = true;  // text_ holds part of the long code now
      return;
    }
    stale_ |= changed || length != length_;
    length_ = length;
    if (stale_) warm_next(file);
  }

  // The name of the code last read.
  CellName name() {
    if (!longText_.empty()) return cell_name(longText_);
    if (stale_) {
      name_ = cell_name(std::string_view(text_, length_));
      stale_ = false;
    }
    return name_;
  }

 private:
  // A code that differs from the last one is often followed by yet another new code (a detailed
  // map names a new one on nearly every cell). That code's place in the name table, somewhere in
  // megabytes of it, is asked for now, while this cell is filled: its look-up then finds it at hand.
  // The next lines are only peeked at in the reader's block; a code not wholly there is skipped.
  static void warm_next(const svc::LineReader& file) {
    char next[32];
    size_t length = 0;
    const char* p = file.block.data() + file.pos;
    const char* const end = file.block.data() + file.len;
    for (int part = 0; part < 3; part++) {
      for (; p < end && *p != '\r' && *p != '\n' && *p != '\0'; p++) {
        if (length == sizeof next) return;
        next[length++] = *p;
      }
      if (p == end) return;
      p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
    }
    prefetch_cell_name(std::string_view(next, length));
  }

  char text_[32] = {};
  size_t length_ = 0;
  bool stale_ = true;  // name_ is not the name of text_ (yet)
  CellName name_;
  std::string longText_;  // a code longer than text_ holds (not from a colour-code writer)
};

}  // namespace

void show_load_progress() { advance_load_progress(progress_step(engine.mapMaxX, engine.mapMaxY)); }

void finish_load_progress() { finish_progress_bar(worldState.loadBar); }

namespace {

// A red entry's value: nearly every entry is one to three plain digits, read here without a call;
// anything else (blanks, a sign, a long number) goes to the general reader.
int32_t red_value(std::string_view line) {
  if (line.empty() || line.size() > 3) return svc::string_to_int(line);
  int32_t value = 0;
  for (char ch : line) {
    if (ch < '0' || ch > '9') return svc::string_to_int(line);
    value = value * 10 + (ch - '0');
  }
  return value;
}

// The grid cell of an entry at (x, y) of the file: none below the stored rows or outside the grid.
WorldCell* stored_cell(int x, int y) {
  return y <= engine.mapMaxY ? svc::cell(worldState.world, x, y) : nullptr;
}

// Reads the red entry of the walk's position into `c`, the stored cell of that position.
void read_red_entry(RedMapWalk& walk, int fileMaxY, int lastColumn, WorldCell* c) {
  svc::LineReader& file = *walk.file;
  const std::string_view line = svc::read_line_view(file);
  if (c) c->groundAlpha = red_value(line);
  advance(walk.x, walk.y, fileMaxY);
  // Bytes left in the block: not at the end, without asking the reader.
  walk.done = walk.x > lastColumn || (file.pos >= file.len && svc::line_reader_at_end(file));
}

}  // namespace

namespace {
constexpr uintptr_t kPrefetchBytes = 1024;  // about eleven cells
}  // namespace

void read_code_map(svc::LineReader& mapFile, int fileMaxX, int fileMaxY, RedMapWalk& red) {
  const int lastColumn = last_stored_column(fileMaxX);
  const float progressStep = progress_step(engine.mapMaxX, engine.mapMaxY);
  CodeReader codes;
  // The definition is looked up again only when the code changes (the same code always names the
  // same file within one load).
  const CellDefinition* definition = nullptr;
  CellName definitionCode;
  int x = 0, y = 0;
  do {
    codes.read(mapFile);
    WorldCell* const c = stored_cell(x, y);
    if (c) {
      // The cells are filled in memory order, each over two or three cache lines that the content
      // steps read as well as write: the lines some cells ahead are asked for now. Only a hint,
      // never a read; an address past the grid is harmless.
      const uintptr_t ahead = reinterpret_cast<uintptr_t>(c) + kPrefetchBytes;
      __builtin_prefetch(reinterpret_cast<const void*>(ahead), 1);
      __builtin_prefetch(reinterpret_cast<const void*>(ahead + 64), 1);
      c->code = codes.name();
      c->loaded = 1;
      if (engine.useSprite3D == 1) {
        if (!definition || c->code != definitionCode) {
          definition = &find_code_definition(c->code);
          definitionCode = c->code;
        }
        apply_cell_definition(*c, *definition);
        assign_ground_sprite(*c, c->pictureName);
        place_cell_objects(*c);
      }
      advance_load_progress(progressStep);
    }
    // The red walk keeps step with this one: its entry belongs to the cell just filled.
    if (!red.done)
      read_red_entry(red, fileMaxY, lastColumn, red.x == x && red.y == y ? c : stored_cell(red.x, red.y));
    advance(x, y, fileMaxY);
  } while ((mapFile.pos < mapFile.len || !svc::line_reader_at_end(mapFile)) && x <= lastColumn);
  finish_load_progress();
}

void read_red_map(RedMapWalk& red, int fileMaxX, int fileMaxY) {
  const int lastColumn = last_stored_column(fileMaxX);
  while (!red.done) read_red_entry(red, fileMaxY, lastColumn, stored_cell(red.x, red.y));
}

void load_colour_code_map(const std::string& mapPath) {
  svc::LineReader mapFile;
  if (!svc::open_line_reader(mapFile, mapPath)) {
    fatal_message(FATAL_NO_MAP);
    return;  // only reached when the fatal routine is a stand-in
  }
  clear_definition_cache();
  restart_progress_bar(worldState.loadBar);  // the first cell of this load shows the bar
  MapHeader header = read_map_header(mapFile);
  // The header's own extent orders the entries; the stored extent is clipped to the grid.
  const int fileMaxX = std::min(std::max(header.width, 0), INT32_MAX - 1);
  const int fileMaxY = std::min(std::max(header.height, 0), INT32_MAX - 1);
  engine.mapMaxX = clip_map_extent(header.width, svc::grid_max_x(worldState.world));
  engine.mapMaxY = clip_map_extent(header.height, svc::grid_max_y(worldState.world));
  // The red map is read alongside the colour-code map, entry for entry: both walk the cells in the same
  // order. The first red entry is read even when the file ends in its header, as a walk of its own
  // would; entries past the end of a short colour-code map are read after it.
  svc::LineReader redFile;
  RedMapWalk red;
  if (svc::open_line_reader(redFile, map_path(engine.appEntry + engine.appStart, MAP_RED))) {
    read_map_header(redFile);  // its extent is the colour-code map's
    red = RedMapWalk{&redFile, 0, 0, false};
  }
  read_code_map(mapFile, fileMaxX, fileMaxY, red);
  svc::close_line_reader(mapFile);
  if (red.file) {
    read_red_map(red, fileMaxX, fileMaxY);
    svc::close_line_reader(redFile);
  } else {
    // A missing red map is quiet: every cell of the map gets alpha 0, so no ground is drawn.
    for (int x = 0; x <= engine.mapMaxX; x++)
      for (int y = 0; y <= engine.mapMaxY; y++)
        if (WorldCell* c = svc::cell(worldState.world, x, y)) c->groundAlpha = 0;
  }
  compute_view_cells();
  clear_definition_cache();
}
