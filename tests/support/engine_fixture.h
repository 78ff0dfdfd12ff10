// engine_fixture.h -- the engine tests' one fixture: a temporary engine folder, the files the engine
// reads, a prepared world grid, and simengine's body run on the headless platform
//
// Each test gets a fresh folder that is the working directory while the test runs, a reset
// headless platform and random generator, and zero-filled engine and world records.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/state.h"
#include "core/engine.h"
#include "core/world_dump.h"
#include "services/grid.h"
#include "services/headless.h"
#include "services/list.h"
#include "services/random.h"
#include "services/windows.h"
#include "support/bmp.h"
#include "support/files.h"
#include "support/temp_folder.h"
#include "world/world.h"

using ConfigPairs = std::vector<std::pair<std::string, std::string>>;

// The tile names of a self-created base.
inline const std::vector<std::string> kTiles = {"LAB_WALL",    "LAB_FLOOR",   "LAB_GREEN",   "LAB_WATER",
                                                "LAB_WALL_E",  "LAB_GREEN_E", "LAB_WATER_E", "LAB_WALL_S",
                                                "LAB_GREEN_S", "LAB_WATER_S"};

class EngineFixture : public ::testing::Test {
 protected:
  std::string dir;  // the temporary folder, ending in "/"

  void SetUp() override {
    ASSERT_TRUE(support::enter_temp_folder(folder_, "engine_test_"));
    dir = folder_.dir;
    svc::headless::reset();
    svc::random_forget();
    reset_engine_state();
    forget_world();
  }

  void TearDown() override { support::leave_temp_folder(folder_); }

  // ---- Files. "/" separates folders in `relative`; parents are created.

  void write_file(const std::string& relative, const std::string& bytes) { support::write_file(dir + relative, bytes); }
  std::string read_file(const std::string& relative) { return support::read_file(dir + relative); }

  // Lines joined with CR LF, the last one terminated too.
  static std::string crlf_lines(const std::vector<std::string>& lines) { return support::join_lines(lines); }
  void write_lines(const std::string& relative, const std::vector<std::string>& lines) {
    write_file(relative, crlf_lines(lines));
  }

  // "DATA/ini.txt" from key/value pairs.
  void write_config(const ConfigPairs& pairs) {
    std::vector<std::string> lines;
    for (const auto& kv : pairs) {
      lines.push_back(kv.first);
      lines.push_back(kv.second);
    }
    write_lines("DATA/ini.txt", lines);
  }

  // A colour-code map "name.qz61" and red map "name.red" of (maxX + 1) x (maxY + 1) cells, every
  // cell with the colour code 000000000 and red value `alpha`.
  void write_map(const std::string& name, int maxX, int maxY, int alpha = 255) {
    std::vector<std::string> code = {"QZ61", std::to_string(maxX), std::to_string(maxY), "", ""};
    std::vector<std::string> red = {"RED", std::to_string(maxX), std::to_string(maxY), "", ""};
    for (int i = 0; i < (maxX + 1) * (maxY + 1); i++) {
      code.insert(code.end(), {"000", "000", "000"});
      red.push_back(std::to_string(alpha));
    }
    write_lines(name + ".qz61", code);
    write_lines(name + ".red", red);
  }

  // A plain 24-bit BMP picture of one colour (r, g, b).
  void write_bmp(const std::string& relative, int width, int height, int r, int g, int b) {
    write_file(relative, support::solid_bmp(width, height, r, g, b));
  }

  // A minimal configuration that starts: a cell size and a one-map world "maps/start".
  ConfigPairs minimal_config() {
    write_map("maps/start", 3, 3);
    return {{"RESOLUTION", "32"}, {"APPENTRY", "maps/"}, {"APPSTART", "start"}};
  }

