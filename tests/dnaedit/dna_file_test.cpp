// dna_file_test.cpp -- loading DNA files into the grid, saving and resetting it, names that carry colours
#include "dna_file.h"

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>

#include "editor_folder.h"
#include "services/text.h"
#include "settings.h"

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
    ASSERT_EQ(hl::messages().size(), 2u);
    EXPECT_EQ(hl::messages()[0].text, "Can not create file:target.txt");
    EXPECT_EQ(hl::messages()[1].text, "Can not create file:dna.txt");
  });
  EXPECT_EQ(read_file("target.txt"), "old content\r\n");
  EXPECT_EQ(read_file("dna.txt").size(), 6002u);
  for (auto& entry : std::filesystem::directory_iterator(dir)) EXPECT_NE(entry.path().filename().string()[0], '.');
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
    save_dna_file("out.txt");
  });
  std::string saved = read_file("out.txt");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 1023);
}
