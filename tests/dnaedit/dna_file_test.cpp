// dna_file_test.cpp -- loading DNA files into the grid, saving and resetting it, names that carry colours
#include "dna_file.h"

#include "editor_folder.h"
#include "services/fields.h"
#include "services/messages.h"
#include "services/headless.h"
#include "services/text.h"
#include "settings.h"

namespace hl = svc::headless;

TEST(DnaName, ColourFromTheFirstNineCharacters) {
  DnaNameColour c = dna_name_colour("dna\\255000128_forest.txt");
  EXPECT_EQ(c.red, "255");
  EXPECT_EQ(c.blue, "128");
  EXPECT_EQ(c.colour, svc::rgb(255, 0, 128));
  EXPECT_EQ(dna_name_colour("some/dir/abc000000.txt").colour, 0);
  // Groups are not clamped: 999 spills into the green channel.
  c = dna_name_colour("999000000.txt");
  EXPECT_EQ(c.colour, 999);
  EXPECT_EQ(svc::red(c.colour), 231);
  EXPECT_EQ(svc::green(c.colour), 3);
  c = dna_name_colour("12");  // Shorter names give short or empty groups
  EXPECT_EQ(c.red, "12");
  EXPECT_EQ(c.green, "");
  EXPECT_EQ(c.colour, 12);
}

TEST(DnaName, TemplateMarkersAnywhereCaseSensitive) {
  EXPECT_TRUE(is_template_line("QZ61_VALUE"));
  EXPECT_TRUE(is_template_line("a QZ61_KEYWORD b"));
  EXPECT_FALSE(is_template_line("qz61_value"));
  EXPECT_FALSE(is_template_line(""));
}

using DnaFile = EditorFolder;

TEST_F(DnaFile, LoadShorterFileColoursTheRestAsUnloaded) {
  write_settings();
  write_menu();
  write_source(8);
  write_file("001002003.txt", lines({"key", "QZ61_VALUE", "k2", "v2", "k3"}, "\r\n"));
  with_editor([&] {
    load_dna_file("001002003.txt");
    EXPECT_EQ(hl::field_info(1).text, "key");
    EXPECT_EQ(hl::field_info(1).back_colour, svc::rgb(250, 255, 240));
    EXPECT_EQ(hl::field_info(2).back_colour, svc::rgb(200, 220, 220));  // Template line
    EXPECT_EQ(hl::field_info(4).back_colour, svc::rgb(250, 220, 220));
    EXPECT_EQ(hl::field_info(5).text, "k3");
    EXPECT_EQ(hl::field_info(6).text, "line6");  // Not reached: text kept
    EXPECT_EQ(hl::field_info(6).back_colour, svc::rgb(200, 220, 220));
    EXPECT_EQ(hl::field_info(7).back_colour, svc::rgb(200, 255, 240));
    EXPECT_EQ(hl::field_info(8).back_colour, svc::rgb(200, 220, 220));
    EXPECT_FALSE(hl::field_info(1).text_colour_set);  // Entry text colour stays the system's
    EXPECT_EQ(hl::field_info(SWATCH_FIELD).back_colour, svc::rgb(1, 2, 3));
    EXPECT_EQ(hl::field_info(SWATCH_FIELD).text_colour, svc::rgb(1, 2, 3));
    EXPECT_EQ(editor.current_dna_path, "001002003.txt");
  });
}

TEST_F(DnaFile, LoadLongerFileDropsExtraLinesAndRebuildsTheTitle) {
  write_settings();
  write_menu();
  write_source(8);
  write_source(10, "long.txt");
  with_editor([&] {
    hl::queue_message_answer(svc::ANSWER_OK);
    load_dna_file("long.txt");
    load_dna_file("long.txt");  // A second load starts again from the configured title
    EXPECT_EQ(hl::field_info(8).text, "line8");
    EXPECT_EQ(hl::field_info(8).back_colour, svc::rgb(250, 220, 220));
    EXPECT_EQ(hl::field_info(7).back_colour, svc::rgb(250, 255, 240));
    EXPECT_FALSE(hl::field_info(9).exists);
    EXPECT_EQ(hl::window_info(0).title, "Editor  long.txt DNA PART:long.txtR:lonG:g.tB:xt");
    ASSERT_EQ(hl::messages().size(), 2u);
    EXPECT_EQ(hl::messages()[0].title, "Information QZ61:");
    EXPECT_EQ(hl::messages()[0].text, "long.txt\nLoaded");
  });
}

TEST_F(DnaFile, TitleAfterLoadAndUnreadableFilesChangeNothing) {
  write_settings();
  write_menu();
  write_source(3);
  std::filesystem::create_directory("dna");
  write_file("dna/001002003.txt", "a\rb\nc");  // Lone CR, LF and no final terminator
  with_editor([&] {
    load_dna_file("missing.txt");
    load_dna_file("");
    load_dna_file("dna");  // A folder
    EXPECT_EQ(hl::window_info(0).title, "Editor");
    EXPECT_TRUE(hl::messages().empty());
    load_dna_file("dna\\001002003.txt");
    EXPECT_EQ(hl::window_info(0).title, "Editor  dna\\001002003.txt DNA PART:001002003.txtR:001G:002B:003");
    EXPECT_EQ(hl::field_info(1).text, "a");
    EXPECT_EQ(hl::field_info(2).text, "b");
    EXPECT_EQ(hl::field_info(3).text, "c");
  });
}

