// os_names_test.cpp -- names found as Windows finds them, on every system: letter case folded as
// Windows folds it, reads that find the entry of other case, and writes that land where Windows puts
// them (the folder of other case, the file of other case, "create only if absent")
#include <filesystem>
#include <string>
#include <vector>

#include "os.h"
#include "support/temp_folder.h"

namespace {

using Names = std::vector<std::string>;

TEST(FoldedName, LettersOfEveryKindFoldAndNothingElseDoes) {
  EXPECT_EQ(os::folded_name("Gfx/Topo/Forest.PNG"), "gfx/topo/forest.png");
  EXPECT_EQ(os::folded_name("060160060"), "060160060");
  EXPECT_FALSE(os::may_differ_in_case("060160060.-_ "));
  EXPECT_TRUE(os::may_differ_in_case("060160060.t"));
  // UTF-8 letters: Latin-1, Latin Extended-A (with Y diaeresis across both), Greek, Cyrillic.
  EXPECT_EQ(os::folded_name("\xC3\x8E" "LE"), os::folded_name("\xC3\xAE" "le"));           // Île, île
  EXPECT_EQ(os::folded_name("\xC5\xA0" "UMA"), os::folded_name("\xC5\xA1" "uma"));         // Šuma, šuma
  EXPECT_EQ(os::folded_name("\xC5\xB8"), os::folded_name("\xC3\xBF"));                    // Ÿ, ÿ
  EXPECT_EQ(os::folded_name("\xCE\xA3\xCE\x91"), os::folded_name("\xCF\x83\xCE\xB1"));     // ΣΑ, σα
  EXPECT_EQ(os::folded_name("\xD0\x9B\xD0\x81"), os::folded_name("\xD0\xBB\xD1\x91"));     // ЛЁ, лё
  // A Windows-1252 name meets its UTF-8 spelling in either case.
  EXPECT_EQ(os::folded_name("\xC9t\xE9"), os::folded_name("\xC3\xA9t\xC3\xA9"));  // Été (1252), été (UTF-8)
  EXPECT_EQ(os::folded_name("\x8A"), os::folded_name("\xC5\xA1"));               // Š (1252), š (UTF-8)
  // Not letters: the multiplication sign stays apart from the division sign, sharp s from "SS".
  EXPECT_NE(os::folded_name("\xC3\x97"), os::folded_name("\xC3\xB7"));
  EXPECT_NE(os::folded_name("\xC3\x9F"), os::folded_name("SS"));
  // A broken UTF-8 sequence is Windows-1252, not an error.
  EXPECT_EQ(os::folded_name("A\xC3"), "a\xC3\xA3");
}

class OsNames : public support::TempFolder {
 protected:
  void SetUp() override {
    support::TempFolder::SetUp();
    put("Maps/Island.qz61", "map");
    put("Codes/060160060.txt", "GFXNAME\r\nforest.png\r\n");
  }
  Names names(const std::string& folder) { return support::names_in(dir + folder); }
  std::string read_all(const std::string& path) {
    const os::Handle h = os::open_file(path, os::Open::READ);
    if (h == os::kNoHandle) return "(not opened)";
    char buf[256];
    const int64_t n = os::read_some(h, buf, sizeof buf);
    os::close_file(h);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
  }
  bool write(const std::string& path, os::Open how, const std::string& bytes) {
    const os::Handle h = os::open_file(path, how);
    if (h == os::kNoHandle) return false;
    const bool written = os::write_all(h, bytes.data(), bytes.size());
    return os::close_file(h) && written;
  }
};

TEST_F(OsNames, EveryReadFindsTheEntryOfOtherCase) {
  EXPECT_EQ(read_all(dir + "MAPS/island.QZ61"), "map");
  os::Info info;
  ASSERT_TRUE(os::path_info(dir + "mAPS/ISLAND.QZ61", info, true));
  EXPECT_EQ(info.kind, os::Kind::FILE);
  EXPECT_EQ(info.size, 3);
  ASSERT_TRUE(os::path_info(dir + "maps", info, false));
  EXPECT_EQ(info.kind, os::Kind::FOLDER);
  ASSERT_TRUE(os::path_info(dir + "maps/nothing", info, true));
  EXPECT_EQ(info.kind, os::Kind::MISSING);
  std::vector<os::Entry> entries;
  ASSERT_TRUE(os::list_folder(dir + "MAPS/", entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "Island.qz61");
  EXPECT_TRUE(os::may_access(dir + "CODES/060160060.TXT", false));
  EXPECT_EQ(os::spelled_path(dir + "maps/island.qz61"), dir + "Maps/Island.qz61");
  EXPECT_EQ(os::spelled_path(dir + "Maps/Island.qz61"), dir + "Maps/Island.qz61");
  EXPECT_EQ(os::spelled_path(dir + "maps/lost.qz61"), "");
  EXPECT_EQ(os::spelled_path(dir + "lost/island.qz61"), "");
}

TEST_F(OsNames, WritesLandInTheFolderAndOnTheFileOfOtherCase) {
  // A new file in a folder of other case goes into that folder; no second folder appears.
  ASSERT_TRUE(write(dir + "MAPS/island.red", os::Open::CREATE, "red"));
  EXPECT_EQ(names("Maps"), (Names{"Island.qz61", "island.red"}));
  EXPECT_EQ(names(""), (Names{"Codes", "Maps"}));
  // A file that exists in other case is the one written, truncated or replaced whole.
  ASSERT_TRUE(write(dir + "maps/ISLAND.QZ61", os::Open::CREATE, "new"));
  EXPECT_EQ(get("Maps/Island.qz61"), "new");
  ASSERT_EQ(os::replace_file(dir + "MAPS/island.Qz61", {"replaced"}, false), os::Replaced::DONE);
  EXPECT_EQ(get("Maps/Island.qz61"), "replaced");
  EXPECT_EQ(names("Maps"), (Names{"Island.qz61", "island.red"}));
  // A rename onto a name of other case replaces that file (the name it keeps is the system's choice).
  put("Maps/draft", "draft");
  ASSERT_TRUE(os::rename_path(dir + "maps/DRAFT", dir + "MAPS/ISLAND.RED"));
  EXPECT_EQ(names("Maps").size(), 2u);
  EXPECT_EQ(read_all(dir + "Maps/island.red"), "draft");
  ASSERT_TRUE(os::remove_file(dir + "MAPS/ISLAND.red"));
  EXPECT_EQ(names("Maps"), (Names{"Island.qz61"}));
}

TEST_F(OsNames, CreateOnlyIfAbsentCountsAFileOfOtherCase) {
  // The colour-code file exists in other case: neither way of making it empty touches it.
  EXPECT_EQ(os::create_empty_file(dir + "codes/060160060.TXT"), os::Made::EXISTS);
  EXPECT_EQ(os::open_file(dir + "CODES/060160060.Txt", os::Open::CREATE_ONLY), os::kNoHandle);
  EXPECT_EQ(names("Codes"), (Names{"060160060.txt"}));
  EXPECT_EQ(get("Codes/060160060.txt"), "GFXNAME\r\nforest.png\r\n");
  // New codes go into the folder as it is spelled, with and without letters in the name.
  EXPECT_EQ(os::create_empty_file(dir + "CODES/000000255"), os::Made::MADE);
  EXPECT_EQ(os::create_empty_file(dir + "CODES/000000255.txt"), os::Made::MADE);
  EXPECT_EQ(os::create_empty_file(dir + "codes/000000255.TXT"), os::Made::EXISTS);
  EXPECT_EQ(os::create_empty_file(dir + "CODES/000000255"), os::Made::EXISTS);
  EXPECT_EQ(names("Codes"), (Names{"000000255", "000000255.txt", "060160060.txt"}));
  EXPECT_EQ(os::create_empty_file(dir + "lost/000000255"), os::Made::FAILED);
}

}  // namespace
