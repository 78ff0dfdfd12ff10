// engine_fixture.h -- a temporary engine folder for tests: files written in it, the engine run in it
//
// Each test gets a fresh folder that is the working directory while the test runs, a reset
// headless platform, and helpers to write "DATA/ini.txt", small maps and base files, and to run
// simengine's body on the headless platform.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>
#include "core/engine.h"
#include "core/engine_state.h"
#include "services/headless.h"
#include "services/random.h"
#include "services/windows.h"

using ConfigPairs = std::vector<std::pair<std::string, std::string>>;

class EngineFixture : public ::testing::Test {
 protected:
  std::string dir;      // the temporary folder, ending in "/"
  std::string oldDir;   // the working directory before the test

  void SetUp() override {
    char cwd[4096];
    oldDir = getcwd(cwd, sizeof cwd) ? cwd : ".";
    std::string pattern = (std::filesystem::temp_directory_path() / "engine_test_XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir = std::string(buf.data()) + "/";
    ASSERT_EQ(chdir(dir.c_str()), 0);
    svc::headless::reset();
    svc::random_forget();
    reset_engine_state();
  }

  void TearDown() override {
    (void)!chdir(oldDir.c_str());
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  // Writes a file under the folder (parents created); "/" separates folders in `relative`.
  void write_file(const std::string& relative, const std::string& bytes) {
    std::filesystem::path p = dir + relative;
    std::error_code ec;
    std::filesystem::create_directories(p.parent_path(), ec);
    std::ofstream out(p, std::ios::binary);
    out << bytes;
  }

  std::string read_file(const std::string& relative) {
    std::ifstream in(dir + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Lines joined with CR LF, the last one terminated too.
  static std::string crlf_lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
  }

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
    int rowBytes = (width * 3 + 3) / 4 * 4;
    int dataSize = rowBytes * height;
    std::string bmp(54 + dataSize, '\0');
    auto put32 = [&](int at, uint32_t v) {
      for (int i = 0; i < 4; i++) bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, 54 + dataSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    bmp[26] = 1;   // planes
    bmp[28] = 24;  // bits per pixel
    put32(34, dataSize);
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        size_t at = 54 + y * rowBytes + x * 3;
        bmp[at] = static_cast<char>(b);
        bmp[at + 1] = static_cast<char>(g);
        bmp[at + 2] = static_cast<char>(r);
      }
    write_file(relative, bmp);
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
};