TEST_F(DnaFile, SaveDropsTemplateLinesAndReplacesALongerFile) {
  write_settings();
  write_menu();
  write_file("dna.txt", lines({"k1", "QZ61_VALUE", "a QZ61_KEYWORD b", "", "k3"}));
  write_file("target.txt", std::string(5000, 'x') + "\nold tail\n");
  with_editor([&] {
    save_dna_file("target.txt");
    EXPECT_EQ(read_file("target.txt"), "k1\r\n\r\nk3\r\n");
    EXPECT_EQ(hl::messages().back().text, "target.txt\nCreated");
  });
  // No temporary file stays behind.
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) entries += e.path().filename().string()[0] == '.';
  EXPECT_EQ(entries, 0);
}

TEST_F(DnaFile, UnchangedFileSavesToTheSameBytesWithCrLf) {
  write_settings();
  write_menu();
  // Windows-1252 and UTF-8 text alike come back byte for byte.
  std::string source = lines({"caf\xE9", "\xC3\xA9t\xC3\xA9", "", "\xB4"}, "\r\n");
  write_file("dna.txt", source);
  with_editor([&] { save_dna_file("copy.txt"); });
  EXPECT_EQ(read_file("copy.txt"), source);
}

TEST_F(DnaFile, SaveFailureIsReportedAndKeepsTheFolderClean) {
  write_settings();
  write_menu();
  write_source(2);
  std::filesystem::create_directory("folder");
  with_editor([&] {
    save_dna_file("");
    save_dna_file("folder");
    save_dna_file("no/such/dir/x.txt");
    ASSERT_EQ(hl::messages().size(), 3u);
    EXPECT_EQ(hl::messages()[0].title, "ERROR_ QZ61:");
    EXPECT_EQ(hl::messages()[0].text, "Can not create file:");
    EXPECT_EQ(hl::messages()[1].text, "Can not create file:folder");
    EXPECT_EQ(hl::messages()[2].text, "Can not create file:no/such/dir/x.txt");
  });
  EXPECT_TRUE(std::filesystem::is_empty("folder"));
}

TEST_F(DnaFile, SaveKeepsPermissionsAndFollowsLinks) {
  write_settings();
  write_menu();
  write_source(1);
  write_file("real.txt", "old\n");
  std::filesystem::permissions("real.txt", std::filesystem::perms(0640));
  std::filesystem::create_symlink("real.txt", "link.txt");
  with_editor([&] { save_dna_file("link.txt"); });
  EXPECT_TRUE(std::filesystem::is_symlink("link.txt"));
  EXPECT_EQ(read_file("real.txt"), "line1\r\n");
  EXPECT_EQ(std::filesystem::status("real.txt").permissions(), std::filesystem::perms(0640));
}

TEST_F(DnaFile, DefaultPatternWritesPlaceholdersOnlyForEmptyValues) {
  write_settings("1", lines({"ai_max_dna_gadgets", "4"}));
  write_menu();
  // The source is missing: the failsafe grid has four empty fields.
  with_editor([&] {
    hl::type_into_field(1, "name");
    hl::type_into_field(3, "QZ61_KEYWORD");  // Template lines are kept by the pattern
    write_default_pattern();
    EXPECT_EQ(hl::messages().back().title, "Information QZ61:");
    EXPECT_EQ(hl::messages().back().text, "Default/Inifile: dna.txt\nCreated");
  });
  EXPECT_EQ(read_file("dna.txt"), "name\r\n#\r\nQZ61_KEYWORD\r\n#\r\n");
}

TEST_F(DnaFile, DefaultPatternBeyondTheGridAndItsFailure) {
  write_settings("1", lines({"ai_max_dna_gadgets", "2"}));
  write_menu();
  write_file("dna.txt", lines({"k1", "v1"}));
  with_editor([&] {
    editor.max_entries = 5;  // More lines than fields: missing fields give empty texts
    write_default_pattern();
    EXPECT_EQ(read_file("dna.txt"), "k1\r\nv1\r\n\r\n#\r\n\r\n");
    editor.max_entries = 0;
    write_default_pattern();
    EXPECT_EQ(read_file("dna.txt"), "");
    editor.dna_source = "no/such/dir/dna.txt";
    write_default_pattern();
    EXPECT_EQ(hl::messages().back().title, "ERROR_ QZ61:");
    EXPECT_EQ(hl::messages().back().text, "Can not create file:no/such/dir/dna.txt");
  });
}

TEST_F(DnaFile, EntryFieldsStopBeforeTheSwatchNumber) {
  write_settings();
  write_menu();
  write_source(1100);
  write_source(1200, "long.txt");
  with_editor([&] {
    EXPECT_EQ(hl::field_info(1023).text, "line1023");
    EXPECT_FALSE(hl::field_info(1023).label);
    EXPECT_TRUE(hl::field_info(SWATCH_FIELD).label);
    EXPECT_FALSE(hl::field_info(1025).exists);
    load_dna_file("long.txt");
    EXPECT_EQ(hl::field_info(SWATCH_FIELD).text, "");  // Line 1024 never reaches the swatch
    EXPECT_EQ(hl::field_info(SWATCH_FIELD).back_colour, 0);
    save_dna_file("out.txt");
  });
  std::string saved = read_file("out.txt");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 1023);
}
