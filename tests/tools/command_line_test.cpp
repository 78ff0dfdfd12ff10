// command_line_test.cpp -- every program answers --help and --version without a window, and
// takes an unknown option or a stray argument as a usage error (exit 2, usage on stderr)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "services/command_line.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

struct Program {
  std::string name, path;
  std::vector<std::string> options;  // every option its --help must name
};

const std::vector<Program>& programs() {
  static const std::string bin = SUITE_BINARY_DIR;
  static const std::vector<Program> all = {
      {"simengine", bin + "/engine/simengine", {"--help", "--version"}},
      {"mapconvert", bin + "/mapconvert/mapconvert", {"--help", "--version"}},
      {"dnaedit", bin + "/dnaedit/dnaedit", {"--help", "--version"}},
      {"mapscan",
       bin + "/tools/mapscan",
       {"--dest", "--codec", "--colours", "--screen", "--yes", "--quiet", "--help", "--version"}},
      {"worlddump", bin + "/tools/worlddump", {"--variant", "--help", "--version"}},
      {"worldmake",
       bin + "/tools/worldmake",
       {"--colours", "--cell", "--opaque", "--alpha", "--fit", "--force", "--quiet", "--help", "--version"}},
      {"worldshot", bin + "/tools/worldshot", {"--variant", "--cell", "--region", "--smooth", "--help", "--version"}},
      {"worldcheck", bin + "/tools/worldcheck", {"--help", "--version"}},
  };
  // The Tiled map tools, where the build has them (a build without pugixml leaves them out).
  static const std::vector<Program> with_tiled = [] {
    std::vector<Program> list = all;
    const std::vector<Program> tiled = {
        {"worldexport", bin + "/tools/worldexport", {"--cell", "--quiet", "--help", "--version"}},
        {"worldimport", bin + "/tools/worldimport", {"--screen", "--force", "--quiet", "--help", "--version"}},
    };
    for (const Program& p : tiled)
      if (std::filesystem::exists(p.path + SUITE_EXE)) list.push_back(p);
    return list;
  }();
  return with_tiled;
}

// What a run printed and how it ended.
struct Outcome {
  int code = -1;
  std::string out, err;
};

class CommandLine : public ::testing::Test {
 protected:
  std::string dir;
  void SetUp() override {
    dir = support::make_temp_folder("command_line_");
    ASSERT_NE(dir, "");
  }
  void TearDown() override { support::remove_folder(dir); }

  // Runs the program in the temporary folder without a display, so one that tried to open a
  // window would fail.
  Outcome run(const Program& p, const std::string& args) {
    Outcome r;
    r.out = support::shell_output(
        "cd '" + dir + "' && env -u DISPLAY -u WAYLAND_DISPLAY '" + p.path + "' " + args + " 2>'" + dir + "err.txt'",
        &r.code);
    r.err = support::read_file(dir + "err.txt");
    return r;
  }
};

TEST_F(CommandLine, HelpNamesEveryOptionAndVersionIsTheSuitesOnStandardOutput) {
  for (const Program& p : programs()) {
    const Outcome help = run(p, "--help");
    EXPECT_EQ(help.code, 0) << p.name;
    EXPECT_EQ(help.err, "") << p.name;
    EXPECT_EQ(help.out.rfind("usage: " + p.name, 0), 0u) << p.name << ": " << help.out;
    // "/?" is Windows' --help, on every system.
    const Outcome windows_help = run(p, "'/?'");
    EXPECT_EQ(windows_help.code, 0) << p.name;
    EXPECT_EQ(windows_help.out, help.out) << p.name;
    for (const std::string& option : p.options)
      EXPECT_NE(help.out.find(option), std::string::npos) << p.name << " " << option;

    const Outcome version = run(p, "--version");
    EXPECT_EQ(version.code, 0) << p.name;
    EXPECT_EQ(version.err, "") << p.name;
    EXPECT_EQ(version.out, p.name + " (Orvanel world suite) " SUITE_VERSION "\n");
  }
  // Nothing was started: no log or settings file appeared in the folder.
  EXPECT_EQ(support::names_in(dir), (std::vector<std::string>{"err.txt"}));
}

TEST_F(CommandLine, UnknownOptionsAndStrayArgumentsAreUsageErrors) {
  for (const Program& p : programs()) {
    for (const std::string& args : {std::string("--bogus"), std::string("-x"), std::string("--bogus --help")}) {
      const Outcome r = run(p, args);
      EXPECT_EQ(r.code, 2) << p.name << " " << args;
      EXPECT_EQ(r.out, "") << p.name << " " << args;
      EXPECT_NE(r.err.find("usage: " + p.name), std::string::npos) << p.name << " " << args << ": " << r.err;
    }
  }
  // The window programs take no argument at all, not even a file name.
  for (size_t i = 0; i < 3; i++) {
    const Outcome r = run(programs()[i], "world.txt");
    EXPECT_EQ(r.code, 2) << programs()[i].name;
    EXPECT_NE(r.err.find("unexpected argument world.txt"), std::string::npos) << r.err;
  }
  const Program& worlddump = programs()[4];
  EXPECT_EQ(run(worlddump, "--variant").code, 2);
  EXPECT_EQ(run(worlddump, "--variant x3").code, 2);
}

// On Windows --help spells paths with "\\" and points at the read-me instead of the manual pages.
TEST(WindowsHelp, PathsGetBackslashesAndManualPagesGiveWayToTheReadMe) {
  const std::string usage =
      "usage: worldshot [FOLDER] [options] --opaque | --alpha\n"
      "Builds the world that FOLDER/DATA/ini.txt describes, in maps/NAME.qz61 and gfx/topo/ (1 / 2)\n"
      "  --screen WxH  mapscan(1) runs the same scans; characters < > / \\ stay\n"
      "  See simengine(1) for the configuration keys.\n";
  EXPECT_EQ(svc::windows_help_text(usage),
            "usage: worldshot [FOLDER] [options] --opaque | --alpha\n"
            "Builds the world that FOLDER\\DATA\\ini.txt describes, in maps\\NAME.qz61 and gfx\\topo\\ (1 / 2)\n"
            "  --screen WxH  mapscan.exe runs the same scans; characters < > / \\ stay\n"
            "  See README-Windows.txt beside the programs.\n");
}

}  // namespace
