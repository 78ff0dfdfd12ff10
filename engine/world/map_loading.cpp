// map_loading.cpp -- fills the world grid from a ".qz61" colour-code map and its ".red" alpha map
//
// Both files hold (W+1) x (H+1) entries column by column after a five-line header. The code map
// gives each cell its nine-digit code (and through it the cell definition, ground picture and
// objects); the red map gives each cell's ground alpha. A header that claims more columns or rows
// than the grid holds is cropped to the grid: the entries are still walked in the file's own
// order, so the cropped cells keep their true positions, and nothing outside the grid is touched.
#include "world/map_loading.h"
#include "world/progress_bar.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "core/engine_state.h"
#include "core/fatal.h"
#include "core/view.h"
#include "formats/map_format.h"
#include "services/clock.h"
#include "services/screen.h"
#include "services/text.h"
#include "world/cell_definitions.h"
#include "world/objects.h"
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

// The bar grows by the screen width over mapMaxX * mapMaxY per cell. A map of one row or one
// column has a product of 0; its bar then grows by the width over the number of cells.
float load_progress_step() {
  float divisor = static_cast<float>(engine.mapMaxX) * static_cast<float>(engine.mapMaxY);
  if (divisor <= 0.0f)
    divisor = std::max(1.0f, static_cast<float>(engine.mapMaxX + 1) * static_cast<float>(engine.mapMaxY + 1));
  return engine.screenWidth / divisor;
}

// One cell's step of the bar; the map reader works the step out once per map. The screen shows
// the bar on the first call and on every 501st after it (at most ten times a second).
void advance_load_progress(float step) {
  engine.loadProgress += step;
  advance_progress_bar(worldState.loadBar, engine.loadProgress, engine.loadFlipCounter == 0);
  engine.loadFlipCounter++;
  if (engine.loadFlipCounter > 500) engine.loadFlipCounter = 0;
}

// Joins the three channel lines into the cell's code. A colour code's nine characters are joined
// in a local buffer and written once, inside the string's own storage (no allocation).
void set_code(std::string& code, const std::string& red, const std::string& green, const std::string& blue) {
  char joined[32];
  const size_t length = red.size() + green.size() + blue.size();
  if (length > sizeof joined) {
    code.assign(red).append(green).append(blue);
    return;
  }
  char* out = joined;
  for (const std::string* part : {&red, &green, &blue})
    for (char ch : *part) *out++ = ch;
  code.assign(joined, length);
}

// Equal texts; inline for the short codes compared on every cell.
bool same_text(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (a[i] != b[i]) return false;
  return true;
}

}  // namespace

void show_load_progress() { advance_load_progress(load_progress_step()); }

void finish_load_progress() { finish_progress_bar(worldState.loadBar, engine.loadProgress); }

void read_code_map(svc::LineReader& mapFile, int fileMaxX, int fileMaxY) {
  const int lastColumn = last_stored_column(fileMaxX);
  const float progressStep = load_progress_step();
  std::string red, green, blue;
  // Neighbouring cells mostly share a code: its definition is looked up again only when the
  // code changes (the same code always names the same file within one load).
  const CellDefinition* definition = nullptr;
  std::string definitionCode;
  int x = 0, y = 0;
  do {
    svc::read_line(mapFile, red);
    svc::read_line(mapFile, green);
    svc::read_line(mapFile, blue);
    if (WorldCell* c = (y <= engine.mapMaxY) ? svc::cell(worldState.world, x, y) : nullptr) {
      set_code(c->code, red, green, blue);
      c->loaded = 1;
      if (engine.useSprite3D == 1) {
        if (!definition || !same_text(c->code, definitionCode)) {
          definition = &find_code_definition(c->code);
          definitionCode = c->code;
        }
        apply_cell_definition(x, y, *definition);
        assign_ground_sprite(x, y, c->pictureName);
        place_cell_objects(x, y);
      }
      advance_load_progress(progressStep);
    }
    advance(x, y, fileMaxY);
  } while (!svc::line_reader_at_end(mapFile) && x <= lastColumn);
  finish_load_progress();
  compute_view_cells();
}

void read_red_map(svc::LineReader& redFile, int fileMaxX, int fileMaxY) {
  const int lastColumn = last_stored_column(fileMaxX);
  std::string line;
  for (int i = 0; i < 5; i++) svc::read_line(redFile, line);
  int x = 0, y = 0;
  do {
    svc::read_line(redFile, line);
    if (WorldCell* c = (y <= engine.mapMaxY) ? svc::cell(worldState.world, x, y) : nullptr)
      c->groundAlpha = svc::string_to_int(line);
    advance(x, y, fileMaxY);
  } while (!svc::line_reader_at_end(redFile) && x <= lastColumn);
  compute_view_cells();
}

void load_topographic_map(const std::string& mapPath) {
  svc::LineReader mapFile;
  if (!svc::open_line_reader(mapFile, mapPath)) {
    fatal_message(4);
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
  read_code_map(mapFile, fileMaxX, fileMaxY);
  svc::close_line_reader(mapFile);

  // A missing red map is quiet: every cell of the map gets alpha 0, so no ground is drawn.
  svc::LineReader redFile;
  if (svc::open_line_reader(redFile, engine.appEntry + engine.appStart + ".red")) {
    read_red_map(redFile, fileMaxX, fileMaxY);
    svc::close_line_reader(redFile);
  } else {
    for (int x = 0; x <= engine.mapMaxX; x++)
      for (int y = 0; y <= engine.mapMaxY; y++)
        if (WorldCell* c = svc::cell(worldState.world, x, y)) c->groundAlpha = 0;
    compute_view_cells();
  }
  clear_definition_cache();
}
