// dna_file_test.cpp -- loading DNA files into the grid, saving and resetting it, names that carry colours
#include "dna_file.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <algorithm>

#include "support/editor_folder.h"
#include "os.h"
#include "os_test_hook.h"
#include "support/posix_only.h"
#include "support/small_disk.h"
#include "services/text.h"
#include "dnaedit/settings.h"

namespace hl = svc::headless;

TEST(DnaName, ColourFromTheFirstNineCharacters) {
  EXPECT_EQ(dna_name_colour("dna\\255000128_forest.txt").colour, svc::rgb(255, 0, 128));
  EXPECT_EQ(dna_name_colour("some/dir/abc000000.txt").colour, 0);
  int32_t spilled = dna_name_colour("999000000.txt").colour;  // Not clamped: red spills into green
  EXPECT_EQ(spilled, 999);
  EXPECT_EQ(svc::red(spilled), 231);
  EXPECT_EQ(svc::green(spilled), 3);
  DnaNameColour shorter = dna_name_colour("12");
  EXPECT_EQ(shorter.green, "");
  EXPECT_EQ(shorter.colour, 12);
}

using DnaFile = EditorFolder;

TEST_F(DnaFile, LoadShorterFileMarksTheFieldsItDidNotReach) {
  write_editor_files("1", 8);
  std::filesystem::create_directory("dna");
  write_file("dna/001002003.txt", "key\r\nQZ61_VALUE\rk2\nv2\r\nk3");  // Every line end, no final one
  with_editor([&] {
    load_dna_file("dna\\001002003.txt");
    EXPECT_EQ(hl::window_info(0).title, "Editor  dna\\001002003.txt DNA PART:001002003.txtR:001G:002B:003");
    EXPECT_EQ(hl::field_info(1).back_colour, svc::rgb(250, 255, 240));
    EXPECT_EQ(hl::field_info(2).back_colour, svc::rgb(200, 220, 220));  // Template line
    EXPECT_EQ(hl::field_info(4).text, "v2");
    EXPECT_EQ(hl::field_info(4).back_colour, svc::rgb(250, 220, 220));
    EXPECT_EQ(hl::field_info(5).text, "k3");
    EXPECT_EQ(hl::field_info(6).text, "line6");  // Not reached: text kept, colour marked
    EXPECT_EQ(hl::field_info(6).back_colour, svc::rgb(200, 220, 220));
    EXPECT_EQ(hl::field_info(7).back_colour, svc::rgb(200, 255, 240));
    EXPECT_FALSE(hl::field_info(1).text_colour_set);
    EXPECT_EQ(hl::field_info(SWATCH_FIELD).back_colour, svc::rgb(1, 2, 3));
    EXPECT_EQ(hl::field_info(SWATCH_FIELD).text_colour, svc::rgb(1, 2, 3));
    EXPECT_EQ(editor.current_dna_path, "dna\\001002003.txt");
  });
}

TEST_F(DnaFile, LoadLongerFileDropsExtraLinesAndUnreadableOnesChangeNothing) {
  write_editor_files("1", 8);
  write_numbered("long.txt", 10);
  std::filesystem::create_directory("folder");
  with_editor([&] {
    load_dna_file("missing.txt");
    load_dna_file("");
    load_dna_file("folder");
    EXPECT_EQ(hl::window_info(0).title, "Editor");
    EXPECT_TRUE(hl::messages().empty());
    load_dna_file("long.txt");
    load_dna_file("long.txt");  // The title starts from the configured one again
    EXPECT_EQ(hl::window_info(0).title, "Editor  long.txt DNA PART:long.txtR:lonG:g.tB:xt");
    EXPECT_EQ(hl::field_info(8).back_colour, svc::rgb(250, 220, 220));
    EXPECT_FALSE(hl::field_info(9).exists);
    ASSERT_EQ(hl::messages().size(), 2u);
    EXPECT_EQ(hl::messages()[0].title, "Information QZ61:");
    EXPECT_EQ(hl::messages()[0].text, "long.txt\nLoaded");
  });
}

TEST_F(DnaFile, SaveDropsTemplateLinesAndReplacesALongerFile) {
  write_editor_files("1", 0);
  write_file("dna.txt", lines({"k1", "QZ61_VALUE", "a QZ61_KEYWORD b", "", "k3"}));
  write_file("target.txt", std::string(5000, 'x') + "\nold tail\n");
  with_editor([&] {
    save_dna_file("target.txt");
    EXPECT_EQ(hl::messages().back().text, "target.txt\nCreated");
  });
  EXPECT_EQ(read_file("target.txt"), "k1\r\n\r\nk3\r\n");
  for (auto& entry : std::filesystem::directory_iterator(dir))  // No temporary file stays behind
    EXPECT_NE(entry.path().filename().string()[0], '.');
}

