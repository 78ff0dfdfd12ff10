// worked_example_test.cpp -- the converter's red and AI maps of a 2 x 1 picture, byte for byte
#include "converter_fixture.h"

#include <sys/wait.h>

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
