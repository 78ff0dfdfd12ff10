// editor_test.cpp -- the editor end to end: grid layout, failsafe grid, menu bar, questions, start log
#include "dna_file.h"
#include "support/editor_folder.h"
#include "editor_menu.h"
#include "services/paths.h"
#include "services/messages.h"
#include "services/text.h"
#include "services/windows.h"
#include "dnaedit/settings.h"

namespace hl = svc::headless;

using Editor = EditorFolder;

static void expect_at(int field, int x, int y) {
  hl::FieldInfo f = hl::field_info(field);
  EXPECT_TRUE(f.exists) << field;
  EXPECT_EQ(f.x, x) << field;
  EXPECT_EQ(f.y, y) << field;
}

TEST_F(Editor, TallWindowHoldsFortyFieldsAColumn) {
  write_editor_files("1", 50);  // 1200 pixels
  with_editor([&] {
    expect_at(1, 0, 24);
    expect_at(40, 0, 960);
    expect_at(41, 200, 24);
    expect_at(SWATCH_FIELD, 410, 24);
    EXPECT_EQ(hl::field_info(2).back_colour, svc::rgb(220, 220, 220));
    EXPECT_EQ(hl::field_info(1).back_colour, svc::rgb(240, 255, 240));
    EXPECT_NE(hl::field_info(2).font, 0);
    EXPECT_TRUE(hl::messages().empty());
  });
}

TEST_F(Editor, LowWindowWrapsAfterTwelveRows) {
  write_editor_files("0.25", 50);  // 300 pixels
  with_editor([&] {
    expect_at(12, 0, 288);
    expect_at(13, 200, 24);
    expect_at(49, 800, 24);
    expect_at(SWATCH_FIELD, 1025, 24);
  });
  write_numbered("dna.txt", 12);  // The last field itself wraps: the swatch moves one column on
  with_editor([&] { expect_at(SWATCH_FIELD, 410, 24); });
}

TEST_F(Editor, MissingSourceGivesTheFailsafeGrid) {
  write_editor_files("1", 0, lines({"ai_max_dna_gadgets", "6"}));
  hl::fail_create_field(2);  // A failed attempt gives its number to the next one
  with_editor([&] {
    ASSERT_EQ(hl::messages().size(), 1u);
    EXPECT_EQ(hl::messages()[0].text,
              "FATAL SYSTEM ERROR:\n MISSING QZ61 SYSTEM\nSYSTEM TRYING To CREATE FAILSAVE DNA SYSTEM");
    for (int n = 1; n <= 5; ++n) {
      EXPECT_EQ(hl::field_info(n).font, 0);  // Default font
      EXPECT_EQ(hl::field_info(n).back_colour, n % 2 ? svc::rgb(240, 255, 240) : svc::rgb(220, 220, 220));
    }
    expect_at(2, 0, 48);
    EXPECT_FALSE(hl::field_info(6).exists);
    expect_at(SWATCH_FIELD, 205, 24);
  });
}

TEST_F(Editor, WindowSizeIsHeldBetweenOnePixelAndTheDesktop) {
  write_editor_files("none", 3, lines({"window_w", "0"}));  // Zero and non-numeric: 1 pixel, sizable
  with_editor([&] {
    hl::WindowInfo w = hl::window_info(0);
    ASSERT_TRUE(w.exists);
    EXPECT_EQ(w.width, 1);
    EXPECT_EQ(w.height, 1);
    EXPECT_TRUE(w.flags & svc::WINDOW_SIZABLE);
    EXPECT_TRUE(hl::field_info(3).exists);
  });
  write_editor_files("1e30", 3, lines({"window_w", "99999"}));  // Huge: the desktop's size
  with_editor([&] {
    EXPECT_EQ(hl::window_info(0).width, 1000);
    EXPECT_EQ(hl::window_info(0).height, 1200);
  });
}

TEST_F(Editor, MenuBarFollowsTheDefinitionFile) {
  write_editor_files("1", 2);
  write_file("menu.txt", lines({"#_MENUE_SAVE", "Save now", "#_MENU_RGB_DNA_CONTROL", "Colours", "#_GET_RGB_DNA", "Get",
                                "#_menue_quit", "ignored", "_open_file_title$", "Choose"}));
  with_editor([&] {
    std::vector<hl::MenuEntry> entries = hl::menu_entries(0);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].id, MENU_SAVE);
    EXPECT_EQ(entries[0].under_title, -1);  // Before any title: directly in the bar
    EXPECT_TRUE(entries[1].title);
    EXPECT_EQ(entries[2].id, MENU_LOAD_RGB);
    EXPECT_EQ(entries[2].under_title, 1);
    EXPECT_EQ(editor.dialog_title, "Choose");
  });
}

TEST_F(Editor, QuitNoKeepsEditingAndNothingIsSavedOnTheWayOut) {
  write_editor_files("1", 2);
  write_file("255128000_forest.txt", lines({"GFXNAME", "tree.png"}, "\r\n"));
  with_editor([&] {
    hl::queue_requester_result(dir + "/255128000_forest.txt");
    hl::queue_menu_pick(MENU_LOAD);
    hl::queue_event(svc::EVENT_CLOSE);
    hl::queue_message_answer(svc::ANSWER_OK);
    hl::queue_message_answer(svc::ANSWER_NO);
    hl::queue_menu_pick(5);  // No such command
    hl::queue_menu_pick(MENU_QUIT);
    run_event_loop();
    EXPECT_EQ(hl::requesters().at(0).title, "Pick a DNA file");
    EXPECT_EQ(hl::requesters().at(0).pattern, "*");
    ASSERT_EQ(hl::messages().size(), 3u);
    EXPECT_EQ(hl::messages()[1].title, "                 QZ61 QUESTION:               ");
    EXPECT_EQ(hl::messages()[1].text, " DO YOU WANT TO QUIT?\n ALL UNSAVED DATA WILL BE LOST");
    EXPECT_EQ(hl::messages()[1].flags, svc::MESSAGE_YES_NO);
    hl::type_into_field(2, "edited");
    editor.quit_requested = false;
    hl::queue_menu_pick(MENU_SAVE);
    run_event_loop();
  });
  EXPECT_EQ(read_file("255128000_forest.txt"), "GFXNAME\r\nedited\r\n");
  EXPECT_EQ(read_file("dna.txt"), "line1\nline2\n");
}

