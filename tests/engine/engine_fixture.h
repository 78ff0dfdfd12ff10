// engine_fixture.h -- a temporary engine folder for tests: files written in it, the engine run in it
//
// Each test gets a fresh folder that is the working directory while the test runs, a reset
// headless platform, and helpers to write "DATA/ini.txt", small maps and base files, and to run
// simengine's body on the headless platform.
#pragma once
#include <gtest/gtest.h>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>
#include "core/engine.h"
#include "core/engine_state.h"
#include "world/world.h"
#include "services/headless.h"
#include "services/random.h"
#include "services/windows.h"
#include "support/bmp.h"
#include "support/files.h"
#include "support/temp_folder.h"

using ConfigPairs = std::vector<std::pair<std::string, std::string>>;

class EngineFixture : public ::testing::Test {
 protected:
  std::string dir;  // the temporary folder, ending in "/"

  void SetUp() override {
    ASSERT_TRUE(support::enter_temp_folder(folder_, "engine_test_"));
    dir = folder_.dir;
    svc::headless::reset();
    svc::random_forget();
    reset_engine_state();
  }

  void TearDown() override { support::leave_temp_folder(folder_); }

  // Writes a file under the folder (parents created); "/" separates folders in `relative`.
  void write_file(const std::string& relative, const std::string& bytes) { support::write_file(dir + relative, bytes); }

  std::string read_file(const std::string& relative) { return support::read_file(dir + relative); }

  // Lines joined with CR LF, the last one terminated too.
  static std::string crlf_lines(const std::vector<std::string>& lines) { return support::join_lines(lines); }

  // "DATA/ini.txt" from exact lines, for tests of the file's syntax.
  void write_config_lines(const std::vector<std::string>& lines) { write_file("DATA/ini.txt", crlf_lines(lines)); }

  // "DATA/ini.txt" from key/value pairs.
  void write_config(const ConfigPairs& pairs) {
    std::vector<std::string> lines;
    for (const auto& kv : pairs) {
      lines.push_back(kv.first);
      lines.push_back(kv.second);
    }
    write_config_lines(lines);
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
    write_file(name + ".qz61", crlf_lines(code));
    write_file(name + ".red", crlf_lines(red));
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

  // Runs simengine's body on the headless platform with these events queued (a close event is
  // appended so the main loop always ends); the exit code.
  int run_engine(std::vector<int> events = {}) {
    events.push_back(svc::EVENT_CLOSE);
    for (int e : events) svc::headless::queue_event(e);
    return svc::headless::run_program(run_simengine);
  }

  // The draw_text calls recorded so far whose text begins with `prefix`.
  static std::vector<svc::headless::DrawCall> texts_starting(const std::string& prefix) {
    std::vector<svc::headless::DrawCall> out;
    for (const auto& c : svc::headless::draw_calls())
      if (c.kind == "text" && c.text.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
    return out;
  }

  static int count_calls(const std::string& kind) {
    int n = 0;
    for (const auto& c : svc::headless::draw_calls()) n += c.kind == kind;
    return n;
  }

 private:
  support::WorkFolder folder_;
};
