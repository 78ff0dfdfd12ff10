// editor_test.cpp -- the editor end to end: grid layout, failsafe grid, menu bar, questions, start log
#include "dna_file.h"
#include "editor_folder.h"
#include "editor_menu.h"
#include "services/fields.h"
#include "services/files.h"
#include "services/messages.h"
#include "services/text.h"
#include "services/windows.h"
#include "settings.h"

namespace hl = svc::headless;

using Editor = EditorFolder;

static void expect_at(int field, int x, int y) {
  SCOPED_TRACE("field " + std::to_string(field));
  hl::FieldInfo f = hl::field_info(field);
  EXPECT_TRUE(f.exists);
  EXPECT_EQ(f.x, x);
  EXPECT_EQ(f.y, y);
}

TEST_F(Editor, TallWindowHoldsFortyFieldsAColumn) {
  write_settings("1");  // 1200 pixels
  write_menu();
  write_source(50);
  with_editor([&] {
    EXPECT_EQ(hl::window_info(0).height, 1200);
    expect_at(1, 0, 24);
    expect_at(40, 0, 960);
    expect_at(41, 200, 24);
    expect_at(50, 200, 240);
    expect_at(SWATCH_FIELD, 410, 24);
    hl::FieldInfo f = hl::field_info(2);
    EXPECT_EQ(f.width, 200);
    EXPECT_EQ(f.height, 24);
    EXPECT_EQ(f.flags, svc::FIELD_CENTRED);
    EXPECT_EQ(f.text, "line2");
    EXPECT_EQ(f.back_colour, svc::rgb(220, 220, 220));
    EXPECT_EQ(hl::field_info(1).back_colour, svc::rgb(240, 255, 240));
    ASSERT_NE(f.font, 0);
    hl::FieldInfo swatch = hl::field_info(SWATCH_FIELD);
    EXPECT_TRUE(swatch.label);
    EXPECT_EQ(swatch.width, 50);
    EXPECT_EQ(swatch.back_colour, 0);
    EXPECT_TRUE(swatch.back_colour_set && swatch.text_colour_set);
    EXPECT_TRUE(hl::messages().empty());
  });
}

TEST_F(Editor, LowWindowWrapsAfterTwelveRows) {
  write_settings("0.25");  // 300 pixels
  write_menu();
  write_source(50);
  with_editor([&] {
    expect_at(12, 0, 288);
    expect_at(13, 200, 24);
    expect_at(48, 600, 288);
    expect_at(49, 800, 24);
    expect_at(SWATCH_FIELD, 1025, 24);
  });
}

TEST_F(Editor, WrapAfterTheLastFieldMovesTheSwatch) {
  write_settings("0.25");
  write_menu();
  write_source(12);
  with_editor([&] { expect_at(SWATCH_FIELD, 410, 24); });
}

TEST_F(Editor, MissingSourceGivesTheFailsafeGrid) {
  write_settings("1", lines({"ai_max_dna_gadgets", "6"}));
  write_menu();
  with_editor([&] {
    ASSERT_EQ(hl::messages().size(), 1u);
    EXPECT_EQ(hl::messages()[0].title, "ERROR_ QZ61:");
    EXPECT_EQ(hl::messages()[0].text,
              "FATAL SYSTEM ERROR:\n MISSING QZ61 SYSTEM\nSYSTEM TRYING To CREATE FAILSAVE DNA SYSTEM");
    for (int n = 1; n <= 6; ++n) {
      hl::FieldInfo f = hl::field_info(n);
      EXPECT_EQ(f.text, "");
      EXPECT_EQ(f.font, 0);  // Default font
      EXPECT_EQ(f.back_colour, n % 2 ? svc::rgb(240, 255, 240) : svc::rgb(220, 220, 220));
    }
    EXPECT_FALSE(hl::field_info(7).exists);
    expect_at(SWATCH_FIELD, 205, 24);
  });
}

TEST_F(Editor, FailedFieldCreationUsesUpANumberOnlyInTheStartGrid) {
  write_settings("1", lines({"ai_max_dna_gadgets", "3"}));
  write_menu();
  write_source(3);
  hl::fail_create_field(2);
  with_editor([&] {
    EXPECT_FALSE(hl::field_info(2).exists);
    expect_at(3, 0, 72);
  });
  write_file("dna.txt", "");  // Empty source: failsafe grid, where the failed attempt is retried
  hl::reset();
  hl::set_desktop(1000, 1200);
  hl::fail_create_field(2);
  with_editor([&] {
    expect_at(2, 0, 48);
    EXPECT_FALSE(hl::field_info(3).exists);
    expect_at(SWATCH_FIELD, 205, 24);
  });
}

