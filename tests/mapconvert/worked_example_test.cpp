// worked_example_test.cpp -- the converter's red and AI maps of a 2 x 1 picture, byte for byte
#include "converter_fixture.h"

#include <sys/wait.h>

#include "scan.h"
#include "services/pictures.h"

namespace {

const char* kRedMap =
    "RED-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel\r\n2\r\n1\r\nSourceImage:C:\\pics\\a.png\r\n"
    "RED-DATA:\r\n10\r\n0\r\n255\r\n0\r\n0\r\n0\r\n";

const char* kAiMap =
    "AI-FILE:(C) Orvanel, Made Using TINCTOR-AI By Orvanel\r\n2\r\n1\r\nSourceImage:C:\\pics\\a.png\r\n"
    "AI-DATA:\r\n"
    "010\r\n200\r\n003\r\n000\r\n000\r\n000\r\n255\r\n000\r\n000\r\n"
    "000\r\n000\r\n000\r\n000\r\n000\r\n000\r\n000\r\n000\r\n000\r\n";

class WorkedExample : public ConverterFixture {};

// The typical road: open the picture, MAKE_AI_MAP and SAVE_RED_MAP with the same name.
TEST_F(WorkedExample, RedAndAiMapsOfTheMenuCommandsAreByteExact) {
  write_settings("CODEC\r\n\r\n");
  write_example_picture("C:/pics/a.png");  // "\" is a directory separator on this system
  std::filesystem::create_directory(dir + "codes");
  queue_open("C:\\pics\\a.png");
  svc::headless::queue_menu_pick(15);  // MAKE_AI_MAP: warning Yes (default), name, folder
  svc::headless::queue_requester_result("land");
  svc::headless::queue_requester_result(dir + "codes/");
  svc::headless::queue_menu_pick(13);  // SAVE_RED_MAP, same name
  svc::headless::queue_requester_result("land");
  EXPECT_EQ(run_converter(), 0);

  EXPECT_EQ(read_file("land.red"), kRedMap);
  EXPECT_EQ(read_file("land.qz61"), kAiMap);
  EXPECT_EQ(crlf_lines(read_file("land.qz61")).size(), 23u);
  EXPECT_EQ(files_in("codes"), (std::vector<std::string>{"000000000", "010200003", "255000000"}));
  for (const auto& name : files_in("codes")) EXPECT_EQ(read_file("codes/" + name), "");
  EXPECT_EQ(message_texts(), (std::vector<std::string>{"Attention:| This Can Cause Millions Of Files.\nContinue?",
                                                       "Info:|Image Converted!", "Info:|Image Converted!"}));
}

// The command-line tool writes the same bytes as the menu commands for the same picture.
TEST_F(WorkedExample, MapscanWritesTheSameFiles) {
  write_example_picture("C:/pics/a.png");
  std::filesystem::create_directory(dir + "codes");
  const std::string tool = std::string(SUITE_BINARY_DIR) + "/tools/mapscan";
  if (!std::filesystem::exists(tool)) GTEST_SKIP() << "mapscan not built";
  const std::string quiet = " 2>" + dir + "err.txt";
  ASSERT_EQ(std::system((tool + " red 'C:\\pics\\a.png' land --screen 1920x1080" + quiet).c_str()), 0);
  ASSERT_EQ(std::system((tool + " ai 'C:\\pics\\a.png' land --dest codes" + quiet).c_str()), 0);
  EXPECT_EQ(read_file("land.red"), kRedMap);
  EXPECT_EQ(read_file("land.qz61"), kAiMap);
  EXPECT_EQ(files_in("codes"), (std::vector<std::string>{"000000000", "010200003", "255000000"}));
  EXPECT_EQ(read_file("err.txt"), "");
}

// Photographs decode straight onto mapscan's screen; a picture larger than a chosen screen goes the
// converter's way (sprite, clipped copy). Either way the map is the one the converter's scan writes of
// the frame it shows.
TEST_F(WorkedExample, MapscanOfPhotographsEqualsTheConvertersScan) {
  const std::string tool = std::string(SUITE_BINARY_DIR) + "/tools/mapscan";
  if (!std::filesystem::exists(tool)) GTEST_SKIP() << "mapscan not built";
  if (!std::filesystem::exists("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick is not installed";
  svc::register_image_decoders();
  const std::string make = "/usr/bin/convert -seed 5 -size 61x37 plasma:fractal -depth 8 ";
  ASSERT_EQ(std::system((make + "-quality 90 p.jpg && " + make + "PNG32:p.png").c_str()), 0);
  for (const char* picture : {"p.jpg", "p.png"})
    for (const std::string screen : {"", "40x30", "62x38"}) {
      SCOPED_TRACE(std::string(picture) + " " + screen);
      const std::string option = screen.empty() ? "" : " --screen " + screen;
      ASSERT_EQ(std::system((tool + " rgb " + picture + " tool" + option).c_str()), 0);
      svc::headless::reset();
      ConverterState state;
      const int w = screen.empty() ? 62 : std::stoi(screen), h = screen.empty() ? 38 : std::stoi(screen.substr(3));
      show_picture(state, picture, w, h);
      ASSERT_EQ(state.picture_width, 61);
      scan_colour_map(state, MAP_RGB, 61, 37, "menu");
      EXPECT_TRUE(read_file("tool.rgb") == read_file("menu.rgb"));
    }
}

// Each failure is one line on standard error naming the file, and exit code 1; nothing is written.
TEST_F(WorkedExample, MapscanFailuresNameTheFileAndExitWithOne) {
  const std::string tool = std::string(SUITE_BINARY_DIR) + "/tools/mapscan";
  if (!std::filesystem::exists(tool)) GTEST_SKIP() << "mapscan not built";
  write_example_picture("a.bmp");
  write_file("notes.txt", "not a picture");
  auto fails = [&](const std::string& args, const std::string& named) {
    const int status = std::system((tool + " " + args + " 2>err.txt").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << args;
    const auto err = read_file("err.txt");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(named), std::string::npos) << err;
  };
  fails("red missing.png m", "missing.png");
  fails("red notes.txt m", "notes.txt");
  fails("red a.bmp nowhere/m", "nowhere/m.red");
  fails("ai-basic a.bmp m --dest nowhere", "nowhere");
  EXPECT_FALSE(exists("m.red"));
  EXPECT_FALSE(exists("m.qz61"));
}

}  // namespace
