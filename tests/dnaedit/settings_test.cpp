// settings_test.cpp -- reading "ini.qz61": window size from desktop fractions, wait bounds, keyword matching
#include <climits>

#include "support/editor_folder.h"
#include "services/desktops.h"
#include "dnaedit/settings.h"

using EditorSettingsFile = EditorFolder;

TEST_F(EditorSettingsFile, FractionsOfTheDesktopAndExactKeywords) {
  svc::headless::set_desktop(1280, 1024);
  svc::examine_desktops();
  reset_settings();
  // Other capitals and a trailing blank make other keywords; CR, LF and CR LF all end lines;
  // the later pair wins; a last keyword without its value line gets the empty text.
  write_file("ini.qz61",
             "window_w\r\n0.5\rwindow_h\n0.75\nwindow_name\nDNA\nai_max_dna_gadgets\n4\nAI_MAX_DNA_GADGETS\n9\n"
             "ai_max_dna_gadgets \n7\nqz61_width\n0.3\nai_max_dna_gadgets\n12\nqz61_menu");
  ASSERT_TRUE(load_settings("ini.qz61"));
  EXPECT_EQ(editor.window_width, 640);
  EXPECT_EQ(editor.window_height, 768);
  EXPECT_EQ(editor.window_title, "DNA");
  EXPECT_EQ(editor.max_entries, 12);
  EXPECT_EQ(editor.menu_file, "");
  EXPECT_EQ(editor.dna_source, "");
  EXPECT_FALSE(load_settings("missing.qz61"));
}

TEST_F(EditorSettingsFile, PriorityBecomesABoundedWait) {
  reset_settings();
  EXPECT_EQ(editor.wait_timeout, 0);  // Missing key: no wait
  const std::pair<const char*, int> cases[] = {
      {"200", 55}, {"300", 0}, {"-10", 265}, {"fast", 255}, {"-2147483648", INT_MAX}};
  for (const auto& c : cases) {
    apply_setting("qz61_priority", c.first);
    EXPECT_EQ(editor.wait_timeout, c.second) << c.first;
  }
}
