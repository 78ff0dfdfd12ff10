// converter_test.cpp -- the converter shell: settings files, failure checks, menu, requesters, notices,
// and the maps its menu commands write, byte for byte
#include "support/converter_fixture.h"

#include "scan.h"
#include "services/messages.h"
#include "services/paths.h"
#include "services/pictures.h"
#include "support/posix_only.h"
#include "support/process.h"

namespace {

using svc::headless::queue_menu_pick;
using svc::headless::queue_message_answer;
using svc::headless::queue_requester_result;

class Converter : public ConverterFixture {};

// --- settings -------------------------------------------------------------------------------

TEST_F(Converter, PointerFileLastPairNamesTheSettingsFile) {
  write_file("ini.ini", "a\nfirst.ini\nb\nsecond.ini\n");
  write_file("first.ini", "TITLE\r\nFIRST\r\n");
  write_file("second.ini", "TITLE\rSECOND\r");
  ConverterState state;
  EXPECT_EQ(start_and_look(state).title, "VARDO BY ORVANEL. SECOND");
  EXPECT_TRUE(svc::headless::messages().empty());
}

TEST_F(Converter, SettingsKeysAreExactAndTheLaterPairWins) {
  write_settings("title\r\nlower\r\nTITLE\r\nfirst\r\nWINDOWWIDTH\r\n 640x\r\nTITLE\r\nsecond\r\nTITLE \r\nblank\r\n");
  svc::headless::set_desktop(1280, 720);
  ConverterState state;
  const auto window = start_and_look(state);
  EXPECT_EQ(window.title, "VARDO BY ORVANEL. second");
  EXPECT_EQ(state.window_width, 640);
  // The window keeps the desktop's size whatever the settings say.
  EXPECT_EQ(window.width, 1280);
  EXPECT_EQ(window.height, 720);
  EXPECT_EQ(window.flags, svc::WINDOW_CENTRED_CAPTION);
}

// --- failure checks ---------------------------------------------------------------------------

TEST_F(Converter, MissingPointerFileAnsweredYesKeepsTheDefaults) {
  run_converter();  // no ini.ini, no settings file: both checks answered Yes
  const auto& shown = svc::headless::messages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].title, "Error:");
  EXPECT_EQ(shown[0].text, "FAIL:" + svc::current_directory() + "ini.ini\rRetry?");
  EXPECT_EQ(shown[0].flags, svc::MESSAGE_YES_NO);
  EXPECT_EQ(shown[1].text, "FAIL:\rRetry?");
  EXPECT_EQ(converter_state.title_suffix, "");
}

TEST_F(Converter, UnopenableSettingsFileAnsweredYesKeepsTheDefaults) {
  write_file("ini.ini", "x\r\nnowhere.ini\r\n");
  run_converter();
  ASSERT_EQ(message_texts(), (std::vector<std::string>{"Error:|FAIL:nowhere.ini\rRetry?"}));
  EXPECT_EQ(converter_state.codec, "");
}

// A folder or an endless device in place of either file is a file that cannot be opened.
TEST_F(Converter, FolderOrDeviceInPlaceOfASettingsFileCannotBeOpened) {
  std::filesystem::create_directory(dir + "ini.ini");
  run_converter();
  ASSERT_FALSE(message_texts().empty());
  EXPECT_EQ(message_texts()[0], "Error:|FAIL:" + svc::current_directory() + "ini.ini\rRetry?");
  std::filesystem::remove(dir + "ini.ini");
  SKIP_ON_WINDOWS("the endless device /dev/zero (the folder above is checked everywhere)");
  write_file("ini.ini", "x\r\nzero.ini\r\n");
  std::filesystem::create_symlink("/dev/zero", dir + "zero.ini");
  svc::headless::reset();
  run_converter();
  EXPECT_EQ(message_texts(), (std::vector<std::string>{"Error:|FAIL:zero.ini\rRetry?"}));
}