TEST_F(Editor, CancelledSaveAsFailsVisiblyTwice) {
  write_editor_files("1", 2);
  hl::queue_menu_pick(MENU_SAVE_AS);
  hl::queue_menu_pick(MENU_SAVE);
  EXPECT_EQ(run_editor(), 0);
  EXPECT_EQ(hl::requesters().at(0).kind, "save");
  EXPECT_EQ(hl::messages().at(0).text, "Can not create file:");
  EXPECT_EQ(hl::messages().at(1).text, "Can not create file:");
}

TEST_F(Editor, ResetAsksWithTheAcuteAccentAndOnlyYesWrites) {
  write_editor_files("1", 0, lines({"ai_max_dna_gadgets", "2"}));
  write_file("dna.txt", lines({"k", "", "k2", "v2"}));
  hl::queue_menu_pick(MENU_RESET);
  hl::queue_message_answer(svc::ANSWER_CANCEL);
  hl::queue_menu_pick(MENU_RESET);
  hl::queue_message_answer(svc::ANSWER_NO);
  hl::queue_menu_pick(MENU_RESET);
  EXPECT_EQ(run_editor(), 0);
  EXPECT_EQ(hl::messages().at(0).title, "QZ61 Internal Request:");
  EXPECT_EQ(svc::to_display_text(hl::messages()[0].text), "Confirm If You Want To Reset `qz61.qz61\xC2\xB4 DNA Data:");
  EXPECT_EQ(hl::messages()[0].flags, svc::MESSAGE_YES_NO_CANCEL);
  EXPECT_EQ(hl::messages().at(3).title, "Information QZ61:");
  EXPECT_EQ(read_file("dna.txt"), "k\r\n#\r\n");
}

TEST_F(Editor, StartLogHasSixLines) {
  write_editor_files("1", 2, lines({"qz61_priority", "200"}));
  write_file("qz61_log.txt", "an older, longer log\nwith\nmore\nlines\nthan\nthe\nnew\none\n");
  EXPECT_EQ(run_editor(), 0);
  std::string log = read_file("qz61_log.txt");
  std::string head =
      "HOME: " + svc::shown_path(svc::current_directory()) +
      "\r\nINIFILE: ini.qz61\r\nWINDOW_ID: 0\r\nWINDOWTITLE: Editor\r\nQZ61 PRIORITY: 55\r\nLOG CREATED: ";
  ASSERT_EQ(log.substr(0, head.size()), head);
  std::string stamp = log.substr(head.size());  // yyyy/mm/dd TIME hh:ii:ss
  ASSERT_EQ(stamp.size(), 26u);
  EXPECT_EQ(stamp.substr(10, 6), " TIME ");
  EXPECT_EQ(stamp.substr(24), "\r\n");

  write_file("ini.qz61", lines({"qz61_menu", "menu.txt", "qz61_source", "dna.txt"}));
  EXPECT_EQ(run_editor(), 0);
  EXPECT_NE(read_file("qz61_log.txt")
                .find("\r\nWINDOWTITLE: INFORMATION IS MISSING!INISCRIPT MAY BE DAMAGED...\r\nQZ61 PRIORITY: 0\r\n"),
            std::string::npos);
}

TEST_F(Editor, FailuresBeforeTheLoopEndTheProgramWithoutALog) {
  write_file("qz61_log.txt", "earlier log\n");
  EXPECT_EQ(run_editor(), 0);  // No settings file
  ASSERT_EQ(hl::messages().size(), 1u);
  EXPECT_EQ(hl::messages()[0].text, "MISSING: INI FILE");

  write_editor_files("1", 1);
  std::filesystem::remove("menu.txt");
  hl::reset();
  EXPECT_EQ(run_editor(), 0);
  ASSERT_EQ(hl::messages().size(), 1u);
  EXPECT_EQ(hl::messages()[0].title, "ERROR_ QZ61:");
  EXPECT_EQ(hl::messages()[0].text, "COULD NOT OPEN WINDOW");
  EXPECT_EQ(read_file("qz61_log.txt"), "earlier log\n");

  // A folder or an endless device in place of either file is no file.
  std::filesystem::create_directory("menu.txt");
  std::filesystem::rename("ini.qz61", "settings");
#ifdef _WIN32
  std::filesystem::create_directory("ini.qz61");  // Windows has no endless device to link to
#else
  std::filesystem::create_symlink("/dev/zero", "ini.qz61");
#endif
  for (const char* expected : {"MISSING: INI FILE", "COULD NOT OPEN WINDOW"}) {
    hl::reset();
    EXPECT_EQ(run_editor(), 0);
    ASSERT_EQ(hl::messages().size(), 1u);
    EXPECT_EQ(hl::messages()[0].text, expected);
    if (std::filesystem::exists("settings")) {  // Then the menu file, the folder
      std::filesystem::remove("ini.qz61");
      std::filesystem::rename("settings", "ini.qz61");
    }
  }
}