TEST_F(DnaFile, FullDiskDuringASaveLeavesTheOldFileWhole) {
  write_editor_files("1", 0);
  write_file("dna.txt", lines({std::string(3000, 'k'), std::string(3000, 'v')}));
  write_file("target.txt", "old content\r\n");
  with_editor([&] {
#ifdef _WIN32
    // Windows has no file size limit: the system layer's own full disk after 4096 bytes.
    os::fail_writes_after(4096);
    save_dna_file("target.txt");
    editor.max_entries = 2;
    write_default_pattern();
    os::fail_writes_after(-1);
#else
    // Files may not grow past 4096 bytes: the save's writes fail as on a full disk.
    rlimit old_limit{}, small{4096, 4096};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    small.rlim_max = old_limit.rlim_max;
    auto old_handler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    save_dna_file("target.txt");
    editor.max_entries = 2;
    write_default_pattern();
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, old_handler);
#endif
    ASSERT_EQ(hl::messages().size(), 2u);
    EXPECT_EQ(hl::messages()[0].text, "Can not create file:target.txt");
    EXPECT_EQ(hl::messages()[1].text, "Can not create file:dna.txt");
  });
  EXPECT_EQ(read_file("target.txt"), "old content\r\n");
  EXPECT_EQ(read_file("dna.txt").size(), 6002u);
  for (auto& entry : std::filesystem::directory_iterator(dir)) EXPECT_NE(entry.path().filename().string()[0], '.');
}

TEST_F(DnaFile, SaveIntoAReadOnlyFolderLeavesTheOldFileWhole) {
  support::SmallDisk disk;
  if (!disk.mount(dir + "/disk", 64)) GTEST_SKIP() << disk.why();
  write_editor_files("1", 2);
  write_file("disk/target.txt", "old content\r\n");
  ASSERT_TRUE(disk.read_only(true));
  with_editor([&] {
    save_dna_file("disk/target.txt");
    ASSERT_EQ(hl::messages().size(), 1u);
    EXPECT_EQ(hl::messages()[0].text, "Can not create file:disk/target.txt");
  });
  EXPECT_EQ(read_file("disk/target.txt"), "old content\r\n");
  EXPECT_EQ(support::names_in(dir + "/disk"), std::vector<std::string>{"target.txt"});
}

TEST_F(DnaFile, UnchangedFileSavesToTheSameBytes) {
  write_editor_files("1", 0);
  std::string source = lines({"caf\xE9", "\xC3\xA9t\xC3\xA9", "", "\xB4"}, "\r\n");  // Windows-1252 and UTF-8
  write_file("dna.txt", source);
  with_editor([&] {
    save_dna_file("copy.txt");
    hl::type_into_field(1, "pasted\r\ntwo lines");  // Still one entry: the roles below stay in place
    save_dna_file("pasted.txt");
  });
  EXPECT_EQ(read_file("copy.txt"), source);
  EXPECT_EQ(read_file("pasted.txt"), "pasted  two lines\r\n" + source.substr(source.find('\n') + 1));
}

TEST_F(DnaFile, SaveFailuresAreReported) {
  write_editor_files("1", 2);
  std::filesystem::create_directory("folder");
  with_editor([&] {
    save_dna_file("");
    save_dna_file("folder");
    save_dna_file("no/such/dir/x.txt");
    ASSERT_EQ(hl::messages().size(), 3u);
    EXPECT_EQ(hl::messages()[0].title, "ERROR_ QZ61:");
    EXPECT_EQ(hl::messages()[0].text, "Can not create file:");
    EXPECT_EQ(hl::messages()[1].text, "Can not create file:folder");
  });
  EXPECT_TRUE(std::filesystem::is_empty("folder"));
}