TEST_F(Converter, FailureAnsweredNoEndsBeforeTheWindowOpens) {
  queue_message_answer(svc::ANSWER_NO);
  EXPECT_EQ(run_converter(), 0);
  EXPECT_EQ(svc::headless::messages().size(), 1u);
  EXPECT_TRUE(svc::headless::requesters().empty());
}

TEST_F(Converter, MissingWindowIsCheckedAtEveryPass) {
  write_settings("");
  svc::headless::fail_open_window(true);
  svc::headless::queue_event(svc::EVENT_NONE);
  for (int i = 0; i < 4; ++i) queue_message_answer(svc::ANSWER_YES);  // start-up, first pass
  queue_message_answer(svc::ANSWER_NO);                               // second pass ends the program
  run_converter();
  // Screen and menu need the window, so they fail too.
  EXPECT_EQ(message_texts(),
            (std::vector<std::string>{"Error:|FAIL: WINDOW\rRetry?", "Error:|FAIL: SCREEN\rRetry?",
                                      "Error:|FAIL: Create MENU\rRetry?", "Error:|FAIL: WINDOW_ID = 0\rRetry?",
                                      "Error:|FAIL: WINDOW_ID = 0\rRetry?"}));
}

// --- menu and loop ----------------------------------------------------------------------------

TEST_F(Converter, MenuHasItsTitlesItemsAndIdentifiers) {
  write_settings("");
  std::vector<svc::headless::MenuEntry> entries;
  svc::headless::run_program([&] {
    start_converter(converter_state);
    entries = svc::headless::menu_entries(8);
    return 0;
  });
  std::vector<std::string> seen;
  for (const auto& e : entries) seen.push_back(e.title ? "[" + e.text + "]" : e.text + "=" + std::to_string(e.id));
  EXPECT_EQ(seen,
            (std::vector<std::string>{"[PROJECT]", "OPEN_PICTURE=4", "QUIT=7", "[RGB SCANMAP:]", "SAVE_RGB_MAP=11",
                                      "SAVE_RED_MAP=13", "SAVE_BLUE_MAP=14", "SAVE_GREEN_MAP=12", "MAKE_AI_MAP=15",
                                      "MAKE_AI_DITHER_MAP=16", "[INFO]", "ABOUT=10"}));
}

TEST_F(Converter, QuitEndsAfterTheCurrentFrame) {
  write_settings("");
  svc::headless::close_when_idle(false);
  queue_menu_pick(7);
  svc::headless::queue_menu_pick(10);  // never reached
  run_converter();
  EXPECT_EQ(svc::headless::events_pending(), 1);
  EXPECT_TRUE(svc::headless::messages().empty());
  EXPECT_EQ(svc::headless::draw_calls().back().kind, "flip");
}

TEST_F(Converter, CloseRequestEndsTheLoop) {
  write_settings("");
  svc::headless::close_when_idle(false);
  svc::headless::queue_event(svc::EVENT_CLOSE);
  svc::headless::queue_menu_pick(10);
  run_converter();
  EXPECT_EQ(svc::headless::events_pending(), 1);
}

// --- requesters and notices -------------------------------------------------------------------

TEST_F(Converter, CancelledSaveRequesterStartsNoScanAndEmptiesTheLastPath) {
  write_settings("");
  write_example_picture("a.bmp");
  queue_open("a.bmp");
  queue_menu_pick(13);
  queue_requester_result("first");
  queue_menu_pick(12);  // cancelled
  queue_menu_pick(15);  // Yes, then the default shown must be empty
  queue_requester_result("");
  run_converter();
  const auto& req = svc::headless::requesters();
  ASSERT_EQ(req.size(), 4u);
  EXPECT_EQ(req[0].kind, "open");
  EXPECT_EQ(req[0].title, "OPEN SOURCE PIC TO CONVERT");
  // Pictures first, each kind alone, then every file.
  EXPECT_EQ(req[0].pattern.rfind("PNG, JPEG, TIFF and BMP pictures|*.{png,PNG,jpg,", 0), 0u) << req[0].pattern;
  EXPECT_NE(req[0].pattern.find("|All files|*.*"), std::string::npos) << req[0].pattern;
  EXPECT_EQ(req[1].title, "SAVE RED MAP AS...:");
  EXPECT_EQ(req[1].pattern, "*.red");
  EXPECT_EQ(req[2].title, "SAVE GREEN MAP AS...:");
  EXPECT_EQ(req[2].default_path, "first");
  EXPECT_EQ(req[3].title, "SAVE AI MAP AS:");
  EXPECT_EQ(req[3].pattern, "*.qz61");
  EXPECT_EQ(req[3].default_path, "");
  EXPECT_TRUE(exists("first.red"));
  EXPECT_FALSE(exists("first.green"));
  EXPECT_EQ(converter_state.last_map_path, "");
  EXPECT_EQ(converter_state.mode, MODE_IDLE);
}

