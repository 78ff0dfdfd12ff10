// settings_test.cpp -- the configuration reader: line pairing, every key's parsing, bounds and defaults
#include <filesystem>
#include <functional>
#include "base/notices.h"
#include "core/settings.h"
#include "support/engine_fixture.h"
#include "services/random.h"

namespace {

class ConfigTest : public EngineFixture {
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

TEST_F(ConfigTest, EmptyFileKeepsEveryDefault) {
  read_bytes("");
  EngineState d;  // the defaults
  EXPECT_EQ(engine.resolution, -1.0f);
  EXPECT_EQ(engine.mapSizeX, 1);
  EXPECT_EQ(engine.mapSizeY, 1);
  EXPECT_EQ(engine.refreshPeriod, 60);
  EXPECT_EQ(engine.vegiDense, 100);
  EXPECT_EQ(engine.worldTemperature, 15.0f);
  EXPECT_EQ(engine.multicore, 1);
  EXPECT_EQ(engine.smoothingPass, 1);
  EXPECT_EQ(engine.zoomedCellSize, 1);
  EXPECT_EQ(engine.screenWidth, 1.0f);
  EXPECT_EQ(engine.desktopFrequency, 60);
  EXPECT_EQ(engine.desktopDepth, 24);
  EXPECT_EQ(engine.cursorDelay, 0);
  EXPECT_EQ(engine.useSprite3D, 0);
  EXPECT_EQ(engine.labyrinthMode, 0);
  EXPECT_EQ(engine.eventWaitMs, 0);
  EXPECT_EQ(engine.windowTitle, "");
  EXPECT_EQ(engine.logPath, "");
  EXPECT_EQ(d.resolution, engine.resolution);
}

TEST_F(ConfigTest, PairsAreKeyThenValueWithAnyLineEnd) {
  // CR LF, lone LF, lone CR and NUL all end a line.
  read_bytes(std::string("RESOLUTION\r\n32\nMULTITASK\r1") + '\0' + "APPNAME\r\nMy World\r\n");
  EXPECT_EQ(engine.resolution, 32.0f);
  EXPECT_EQ(engine.eventWaitMs, 1);
  EXPECT_EQ(engine.windowTitle, "My World");
}

TEST_F(ConfigTest, ABlankLineShiftsThePairing) {
  // The blank line is read as a key; "RESOLUTION" becomes its value, "32" the next key.
  read_bytes("\r\nRESOLUTION\r\n32\r\nMULTITASK\r\n5\r\n");
  EXPECT_EQ(engine.resolution, -1.0f);
  EXPECT_EQ(engine.eventWaitMs, 0);
}

TEST_F(ConfigTest, KeysMatchExactlyWithoutTrimming) {
  read_bytes("resolution\r\n32\r\nRESOLUTION \r\n33\r\n RESOLUTION\r\n34\r\nAPPNAME\r\n  spaced \t\r\n");
  EXPECT_EQ(engine.resolution, -1.0f);
  EXPECT_EQ(engine.windowTitle, "  spaced \t");
}

TEST_F(ConfigTest, LaterPairWinsAndLastKeyGetsEmptyValue) {
  read_bytes("RESOLUTION\r\n16\r\nRESOLUTION\r\n24\r\nMULTITASK\r\n7\r\nMULTITASK");
  EXPECT_EQ(engine.resolution, 24.0f);
  EXPECT_EQ(engine.eventWaitMs, 0);  // the empty value reads as 0
}

TEST_F(ConfigTest, WindowModeAndUseSprite3DShareOneFlag) {
  read_bytes("WINDOWMODE\r\n1\r\nUSESPRITE3D\r\n0\r\n");
  EXPECT_EQ(engine.useSprite3D, 0);
  read_bytes("USESPRITE3D\r\n0\r\nWINDOWMODE\r\n1\r\n");
  EXPECT_EQ(engine.useSprite3D, 1);
}

TEST_F(ConfigTest, EveryKeyReachesItsField) {
  struct Case {
    const char* key;
    const char* value;
    std::function<bool()> stored;
  };
  const EngineState& e = engine;
  std::vector<Case> cases = {
      {"FONTPATH", "f\\", [&] { return e.fontPath == "f\\"; }},
      {"FONTSYSTEM", "Arial", [&] { return e.fontSystem == "Arial"; }},
      {"WINDOWMODE", "1", [&] { return e.useSprite3D == 1; }},
      {"MULTITASK", "-1", [&] { return e.eventWaitMs == -1; }},
      {"SAVEGFX", "s", [&] { return e.saveGfx == "s"; }},
      {"SAVEEVOLUTION", "v", [&] { return e.saveEvolution == "v"; }},
      {"APPNAME", "Title", [&] { return e.windowTitle == "Title"; }},
      {"GFXPATH", "gfx\\", [&] { return e.gfxPath == "/base/gfx\\"; }},
      {"RESOLUTION", "32.5", [&] { return e.resolution == 32.0f; }},
      {"TOPO", "topo", [&] { return e.topo == "/base/topo"; }},
      {"BASICGFX", "b\\", [&] { return e.basicGfx == "/base/b\\"; }},
      {"APPENTRY", "maps\\", [&] { return e.appEntry == "maps\\"; }},
      {"APPSTART", "land", [&] { return e.appStart == "land"; }},
      {"TOPOGFX", "topo\\", [&] { return e.topoGfx == "/base/topo\\"; }},
      {"GFXCODEC", ".png", [&] { return e.gfxCodec == ".png"; }},
      {"SYSTEMCORE", "core", [&] { return e.systemCore == "/base/core"; }},
      {"CORENAME", "c", [&] { return e.coreName == "c"; }},
      {"USESPRITE3D", "1", [&] { return e.useSprite3D == 1; }},
      {"LOGPATH", "log\\", [&] { return e.logPath == "/base/log\\"; }},
      {"LOGFILE", "report.txt", [&] { return e.logFile == "report.txt"; }},
      {"RGBCODEPATH", "codes\\", [&] { return e.rgbCodePath == "codes\\"; }},
      {"WORLDGFX", "objects\\", [&] { return e.worldGfx == "/base/objects\\"; }},
      {"USELOGFILE", "1", [&] { return e.useLogFile == 1; }},
      {"LOADSCREEN", "load#.png", [&] { return e.loadScreen == "load#.png"; }},
      {"LOADANIM", "anim", [&] { return e.loadAnim == "anim"; }},
      {"CURSOR", "cur", [&] { return e.cursorName == "cur"; }},
      {"CURSORSPEED", "200", [&] { return e.cursorSpeed == 200 && e.cursorDelay == 55; }},
      {"VEGIDENSE", "7", [&] { return e.vegiDense == 7; }},
      {"USEFULLMATRIX", "1", [&] { return e.useFullMatrix == 1; }},
      {"WORLDRANDOM", "1234", [&] { return e.worldRandom == 1234; }},
      {"MULTICORE", "0", [&] { return e.multicore == 0; }},
      {"MAPSIZE", "100", [&] { return e.mapSizeX == 100 && e.mapSizeY == 100; }},
      {"WORLDTEMPERATURE", " 21.5xyz", [&] { return e.worldTemperature == 21.5f; }},
      {"WORLDREFRESH", "10", [&] { return e.refreshPeriod == 10; }},
      {"SELFCREATEBASE", "base.txt", [&] { return e.labyrinthBaseFile == "/base/base.txt"; }},
      {"USESELFCREATEBASE", "1", [&] { return e.labyrinthMode == 1; }},
      {"LABSWITCH", "-3", [&] { return e.labSwitch == -3; }},
  };
  for (const auto& c : cases) {
    apply(c.key, c.value);
    EXPECT_TRUE(c.stored()) << c.key << " = " << c.value;
  }
}

TEST_F(ConfigTest, NumbersParseLeniently) {
  apply("MULTITASK", " \t-12abc");
  EXPECT_EQ(engine.eventWaitMs, -12);
  apply("RESOLUTION", "abc");
  EXPECT_EQ(engine.resolution, 0.0f);
  apply("WORLDTEMPERATURE", "warm");
  EXPECT_EQ(engine.worldTemperature, 0.0f);
  apply("RESOLUTION", "+48");
  EXPECT_EQ(engine.resolution, 48.0f);
}

TEST_F(ConfigTest, ByteKeysKeepTheLowEightBitsSigned) {
  apply("USESELFCREATEBASE", "257");
  EXPECT_EQ(engine.labyrinthMode, 1);
  apply("WINDOWMODE", "255");
  EXPECT_EQ(engine.useSprite3D, -1);
  apply("MULTICORE", "-1");
  EXPECT_EQ(engine.multicore, -1);
}

TEST_F(ConfigTest, CursorSpeedIsClampedAndGivesTheDelay) {
  apply("CURSORSPEED", "300");
  EXPECT_EQ(engine.cursorSpeed, 255);
  EXPECT_EQ(engine.cursorDelay, 0);
  apply("CURSORSPEED", "-4");
  EXPECT_EQ(engine.cursorSpeed, 0);
  EXPECT_EQ(engine.cursorDelay, 255);
  apply("CURSORSPEED", "255");
  EXPECT_EQ(engine.cursorDelay, 0);
}

TEST_F(ConfigTest, MapSizeBounds) {
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

TEST_F(ConfigTest, WorldRandomSeedsTheGeneratorWhileReading) {
  svc::random_seed(1234);
  std::vector<int> expected;
  for (int i = 0; i < 5; i++) expected.push_back(svc::random(1000));
  svc::random_seed(99);  // something else
  read_bytes("WORLDRANDOM\r\n1234\r\n");
  for (int i = 0; i < 5; i++) EXPECT_EQ(svc::random(1000), expected[i]) << "draw " << i;
}

TEST_F(ConfigTest, PathKeysGlueTheValueToTheBaseDirectory) {
  // No separator is inserted: a folder value without its own separator runs into the next name.
  apply("LOGPATH", "logs");
  EXPECT_EQ(engine.logPath, "/base/logs");
  apply("LOGPATH", "");
  EXPECT_EQ(engine.logPath, "/base/");
}

// A folder or an endless device in place of the file is no configuration; NUL ends a line as CR and
// LF do, and a line of megabytes is one key or value like any other.
TEST_F(ConfigTest, FolderDeviceNulAndHugeLines) {
  for (bool device : {false, true}) {
    std::filesystem::remove_all(dir + "DATA");
    std::filesystem::create_directories(dir + "DATA");
    if (device)
      std::filesystem::create_symlink("/dev/zero", dir + "DATA/ini.txt");
    else
      std::filesystem::create_directory(dir + "DATA/ini.txt");
    svc::headless::reset();
    reset_engine_state();
    engine.configPath = dir + "DATA\\ini.txt";
    EXPECT_EQ(svc::headless::run_program([&] {
                read_configuration(engine.configPath);
                return 42;
              }),
              0);
    EXPECT_EQ(only_message(), " Could not open " + dir + "DATA/ini.txt");
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

TEST_F(ConfigTest, MissingFileIsFatalCodeZeroWithTheFullPath) {
  reset_engine_state();
  engine.configPath = dir + "DATA\\ini.txt";
  int code = svc::headless::run_program([&] {
    read_configuration(engine.configPath);
    return 42;  // not reached
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(svc::headless::messages().size(), 1u);
  EXPECT_EQ(svc::headless::messages()[0].title, "ERROR ");
  EXPECT_EQ(svc::headless::messages()[0].text, " Could not open " + dir + "DATA/ini.txt");
}

}  // namespace