TEST_F(DnaFile, SaveKeepsPermissionsAndFollowsLinks) {
  SKIP_ON_WINDOWS("permission bits and symbolic links");
  write_editor_files("1", 1);
  write_file("real.txt", "old\n");
  std::filesystem::permissions("real.txt", std::filesystem::perms(0640));
  std::filesystem::create_symlink("real.txt", "link.txt");
  with_editor([&] { save_dna_file("link.txt"); });
  EXPECT_TRUE(std::filesystem::is_symlink("link.txt"));
  EXPECT_EQ(read_file("real.txt"), "line1\r\n");
  EXPECT_EQ(std::filesystem::status("real.txt").permissions(), std::filesystem::perms(0640));
}

TEST_F(DnaFile, DefaultPatternWritesPlaceholdersOnlyForEmptyValues) {
  write_editor_files("1", 0, lines({"ai_max_dna_gadgets", "4"}));  // Missing source: four empty fields
  with_editor([&] {
    hl::type_into_field(1, "name");
    hl::type_into_field(3, "QZ61_KEYWORD");  // Template lines are kept by the pattern
    write_default_pattern();
    EXPECT_EQ(hl::messages().back().text, "Default/Inifile: dna.txt\nCreated");
    EXPECT_EQ(read_file("dna.txt"), "name\r\n#\r\nQZ61_KEYWORD\r\n#\r\n");
    editor.max_entries = 6;  // Beyond the grid: empty texts
    write_default_pattern();
    EXPECT_EQ(read_file("dna.txt"), "name\r\n#\r\nQZ61_KEYWORD\r\n#\r\n\r\n#\r\n");
    editor.dna_source = "no/such/dir/dna.txt";
    write_default_pattern();
    EXPECT_EQ(hl::messages().back().title, "ERROR_ QZ61:");
    EXPECT_EQ(hl::messages().back().text, "Can not create file:no/such/dir/dna.txt");
  });
}

TEST_F(DnaFile, EntryFieldsStopBeforeTheSwatchNumber) {
  write_editor_files("1", 1100);
  write_numbered("long.txt", 1200);
  with_editor([&] {
    EXPECT_EQ(hl::field_info(1023).text, "line1023");
    EXPECT_TRUE(hl::field_info(SWATCH_FIELD).label);
    load_dna_file("long.txt");
    EXPECT_EQ(hl::field_info(SWATCH_FIELD).text, "");  // Line 1024 never reaches the swatch
    EXPECT_EQ(hl::field_info(SWATCH_FIELD).back_colour, 0);
  });
}

// The lines as the editor writes them: every line end a CR LF.
static std::string with_crlf(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r')
      out += "\r\n";
    else
      out += text[i];
  }
  return out;
}

static std::string numbered_lines(int n, const std::string& end) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += (i % 2 ? "KEY" : "value \xC3\xA9 ") + std::to_string(i) + end;
  return text;
}

TEST_F(DnaFile, LinesBeyondTheGridAreKeptByEverySave) {
  write_editor_files("1", 0);
  std::string source = numbered_lines(1100, "\n");
  std::string big = numbered_lines(100000, "\r") + "last line without an end";
  write_file("dna.txt", source);
  write_file("big.txt", big);
  write_numbered("fourteen.txt", 14);
  with_editor([&] {
    load_dna_file(editor.dna_source);  // Load default, then Save
    save_dna_file(editor.current_dna_path);
    EXPECT_EQ(hl::messages().back().text, "dna.txt\nCreated");
    EXPECT_EQ(read_file("dna.txt"), with_crlf(source));
    load_dna_file("big.txt");
    save_dna_file("big copy.txt");
  });
  EXPECT_EQ(read_file("big copy.txt"), with_crlf(big) + "\r\n");

  // A 14-line file in a 10-field grid: the four lines the grid cannot show are written back.
  write_numbered("dna.txt", 10);
  with_editor([&] {
    EXPECT_TRUE(editor.kept_tail.empty());
    load_dna_file("fourteen.txt");
    hl::type_into_field(10, "edited");
    save_dna_file("fourteen.txt");
    EXPECT_EQ(hl::messages().back().text, "fourteen.txt\nCreated");
  });
  std::string expected;
  for (int i = 1; i <= 14; ++i) expected += (i == 10 ? std::string("edited") : "line" + std::to_string(i)) + "\r\n";
  EXPECT_EQ(read_file("fourteen.txt"), expected);
}