TEST_F(Converter, CancelledFolderRequesterStartsNoScan) {
  write_settings("");
  write_example_picture("a.bmp");
  queue_open("a.bmp");
  queue_menu_pick(16);
  queue_requester_result("basic");
  queue_requester_result("");  // folder cancelled
  run_converter();
  const auto& req = svc::headless::requesters();
  ASSERT_EQ(req.size(), 3u);
  EXPECT_EQ(req[2].kind, "path");
  EXPECT_EQ(req[2].title, "PLEASE QZ61 DESTINATION:");
  EXPECT_EQ(req[2].default_path, "basic");  // the basic map's folder starts at the map just chosen
  EXPECT_FALSE(exists("basic.qz61"));
  EXPECT_EQ(converter_state.destination_folder, "");
  EXPECT_EQ(message_texts(), (std::vector<std::string>{"Info:| This Will Create Basic RGB QZ61 MAP.\nContinue?"}));
}

TEST_F(Converter, FullAiFolderRequesterStartsAtTheLastFolder) {
  write_settings("");
  write_example_picture("a.bmp");
  std::filesystem::create_directory(dir + "codes");
  queue_open("a.bmp");
  queue_menu_pick(15);
  queue_requester_result("one");
  queue_requester_result(dir + "codes/");
  queue_menu_pick(15);
  queue_requester_result("two");
  run_converter();
  const auto& req = svc::headless::requesters();
  ASSERT_EQ(req.size(), 5u);
  EXPECT_EQ(req[2].default_path, "");
  EXPECT_EQ(req[4].default_path, dir + "codes/");
}

TEST_F(Converter, WarningAnsweredNoAsksNothingMore) {
  write_settings("");
  write_example_picture("a.bmp");
  queue_open("a.bmp");
  queue_menu_pick(15);
  queue_message_answer(svc::ANSWER_NO);
  queue_message_answer(svc::ANSWER_OK);
  queue_menu_pick(16);
  queue_message_answer(svc::ANSWER_NO);
  run_converter();
  EXPECT_EQ(svc::headless::requesters().size(), 1u);  // the open requester only
  EXPECT_EQ(message_texts(),
            (std::vector<std::string>{
                "Attention:| This Can Cause Millions Of Files.\nContinue?", "Info:|Scan Apported. By User.",
                "Info:| This Will Create Basic RGB QZ61 MAP.\nContinue?", "Info:|Scan Apported. By User."}));
  EXPECT_EQ(svc::headless::messages()[1].flags, svc::MESSAGE_OK);
}

TEST_F(Converter, ScanWithoutPictureIsRefused) {
  write_settings("");
  queue_menu_pick(13);
  queue_requester_result("nothing");
  queue_menu_pick(16);
  queue_requester_result("nothing");
  queue_requester_result(dir);
  run_converter();
  EXPECT_EQ(message_texts(), (std::vector<std::string>{"Error RGB()|No Image To Convert Into RGB()MAP",
                                                       "Info:| This Will Create Basic RGB QZ61 MAP.\nContinue?",
                                                       "Error RGB()|No Image To Convert Into AI()MAP"}));
  EXPECT_FALSE(exists("nothing.red"));
  EXPECT_FALSE(exists("nothing.qz61"));
  EXPECT_EQ(converter_state.mode, MODE_IDLE);
}

