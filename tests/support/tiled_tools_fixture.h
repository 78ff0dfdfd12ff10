// tiled_tools_fixture.h -- the fixture the Tiled tools' tests share: a fresh folder for each test,
// the built tools run with their messages kept, and Tiled's own renderer as the judge of pictures
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "services/pictures.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace support {

// A program of the build's tools folder, without the executable suffix.
inline std::string built_tool(const std::string& name) { return std::string(SUITE_BINARY_DIR) + "/tools/" + name; }
// A file or folder of the source tree's examples.
inline std::string example(const std::string& name) { return std::string(SUITE_SOURCE_DIR) + "/examples/" + name; }

// Tiled's renderer: on Linux where scripts/setup installed it; under Wine never.
inline bool has_rasterizer() {
  static const bool found = shell("command -v tmxrasterizer >/dev/null 2>&1") == 0;
  return found;
}

// The tests of one Tiled tool (tool_name()), which skip where it or worldshot is not built.
class TiledToolFixture : public ::testing::Test {
 protected:
  virtual const char* tool_name() const = 0;

  void SetUp() override {
    namespace fs = std::filesystem;
    if (!fs::exists(built_tool(tool_name()) + SUITE_EXE) || !fs::exists(built_tool("worldshot") + SUITE_EXE))
      GTEST_SKIP() << "tools not built";
    dir = make_temp_folder(std::string(tool_name()) + "_test_");
    ASSERT_FALSE(dir.empty());
    svc::register_image_decoders();
  }
  void TearDown() override {
    if (!dir.empty()) remove_folder(dir);
  }

  // Runs a built tool with the arguments (shell words); its exit status, and what it printed into *out.
  int run(const std::string& program, const std::string& args, std::string* out = nullptr) {
    int status = -1;
    const std::string text = shell_output("'" + built_tool(program) + "' " + args + " 2>'" + dir + "err.txt'", &status);
    if (out) *out = text + read_file(dir + "err.txt");
    return status;
  }

  // Tiled's renderer on the map, without smoothing and without a display; false when it is missing or fails.
  bool rasterize(const std::string& map, const std::string& png) {
    if (!has_rasterizer()) return false;
    return shell("QT_QPA_PLATFORM=offscreen tmxrasterizer --no-smoothing '" + map + "' '" + png + "' >/dev/null 2>&1") ==
           0;
  }

  std::string dir;  // the test's folder, ending in a separator
};

}  // namespace support
