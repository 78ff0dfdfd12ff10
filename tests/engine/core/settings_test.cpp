// settings_test.cpp -- the configuration reader: line pairing, the world a file names, number parsing and bounds
#include <filesystem>
#include "services/paths.h"
#include "base/notices.h"
#include "core/settings.h"
#include "support/engine_fixture.h"
#include "services/random.h"

namespace {

// A configuration path set whole is shown with "/" throughout; the test's folder has "\" on Windows.
std::string slashed(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

class Settings : public EngineFixture {
 protected:
  // Reads "DATA/ini.txt" from exact bytes into a fresh state whose base directory is "/base/".
  void read_bytes(const std::string& bytes) {
    write_file("DATA/ini.txt", bytes);
    reset_engine_state();
    engine.baseDirectory = "/base/";
    read_configuration(dir + "DATA/ini.txt");
  }
  void apply(const std::string& key, const std::string& value) {
    reset_engine_state();
    engine.baseDirectory = "/base/";
    apply_configuration(key, value);
  }
};

// A configuration as a Windows user writes it (folders ending in "\\", a fractional cell size) gives
// the world it names: the map, the definitions, the ground pictures and whole-pixel cells.
TEST_F(Settings, AConfigurationFileBuildsTheWorldItNames) {
  svc::headless::set_desktop(128, 96);
  write_map("maps/land", 3, 2);
  write_lines("codes/land/000000000", {"GFXNAME", "grass.png"});
  write_bmp("topo/grass.png", 8, 8, 0, 160, 0);  // a BMP, whatever its name says: found by content
  write_config({{"RESOLUTION", "16.9"},
                {"USESPRITE3D", "1"},
                {"APPENTRY", "maps\\"},
                {"APPSTART", "land"},
                {"RGBCODEPATH", "codes\\"},
                {"TOPOGFX", "topo\\"},
                {"GFXCODEC", ".png"}});
  EXPECT_EQ(run_engine(), 0);
  EXPECT_TRUE(svc::headless::messages().empty());
  EXPECT_EQ(engine.mapMaxX, 3);
  EXPECT_EQ(engine.mapMaxY, 2);
  EXPECT_EQ(at(3, 2).pictureName, "grass.png");
  EXPECT_NE(at(3, 2).groundSprite, 0);
  // The last frame's ground quads lie 16 pixels apart.
  std::vector<int> xs;
  for (const auto& call : calls("sprite3d"))
    if (call.a == at(0, 0).groundSprite || call.a == at(1, 0).groundSprite) xs.push_back(call.b);
  ASSERT_GE(xs.size(), 2u);
  EXPECT_EQ(xs[xs.size() - 1] - xs[xs.size() - 2], 16);
}

TEST_F(Settings, PairsAreKeyThenValueWithAnyLineEnd) {
  // CR LF, lone LF, lone CR and NUL all end a line.
  read_bytes(std::string("RESOLUTION\r\n32\nMULTITASK\r1") + '\0' + "APPNAME\r\nMy World\r\n");
  EXPECT_EQ(engine.resolution, 32.0f);
  EXPECT_EQ(engine.eventWaitMs, 1);
  EXPECT_EQ(engine.windowTitle, "My World");
}

TEST_F(Settings, ABlankLineShiftsThePairing) {
  // The blank line is read as a key; "RESOLUTION" becomes its value, "32" the next key.
  read_bytes("\r\nRESOLUTION\r\n32\r\nMULTITASK\r\n5\r\n");
  EXPECT_EQ(engine.resolution, -1.0f);
  EXPECT_EQ(engine.eventWaitMs, 0);
}

TEST_F(Settings, KeysMatchExactlyWithoutTrimming) {
  read_bytes("resolution\r\n32\r\nRESOLUTION \r\n33\r\n RESOLUTION\r\n34\r\nAPPNAME\r\n  spaced \t\r\n");
  EXPECT_EQ(engine.resolution, -1.0f);
  EXPECT_EQ(engine.windowTitle, "  spaced \t");
}

TEST_F(Settings, LaterPairWinsAndLastKeyGetsEmptyValue) {
  read_bytes("RESOLUTION\r\n16\r\nRESOLUTION\r\n24\r\nMULTITASK\r\n7\r\nMULTITASK");
  EXPECT_EQ(engine.resolution, 24.0f);
  EXPECT_EQ(engine.eventWaitMs, 0);  // the empty value reads as 0
}

TEST_F(Settings, WindowModeAndUseSprite3DShareOneFlag) {
  read_bytes("WINDOWMODE\r\n1\r\nUSESPRITE3D\r\n0\r\n");
  EXPECT_EQ(engine.useSprite3D, 0);
  read_bytes("USESPRITE3D\r\n0\r\nWINDOWMODE\r\n1\r\n");
  EXPECT_EQ(engine.useSprite3D, 1);
}

TEST_F(Settings, NumbersParseLeniently) {
  apply("MULTITASK", " \t-12abc");
  EXPECT_EQ(engine.eventWaitMs, -12);
  apply("RESOLUTION", "abc");
  EXPECT_EQ(engine.resolution, 0.0f);
  apply("WORLDTEMPERATURE", "warm");
  EXPECT_EQ(engine.worldTemperature, 0.0f);
  apply("RESOLUTION", "+48");
  EXPECT_EQ(engine.resolution, 48.0f);
  apply("WORLDTEMPERATURE", " 21.5xyz");
  EXPECT_EQ(engine.worldTemperature, 21.5f);
}

TEST_F(Settings, ByteKeysKeepTheLowEightBitsSigned) {
  apply("USESELFCREATEBASE", "257");
  EXPECT_EQ(engine.labyrinthMode, 1);
  apply("WINDOWMODE", "255");
  EXPECT_EQ(engine.useSprite3D, -1);
  apply("MULTICORE", "-1");
  EXPECT_EQ(engine.multicore, -1);
}

TEST_F(Settings, CursorSpeedIsClampedAndGivesTheDelay) {
  apply("CURSORSPEED", "300");
  EXPECT_EQ(engine.cursorSpeed, 255);
  EXPECT_EQ(engine.cursorDelay, 0);
  apply("CURSORSPEED", "-4");
  EXPECT_EQ(engine.cursorSpeed, 0);
  EXPECT_EQ(engine.cursorDelay, 255);
  apply("CURSORSPEED", "255");
  EXPECT_EQ(engine.cursorDelay, 0);
  apply("CURSORSPEED", "200");
  EXPECT_EQ(engine.cursorDelay, 55);
}

TEST_F(Settings, MapSizeBounds) {
  apply("MAPSIZE", "2000");
  EXPECT_EQ(engine.mapSizeX, 1024);
  EXPECT_EQ(engine.mapSizeY, 1024);
  apply("MAPSIZE", "1024");
  EXPECT_EQ(engine.mapSizeX, 1024);
  apply("MAPSIZE", "-1");
  EXPECT_EQ(engine.mapSizeX, 32);
  EXPECT_EQ(engine.mapSizeY, 32);
  apply("MAPSIZE", "0");
  EXPECT_EQ(engine.mapSizeX, 0);
  EXPECT_EQ(engine.mapSizeY, 0);
}

TEST_F(Settings, WorldRandomSeedsTheGeneratorWhileReading) {
  svc::random_seed(1234);
  std::vector<int> expected;
  for (int i = 0; i < 5; i++) expected.push_back(svc::random(1000));
  svc::random_seed(99);  // something else
  read_bytes("WORLDRANDOM\r\n1234\r\n");
  for (int i = 0; i < 5; i++) EXPECT_EQ(svc::random(1000), expected[i]) << "draw " << i;
}

TEST_F(Settings, PathKeysGlueTheValueToTheBaseDirectory) {
  // No separator is inserted: a folder value without its own separator runs into the next name.
  apply("LOGPATH", "logs");
  EXPECT_EQ(engine.logPath, "/base/logs");
  apply("LOGPATH", "");
  EXPECT_EQ(engine.logPath, "/base/");
}

// A folder or an endless device in place of the file is no configuration; NUL ends a line as CR and
// LF do, and a line of megabytes is one key or value like any other.
TEST_F(Settings, FolderDeviceNulAndHugeLines) {
  for (bool device : {false, true}) {
    std::filesystem::remove_all(dir + "DATA");
    std::filesystem::create_directories(dir + "DATA");
    if (!device)
      std::filesystem::create_directory(dir + "DATA/ini.txt");
    else if (!support::link_to_endless_device(dir + "DATA/ini.txt"))
      continue;  // No endless device on Windows: the folder alone
    svc::headless::reset();
    reset_engine_state();
    engine.configPath = dir + "DATA\\ini.txt";
    EXPECT_EQ(svc::headless::run_program([&] {
                read_configuration(engine.configPath);
                return 42;
              }),
              0);
    EXPECT_EQ(only_message(), " Could not open " + svc::shown_path(slashed(dir) + "DATA/ini.txt"));
  }
  std::filesystem::remove_all(dir + "DATA");
  const std::string huge(4 << 20, 'K');
  read_bytes(std::string("RESOLUTION\0"
                         "24\0",
                         14) +
             huge + "\r\n" + huge + "\nAPPNAME\nworld\n");
  EXPECT_EQ(engine.resolution, 24.0f);
  EXPECT_EQ(engine.windowTitle, "world");
}

TEST_F(Settings, MissingFileIsFatalCodeZeroWithTheFullPath) {
  reset_engine_state();
  engine.configPath = dir + "DATA\\ini.txt";
  int code = svc::headless::run_program([&] {
    read_configuration(engine.configPath);
    return 42;  // not reached
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(svc::headless::messages().size(), 1u);
  EXPECT_EQ(svc::headless::messages()[0].title, "ERROR ");
  EXPECT_EQ(svc::headless::messages()[0].text, " Could not open " + svc::shown_path(slashed(dir) + "DATA/ini.txt"));
}

}  // namespace