TEST_F(DnaFile, EncodingIsDecidedOncePerFile) {
  write_editor_files("1", 0);
  // Windows-1252 because of line 2; line 3 would read as UTF-8 on its own but is Windows-1252 too.
  write_file("dna.txt", lines({"abc", "caf\xE9", "\xC3\xA9"}, "\r\n"));
  write_file("utf8.txt", lines({"abc", "caf\xC3\xA9", "x"}, "\r\n"));
  const std::string e_acute = "\xC3\xA9", omega = "\xCE\xA9";  // As typed: UTF-8
  with_editor([&] {
    EXPECT_EQ(hl::field_info(2).text, "caf" + e_acute);
    EXPECT_EQ(hl::field_info(3).text, "\xC3\x83\xC2\xA9");
    hl::type_into_field(1, "abc" + e_acute);
    save_dna_file("latin.txt");
    EXPECT_EQ(read_file("latin.txt"), lines({"abc\xE9", "caf\xE9", "\xC3\xA9"}, "\r\n"));

    // A character Windows-1252 has no byte for stops the save before anything is written.
    hl::type_into_field(3, "a " + omega);
    save_dna_file("latin.txt");
    save_dna_file("new.txt");
    editor.max_entries = 3;
    write_default_pattern();
    ASSERT_EQ(hl::messages().size(), 4u);
    EXPECT_EQ(hl::messages()[1].title, "ERROR_ QZ61:");
    EXPECT_EQ(hl::messages()[1].text,
              "Can not create file:latin.txt\nField 3 holds a character that Windows-1252, the encoding of this "
              "text, cannot store");
    EXPECT_EQ(hl::messages()[3].text.find("Can not create file:dna.txt\nField 3 "), 0u);
    EXPECT_EQ(read_file("latin.txt"), lines({"abc\xE9", "caf\xE9", "\xC3\xA9"}, "\r\n"));
    EXPECT_FALSE(std::filesystem::exists("new.txt"));

    load_dna_file("utf8.txt");  // Valid UTF-8 throughout: shown and saved as UTF-8
    hl::type_into_field(3, omega + e_acute);
    save_dna_file("utf8.txt");
  });
  EXPECT_EQ(read_file("utf8.txt"), lines({"abc", "caf" + e_acute, omega + e_acute}, "\r\n"));
}

TEST_F(DnaFile, DevicesPipesAndEndlessFilesAreNotLoaded) {
#ifdef _WIN32
  SKIP_ON_WINDOWS("/dev/zero, named pipes made with mkfifo and /proc");
#else
  write_editor_files("1", 3);
  ASSERT_EQ(mkfifo("pipe", 0600), 0);
  with_editor([&] {
    load_dna_file("/dev/zero");
    load_dna_file("pipe");
    ASSERT_EQ(hl::messages().size(), 2u);
    EXPECT_EQ(hl::messages()[0].title, "ERROR_ QZ61:");
    EXPECT_EQ(hl::messages()[0].text, "Can not load file:/dev/zero\nIt is not a regular file");
    EXPECT_EQ(hl::messages()[1].text, "Can not load file:pipe\nIt is not a regular file");
    EXPECT_EQ(hl::window_info(0).title, "Editor");
    EXPECT_EQ(hl::field_info(1).text, "line1");
    EXPECT_EQ(editor.current_dna_path, "");
  });

  // Over the bound: a long file, one endless line, and a file whose size the system reports as 0.
  DnaText text;
  write_file("long.txt", std::string(600, 'x') + "\n" + std::string(600, 'y') + "\n");
  EXPECT_EQ(read_dna_text("long.txt", 1, text, 1000), DNA_TOO_LONG);
  EXPECT_EQ(read_dna_text("long.txt", 1, text, 1202), DNA_READ);
  EXPECT_EQ(text.tail, std::string(600, 'y') + "\r\n");
  write_file("line.txt", std::string(5000, 'z'));
  EXPECT_EQ(read_dna_text("line.txt", 5, text, 1000), DNA_TOO_LONG);
  EXPECT_TRUE(text.lines.empty());
  EXPECT_EQ(read_dna_text("/proc/self/maps", 5, text, 100), DNA_TOO_LONG);

  // A DNA source that is a device: said so, then the failsafe grid.
  write_editor_files("1", 0, lines({"qz61_source", "/dev/zero"}));
  with_editor([&] {
    ASSERT_EQ(hl::messages().size(), 4u);  // After the two of the first run
    EXPECT_EQ(hl::messages()[2].text, "Can not load file:/dev/zero\nIt is not a regular file");
    EXPECT_EQ(hl::messages()[3].text.find("FATAL SYSTEM ERROR:"), 0u);
    EXPECT_TRUE(hl::field_info(1).exists);
  });
#endif
}