// --- picture load -----------------------------------------------------------------------------

TEST_F(Converter, FileThatIsNotAPictureKeepsTheOldPicture) {
  write_settings("");
  write_picture("big.bmp", 3, 2, std::vector<Rgb>(6, Rgb{1, 2, 3}));
  write_file("notes.txt", "not a picture\r\n");
  queue_open("big.bmp");
  queue_open("notes.txt");
  queue_menu_pick(13);
  queue_requester_result("m");
  run_converter();
  EXPECT_EQ(converter_state.picture_width, 3);
  EXPECT_EQ(converter_state.picture_height, 2);
  const auto lines = crlf_lines(read_file("m.red"));
  ASSERT_EQ(lines.size(), 5u + 4 * 3);
  EXPECT_EQ(lines[3], "SourceImage:notes.txt");  // the new source path, the old picture
  EXPECT_EQ(lines[5], "1");
  // The second open requester starts at the path the first one chose.
  EXPECT_EQ(svc::headless::requesters()[1].default_path, "big.bmp");
  ASSERT_FALSE(message_texts().empty());
  EXPECT_EQ(message_texts()[0],
            "Error:|Could not open the picture\rnotes.txt\rThe file is not a PNG, JPEG, TIFF or BMP picture.");
}

// A choice that gives no picture says why; a cancelled requester says nothing.
TEST_F(Converter, UnreadableChoiceGetsANoticeWithTheReason) {
  write_settings("");
  std::filesystem::create_directory(dir + "pictures");
  write_file("empty.png", "");
  std::string huge = support::solid_bmp(2, 2, 1, 2, 3);  // a header declaring 16000 x 16000 over 4 pixels
  for (int at : {18, 22}) huge[at] = char(0x80), huge[at + 1] = char(0x3E);
  write_file("huge.bmp", huge);
  queue_open("gone.png");
  queue_open("pictures");
  queue_open("empty.png");
  queue_open("huge.bmp");
  queue_open("");
  run_converter();
  EXPECT_EQ(message_texts(),
            (std::vector<std::string>{
                "Error:|Could not open the picture\rgone.png\rThe file does not exist or cannot be read.",
                "Error:|Could not open the picture\rpictures\rIt is a folder, not a picture.",
                "Error:|Could not open the picture\rempty.png\rThe file is empty.",
                "Error:|Could not open the picture\rhuge.bmp\rThe BMP picture declares 16000 x 16000 "
                "pixels, but its 16 bytes of picture data cannot hold them (truncated or a false "
                "header)."}));
  EXPECT_FALSE(converter_state.picture_loaded);
}

TEST_F(Converter, CancelledOpenRequesterEmptiesTheSourcePath) {
  write_settings("");
  write_example_picture("a.bmp");
  queue_open("a.bmp");
  queue_open("");
  queue_menu_pick(13);
  queue_requester_result("m");
  run_converter();
  EXPECT_EQ(crlf_lines(read_file("m.red"))[3], "SourceImage:");
}

// --- the worked example: the red and AI maps of a 2 x 1 picture, byte for byte, from the menu and from mapscan

const char* kRedMap =
    "RED-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel\r\n2\r\n1\r\nSourceImage:C:\\pics\\a.png\r\n"
    "RED-DATA:\r\n10\r\n0\r\n255\r\n0\r\n0\r\n0\r\n";

const char* kAiMap =
    "AI-FILE:(C) Orvanel, Made Using TINCTOR-AI By Orvanel\r\n2\r\n1\r\nSourceImage:C:\\pics\\a.png\r\n"
    "AI-DATA:\r\n"
    "010\r\n200\r\n003\r\n000\r\n000\r\n000\r\n255\r\n000\r\n000\r\n"
    "000\r\n000\r\n000\r\n000\r\n000\r\n000\r\n000\r\n000\r\n000\r\n";