  // A labyrinth configuration with a base file of the given header size and one definition file
  // per tile naming the picture "<tile>.bmp"; `extra` pairs come last and win.
  ConfigPairs lab_config(int baseX, int baseY, const ConfigPairs& extra = {}) {
    write_lines("base.txt", {"BASE", std::to_string(baseX), std::to_string(baseY), "", ""});
    for (const std::string& tile : kTiles) write_lines("codes/lab/" + tile, {"GFXNAME", tile + ".bmp"});
    ConfigPairs cfg = {{"RESOLUTION", "32"}, {"USESELFCREATEBASE", "1"}, {"SELFCREATEBASE", "base.txt"},
                       {"WORLDRANDOM", "7"}, {"RGBCODEPATH", "codes/"},  {"APPSTART", "lab"}};
    cfg.insert(cfg.end(), extra.begin(), extra.end());
    return cfg;
  }

  // The engine settings of the whole-world tests without a configuration file: ground pictures
  // in "topo/", objects in "objects/", definitions in "codes/land/", maps in "maps/".
  void use_world_folders() {
    engine.topoGfx = dir + "topo/";
    engine.worldGfx = dir + "objects/";
    engine.gfxCodec = ".bmp";
    engine.rgbCodePath = dir + "codes/";
    engine.appStart = "land";
    engine.appEntry = dir + "maps/";
  }

  // ---- The world without a start-up.

  // A grid of (maxX + 1) x (maxY + 1) cells, all loaded, one cursor, and the view settings a
  // frame needs.
  void prepare_world(int maxX, int maxY, float resolution = 32.0f) {
    svc::dim_array(worldState.world, maxX, maxY);
    engine.mapMaxX = maxX;
    engine.mapMaxY = maxY;
    engine.resolution = resolution;
    engine.screenWidth = 1280.0f;
    engine.screenHeight = 720.0f;
    engine.cellsAcross = 40.0f;
    engine.cellsDown = 23.0f;
    for (auto& c : worldState.world.cells) {
      c.loaded = 1;
      c.lastChildSlot = -1;
    }
    svc::clear_list(worldState.cursorList);
    svc::append_element(worldState.cursorList);
  }

  static WorldCell& at(int x, int y) { return *svc::cell(worldState.world, x, y); }
  static Cursor& cursor() { return *svc::first_element(worldState.cursorList); }

  // ---- Runs of simengine's body on the headless platform.

  // The whole body with these events queued (a close event is appended so the main loop always
  // ends); the exit code. What it writes to standard error goes to `err`.
  int run_engine(std::vector<int> events = {}, std::string* err = nullptr) {
    events.push_back(svc::EVENT_CLOSE);
    for (int e : events) svc::headless::queue_event(e);
    testing::internal::CaptureStderr();
    const int code = svc::headless::run_program(run_simengine);
    const std::string text = testing::internal::GetCapturedStderr();
    if (err) *err = text;
    return code;
  }

  // Start-up with a window, then `after` (inside the run, while sprites still exist); the world
  // dump taken at the end. `drawing` records the draw calls.
  std::string start_engine(const std::function<void()>& after = {}, bool drawing = false) {
    svc::headless::record_drawing(drawing);
    std::string dump;
    svc::headless::run_program([&] {
      engine_startup(true);
      if (after) after();
      dump = world_dump_text();
      engine_shutdown();
      return 0;
    });
    return dump;
  }

  // The text of the one message box shown so far ("" and a failure when there is not exactly one).
  static std::string only_message() {
    const auto& messages = svc::headless::messages();
    EXPECT_EQ(messages.size(), 1u);
    return messages.size() == 1 ? messages[0].text : "";
  }

  // ---- Recorded draw calls.

  static std::vector<svc::headless::DrawCall> calls(const std::string& kind) {
    std::vector<svc::headless::DrawCall> out;
    for (const auto& c : svc::headless::draw_calls())
      if (c.kind == kind) out.push_back(c);
    return out;
  }

  // The draw_text calls whose text begins with `prefix`.
  static std::vector<svc::headless::DrawCall> texts_starting(const std::string& prefix) {
    std::vector<svc::headless::DrawCall> out;
    for (const auto& c : calls("text"))
      if (c.text.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
    return out;
  }

 private:
  support::WorkFolder folder_;
};