TEST_F(Editor, MenuBarFollowsTheDefinitionFile) {
  write_settings();
  write_source(2);
  write_file("menu.txt", lines({"#_MENUE_SAVE", "Save now", "#_MENU_RGB_DNA_CONTROL", "Colours", "#_GET_RGB_DNA",
                                "Get", "#_menue_quit", "ignored", "#_MENUE_SAVE", "Save again", "_open_file_title$",
                                "Choose"}));
  with_editor([&] {
    std::vector<hl::MenuEntry> entries = hl::menu_entries(0);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_FALSE(entries[0].title);
    EXPECT_EQ(entries[0].id, MENU_SAVE);
    EXPECT_EQ(entries[0].under_title, -1);  // Before any title: directly in the bar
    EXPECT_TRUE(entries[1].title);
    EXPECT_EQ(entries[1].text, "Colours");
    EXPECT_EQ(entries[2].id, MENU_LOAD_RGB);
    EXPECT_EQ(entries[2].under_title, 1);
    EXPECT_EQ(entries[3].text, "Save again");
    EXPECT_EQ(editor.dialog_title, "Choose");
  });
}

TEST_F(Editor, QuitIsAskedAndNoKeepsTheEditorRunning) {
  write_settings();
  write_menu();
  write_source(2);
  with_editor([&] {
    hl::type_into_field(1, "edited");
    hl::queue_event(svc::EVENT_CLOSE);
    hl::queue_message_answer(svc::ANSWER_NO);
    hl::queue_event(svc::EVENT_REPAINT);
    hl::queue_field_event(1);
    hl::queue_menu_pick(5);  // No such command
    hl::queue_menu_pick(MENU_QUIT);
    run_event_loop();
    ASSERT_EQ(hl::messages().size(), 2u);
    EXPECT_EQ(hl::messages()[0].title, "                 QZ61 QUESTION:               ");
    EXPECT_EQ(hl::messages()[0].text, " DO YOU WANT TO QUIT?\n ALL UNSAVED DATA WILL BE LOST");
    EXPECT_EQ(hl::messages()[0].flags, svc::MESSAGE_YES_NO);
    EXPECT_EQ(hl::field_info(1).text, "edited");
    EXPECT_TRUE(editor.quit_requested);
  });
  EXPECT_EQ(read_file("dna.txt"), "line1\nline2\n");  // Nothing is saved on the way out
}

TEST_F(Editor, LoadEditSaveThroughTheMenu) {
  write_settings();
  write_menu();
  write_source(4);
  write_file("255128000_forest.txt", lines({"GFXNAME", "tree.png", "CHILD1", "QZ61_VALUE"}, "\r\n"));
  with_editor([&] {
    hl::queue_requester_result(dir + "/255128000_forest.txt");
    hl::queue_menu_pick(MENU_LOAD);
    hl::queue_menu_pick(MENU_QUIT);
    run_event_loop();
    EXPECT_EQ(hl::requesters().at(0).kind, "open");
    EXPECT_EQ(hl::requesters().at(0).title, "Pick a DNA file");
    EXPECT_EQ(hl::requesters().at(0).pattern, "*");
    EXPECT_EQ(hl::field_info(SWATCH_FIELD).back_colour, svc::rgb(255, 128, 0));
    hl::type_into_field(4, "tree.dll");
    editor.quit_requested = false;
    hl::queue_menu_pick(MENU_SAVE);
    hl::queue_menu_pick(MENU_QUIT);
    run_event_loop();
  });
  EXPECT_EQ(read_file("255128000_forest.txt"), "GFXNAME\r\ntree.png\r\nCHILD1\r\ntree.dll\r\n");
}

TEST_F(Editor, CancelledSaveAsFailsVisiblyTwice) {
  write_settings();
  write_menu();
  write_source(2);
  hl::queue_menu_pick(MENU_SAVE_AS);
  hl::queue_menu_pick(MENU_SAVE);
  EXPECT_EQ(run_editor(), 0);
  ASSERT_GE(hl::messages().size(), 2u);
  EXPECT_EQ(hl::requesters().at(0).kind, "save");
  EXPECT_EQ(hl::messages()[0].text, "Can not create file:");
  EXPECT_EQ(hl::messages()[1].text, "Can not create file:");
}