// The maps name their picture C:\pics\a.png. Where "\" is only a separator of the name, that is the
// working folder's C:/pics/a.png. On Windows it is drive C's folder pics, made for the test and removed
// after it; a pics folder that was there before is never touched (the case skips). Windows cannot hold
// a folder named "C:" (Wine makes one, lists it back as "C:", and removing the working folder then
// walks into "...\C:", drive C's current folder, the working folder itself, over and over until the
// handles run out: minutes per case).
class WorkedExample : public ConverterFixture {
 protected:
  bool place_example_picture() {
#ifdef _WIN32
    if (std::filesystem::exists("C:/pics")) return false;
    made_pics_ = true;
    return support::write_file("C:/pics/a.png", bmp_bytes(2, 1, {{10, 200, 3}, {255, 0, 0}}));
#else
    write_example_picture("C:/pics/a.png");
    return true;
#endif
  }

  void TearDown() override {
    if (made_pics_) {
      std::error_code ec;
      std::filesystem::remove_all("C:/pics", ec);
    }
    ConverterFixture::TearDown();
  }

 private:
  bool made_pics_ = false;
};

// The typical road: open the picture, MAKE_AI_MAP and SAVE_RED_MAP with the same name.
TEST_F(WorkedExample, RedAndAiMapsOfTheMenuCommandsAreByteExact) {
  if (!place_example_picture()) GTEST_SKIP() << "C:\\pics is there already";
  write_settings("CODEC\r\n\r\n");
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
  if (!place_example_picture()) GTEST_SKIP() << "C:\\pics is there already";
  std::filesystem::create_directory(dir + "codes");
  const std::string tool = std::string(SUITE_BINARY_DIR) + "/tools/mapscan";
  if (!std::filesystem::exists(tool + SUITE_EXE)) GTEST_SKIP() << "mapscan not built";
  const std::string quiet = " 2>" + dir + "err.txt";
  ASSERT_EQ(support::shell(tool + " red 'C:\\pics\\a.png' land --screen 1920x1080" + quiet), 0);
  ASSERT_EQ(support::shell(tool + " ai 'C:\\pics\\a.png' land --dest codes" + quiet), 0);
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
  if (!std::filesystem::exists(tool + SUITE_EXE)) GTEST_SKIP() << "mapscan not built";
  SKIP_ON_WINDOWS("the photographs are made by ImageMagick's convert, a Linux program here");
  if (!std::filesystem::exists("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick is not installed";
  svc::register_image_decoders();
  const std::string make = "/usr/bin/convert -seed 5 -size 61x37 plasma:fractal -depth 8 ";
  ASSERT_EQ(support::shell(make + "-quality 90 p.jpg && " + make + "PNG32:p.png"), 0);
  for (const char* picture : {"p.jpg", "p.png"})
    for (const std::string screen : {"", "40x30", "62x38"}) {
      SCOPED_TRACE(std::string(picture) + " " + screen);
      const std::string option = screen.empty() ? "" : " --screen " + screen;
      ASSERT_EQ(support::shell(tool + " rgb " + picture + " tool" + option), 0);
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
  if (!std::filesystem::exists(tool + SUITE_EXE)) GTEST_SKIP() << "mapscan not built";
  write_example_picture("a.bmp");
  write_file("notes.txt", "not a picture");
  auto fails = [&](const std::string& args, const std::string& named) {
    int code = -1;
    support::shell_output(tool + " " + args + " 2>err.txt", &code);
    EXPECT_EQ(code, 1) << args;
    const auto err = read_file("err.txt");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(named), std::string::npos) << err;
  };
  fails("red missing.png m", "missing.png");
  fails("red notes.txt m", "notes.txt");
  fails("red a.bmp nowhere/m", svc::shown_path("nowhere/m.red"));
  fails("ai-basic a.bmp m --dest nowhere", "nowhere");
  EXPECT_FALSE(exists("m.red"));
  EXPECT_FALSE(exists("m.qz61"));
}

}  // namespace
