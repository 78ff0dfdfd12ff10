// settings_test.cpp -- reading "ini.qz61": window size from desktop fractions, wait bounds, keyword matching
#include <climits>

#include "editor_folder.h"
#include "services/desktops.h"
#include "settings.h"

using EditorSettingsFile = EditorFolder;

TEST_F(EditorSettingsFile, FractionsOfTheDesktopAndTitle) {
  svc::headless::set_desktop(1280, 1024);
  svc::examine_desktops();
  reset_settings();
  write_file("ini.qz61", lines({"window_w", "0.5", "window_h", "0.75", "window_name", "DNA"}));
  ASSERT_TRUE(load_settings("ini.qz61"));
  EXPECT_EQ(editor.window_width, 640);
  EXPECT_EQ(editor.window_height, 768);
  EXPECT_EQ(editor.window_title, "DNA");
  EXPECT_EQ(editor.settings_name, "ini.qz61");
  EXPECT_EQ(editor.home_dir.back(), '/');
}

TEST_F(EditorSettingsFile, PriorityBecomesABoundedWait) {
  reset_settings();
  EXPECT_EQ(editor.wait_timeout, 0);  // Missing key: no wait
  apply_setting("qz61_priority", "200");
  EXPECT_EQ(editor.wait_timeout, 55);
  apply_setting("qz61_priority", "300");
  EXPECT_EQ(editor.wait_timeout, 0);
  apply_setting("qz61_priority", "-10");
  EXPECT_EQ(editor.wait_timeout, 265);
  apply_setting("qz61_priority", "-2147483648");  // Would overflow a 32-bit difference
  EXPECT_EQ(editor.wait_timeout, INT_MAX);
  apply_setting("qz61_priority", "fast");
  EXPECT_EQ(editor.wait_timeout, 255);
}

TEST_F(EditorSettingsFile, KeywordsMatchExactlyAndTheLaterPairWins) {
  reset_settings();
  // Other capitals and a trailing blank are different keywords; CR, LF and CR LF all end lines.
  write_file("ini.qz61",
             "ai_max_dna_gadgets\r\n4\rAI_MAX_DNA_GADGETS\n9\nai_max_dna_gadgets \n7\nqz61_width\n0.3\n"
             "ai_max_dna_gadgets\n12\nqz61_menu\nmenu.txt\nwindow_name");
  ASSERT_TRUE(load_settings("ini.qz61"));
  EXPECT_EQ(editor.max_entries, 12);
  EXPECT_EQ(editor.menu_file, "menu.txt");
  EXPECT_EQ(editor.window_title, "");  // A last keyword without its value line gets the empty text
  EXPECT_EQ(editor.dna_source, "");
}

TEST_F(EditorSettingsFile, MissingFileIsReportedAndMissingKeysKeepDefaults) {
  reset_settings();
  EXPECT_FALSE(load_settings("ini.qz61"));
  EXPECT_EQ(editor.window_title, "INFORMATION IS MISSING!INISCRIPT MAY BE DAMAGED...");
  EXPECT_EQ(editor.max_entries, 1);
  EXPECT_EQ(editor.window_width, 0);
}