TEST_F(Editor, ResetAsksWithTheAcuteAccentAndYesWritesThePattern) {
  write_settings("1", lines({"ai_max_dna_gadgets", "2"}));
  write_menu();
  write_file("dna.txt", lines({"k", "", "k2", "v2"}));
  hl::queue_menu_pick(MENU_RESET);
  hl::queue_message_answer(svc::ANSWER_CANCEL);
  hl::queue_menu_pick(MENU_RESET);
  hl::queue_message_answer(svc::ANSWER_NO);
  hl::queue_menu_pick(MENU_RESET);
  EXPECT_EQ(run_editor(), 0);
  ASSERT_GE(hl::messages().size(), 3u);
  EXPECT_EQ(hl::messages()[0].title, "QZ61 Internal Request:");
  EXPECT_EQ(hl::messages()[0].text, "Confirm If You Want To Reset `qz61.qz61\xB4 DNA Data:");
  EXPECT_EQ(hl::messages()[0].flags, svc::MESSAGE_YES_NO_CANCEL);
  EXPECT_EQ(svc::to_display_text(hl::messages()[0].text), "Confirm If You Want To Reset `qz61.qz61\xC2\xB4 DNA Data:");
  EXPECT_EQ(hl::messages()[3].text, "Default/Inifile: dna.txt\nCreated");
  EXPECT_EQ(read_file("dna.txt"), "k\r\n#\r\n");
}

TEST_F(Editor, StartLogHasSixLines) {
  write_settings("1", lines({"qz61_priority", "200"}));
  write_menu();
  write_source(2);
  write_file("qz61_log.txt", "an older, longer log\nwith more lines\nthan\nthe\nnew\none\nhas\n");
  EXPECT_EQ(run_editor(), 0);
  std::string log = read_file("qz61_log.txt");
  std::string home = svc::current_directory();
  std::string expected_start = "HOME: " + home + "\r\nINIFILE: ini.qz61\r\nWINDOW_ID: 0\r\nWINDOWTITLE: Editor\r\n"
                               "QZ61 PRIORITY: 55\r\nLOG CREATED: ";
  ASSERT_EQ(log.substr(0, expected_start.size()), expected_start);
  std::string stamp = log.substr(expected_start.size());
  // yyyy/mm/dd TIME hh:ii:ss and the final line end.
  ASSERT_EQ(stamp.size(), 26u);
  EXPECT_EQ(stamp.substr(10, 6), " TIME ");
  EXPECT_EQ(stamp.substr(24), "\r\n");
}

TEST_F(Editor, DamagedSettingsShowInTheLog) {
  write_file("ini.qz61", lines({"qz61_menu", "menu.txt", "qz61_source", "dna.txt"}));
  write_menu();
  write_source(1);
  EXPECT_EQ(run_editor(), 0);
  std::string log = read_file("qz61_log.txt");
  EXPECT_NE(log.find("\r\nWINDOWTITLE: INFORMATION IS MISSING!INISCRIPT MAY BE DAMAGED...\r\nQZ61 PRIORITY: 0\r\n"),
            std::string::npos);
}

TEST_F(Editor, FailuresBeforeTheLoopEndTheProgramWithoutALog) {
  write_file("qz61_log.txt", "earlier log\n");
  EXPECT_EQ(run_editor(), 0);  // No settings file
  ASSERT_EQ(hl::messages().size(), 1u);
  EXPECT_EQ(hl::messages()[0].text, "MISSING: INI FILE");

  write_settings();
  write_source(1);
  hl::reset();
  EXPECT_EQ(run_editor(), 0);  // No menu definition file
  ASSERT_EQ(hl::messages().size(), 1u);
  EXPECT_EQ(hl::messages()[0].title, "ERROR_ QZ61:");
  EXPECT_EQ(hl::messages()[0].text, "COULD NOT OPEN WINDOW");

  write_menu();
  hl::reset();
  hl::fail_open_window(true);
  EXPECT_EQ(run_editor(), 0);
  EXPECT_EQ(hl::messages().back().text, "COULD NOT OPEN WINDOW");
  EXPECT_EQ(read_file("qz61_log.txt"), "earlier log\n");
}
