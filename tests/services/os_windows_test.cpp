// os_windows_test.cpp -- what only the Windows side of the operating-system layer does: replacing a
// file in one step, names in UTF-8 and Windows-1252, drive letters and both separators, \\?\ long paths
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "os.h"
#include "os_test_hook.h"
#include "services/windows_arguments.h"

namespace {

// A fresh folder under the system's temporary folder, its UTF-8 path ending in "\"; removed again by
// the test's end (TearDown), long-path children included.
class OsWindows : public ::testing::Test {
 protected:
  std::string dir;
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    ASSERT_GT(n, 0u);
    std::wstring folder = std::wstring(temp, n) + L"orvanel-os-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(GetTickCount64());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    wfolder = folder;
    dir = narrow(folder) + "\\";
  }
  void TearDown() override { remove_tree(L"\\\\?\\" + wfolder); }

  static std::string narrow(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
  }
  static void remove_tree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring child = path + L"\\" + name;
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          remove_tree(child);
        else
          DeleteFileW(child.c_str());
      } while (FindNextFileW(h, &found));
      FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
  }

  static std::string read_all(const std::string& path) {
    os::Handle f = os::open_file(path, os::Open::READ);
    if (f == os::kNoHandle) return "<missing>";
    std::string out;
    char buf[4096];
    int64_t n;
    while ((n = os::read_some(f, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    os::close_file(f);
    return out;
  }
  static void write_new(const std::string& path, const std::string& text) {
    os::Handle f = os::open_file(path, os::Open::CREATE);
    ASSERT_NE(f, os::kNoHandle) << path << ": " << os::error_text();
    ASSERT_TRUE(os::write_all(f, text.data(), text.size()));
    ASSERT_TRUE(os::close_file(f));
  }
  std::vector<std::string> names(const std::string& folder) {
    std::vector<os::Entry> entries;
    EXPECT_TRUE(os::list_folder(folder, entries)) << os::error_text();
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    std::sort(out.begin(), out.end());
    return out;
  }

  std::wstring wfolder;
};

TEST_F(OsWindows, CommandLinesSplitBackIntoTheirArguments) {
  // The system's own splitter reads back what the layer spells (the C runtime splits the same way).
  const std::vector<std::string> arguments = {"C:\\Program Files\\mapscan.exe", "two words", "C:\\my pics\\",
                                              "say \"hi\"", "\xc3\xa9t\xc3\xa9", "", "end\\\\"};
  const std::string line = svc::windows_command_line(arguments);
  const int n = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
  std::wstring wline(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), wline.data(), n);
  int count = 0;
  LPWSTR* split = CommandLineToArgvW(wline.c_str(), &count);
  ASSERT_NE(split, nullptr);
  std::vector<std::string> back;
  for (int i = 0; i < count; i++) back.push_back(narrow(split[i]));
  LocalFree(split);
  EXPECT_EQ(back, arguments);
}

TEST_F(OsWindows, ReplacingAFileIsOneStepAndLeavesNothingBeside) {
  const std::string target = dir + "world.txt";
  write_new(target, "old text\r\n");
  // A reader that holds the file open (sharing it, as the suite's readers do) does not stop the save.
  os::Handle reader = os::open_file(target, os::Open::READ);
  ASSERT_NE(reader, os::kNoHandle);
  EXPECT_EQ(os::replace_file(target, {"new ", "text\r\n"}, true), os::Replaced::DONE) << os::error_text();
  os::close_file(reader);
  EXPECT_EQ(read_all(target), "new text\r\n");
  EXPECT_EQ(names(dir), std::vector<std::string>{"world.txt"});

  // A missing target is made.
  EXPECT_EQ(os::replace_file(dir + "fresh.txt", {"x"}, true), os::Replaced::DONE);
  EXPECT_EQ(read_all(dir + "fresh.txt"), "x");
}

TEST_F(OsWindows, AReadOnlyFileIsNotReplacedAndStaysWhole) {
  const std::string target = dir + "locked.txt";
  write_new(target, "keep me");
  ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(os::replace_file(target, {"lost"}, true), os::Replaced::DONE);
  EXPECT_EQ(read_all(target), "keep me");
  EXPECT_EQ(names(dir), std::vector<std::string>{"locked.txt"});
}

TEST_F(OsWindows, AFailedWriteLeavesTheOldFile) {
  const std::string target = dir + "full.txt";
  write_new(target, "before");
  os::fail_writes_after(3);
  EXPECT_EQ(os::replace_file(target, {"after the disk filled up"}, true), os::Replaced::FAILED);
  os::fail_writes_after(-1);
  EXPECT_EQ(read_all(target), "before");
  EXPECT_EQ(names(dir), std::vector<std::string>{"full.txt"});
}

TEST_F(OsWindows, NamesAreUtf8WhenValidAndWindows1252Otherwise) {
  EXPECT_EQ(os::create_empty_file(dir + "\xce\xa9mega"), os::Made::MADE);  // "Ωmega" in UTF-8
  EXPECT_EQ(os::create_empty_file(dir + "caf\xe9"), os::Made::MADE);       // "café" in Windows-1252
  // The system gives names back in UTF-8, so the Windows-1252 name comes back as UTF-8 "café".
  EXPECT_EQ(names(dir), (std::vector<std::string>{"caf\xc3\xa9", "\xce\xa9mega"}));
  // Both spellings of "café" name the same file.
  EXPECT_EQ(os::create_empty_file(dir + "caf\xc3\xa9"), os::Made::EXISTS);
  os::Info info;
  EXPECT_TRUE(os::path_info(dir + "caf\xe9", info, true));
  EXPECT_EQ(info.kind, os::Kind::FILE);
  // The working folder comes back in UTF-8 too.
  const std::string here = os::current_folder();
  ASSERT_TRUE(os::change_folder(dir));
  EXPECT_EQ(os::current_folder() + "\\", dir);
  EXPECT_TRUE(os::path_info("\xce\xa9mega", info, true));
  ASSERT_TRUE(os::change_folder(here));
}

TEST_F(OsWindows, DriveLettersAndBothSeparatorsNameTheSameFile) {
  ASSERT_GE(dir.size(), 3u);
  ASSERT_EQ(dir[1], ':') << dir;
  write_new(dir + "a.txt", "same");
  std::string slashed = dir;
  for (char& c : slashed)
    if (c == '\\') c = '/';
  EXPECT_EQ(read_all(slashed + "a.txt"), "same");
  // The drive letter in either case.
  std::string lower = dir;
  lower[0] = static_cast<char>(lower[0] >= 'A' && lower[0] <= 'Z' ? lower[0] - 'A' + 'a' : lower[0]);
  EXPECT_EQ(read_all(lower + "a.txt"), "same");
}

TEST_F(OsWindows, PathsBeyondTheClassicLimitWork) {
  // Folders made through the \\?\ form until the path is well past MAX_PATH (260).
  std::wstring wpath = L"\\\\?\\" + wfolder;
  std::string path = dir;
  while (path.size() < 330) {
    wpath += L"\\a-rather-long-folder-name-for-the-test";
    path += "a-rather-long-folder-name-for-the-test\\";
    ASSERT_TRUE(CreateDirectoryW(wpath.c_str(), nullptr));
  }
  const std::string file = path + "deep.txt";
  ASSERT_GT(file.size(), static_cast<size_t>(MAX_PATH));
  EXPECT_EQ(os::create_empty_file(file), os::Made::MADE) << os::error_text();
  EXPECT_EQ(os::replace_file(file, {"deep down"}, true), os::Replaced::DONE) << os::error_text();
  EXPECT_EQ(read_all(file), "deep down");
  os::Info info;
  ASSERT_TRUE(os::path_info(file, info, false));
  EXPECT_EQ(info.size, 9);
  EXPECT_EQ(names(path), std::vector<std::string>{"deep.txt"});
  EXPECT_TRUE(os::rename_path(file, path + "moved.txt"));
  EXPECT_EQ(names(path), std::vector<std::string>{"moved.txt"});
  EXPECT_TRUE(os::remove_file(path + "moved.txt"));
}

TEST_F(OsWindows, ExclusiveCreationNeverTouchesAnExistingFile) {
  const std::string code = dir + "060160060";
  EXPECT_EQ(os::create_empty_file(code), os::Made::MADE);
  write_new(code, "GFXNAME\r\nforest.png\r\n");
  EXPECT_EQ(os::create_empty_file(code), os::Made::EXISTS);
  EXPECT_EQ(os::open_file(code, os::Open::CREATE_ONLY), os::kNoHandle);
  EXPECT_EQ(read_all(code), "GFXNAME\r\nforest.png\r\n");
  EXPECT_EQ(os::create_empty_file(dir + "no-such-folder\\060160060"), os::Made::FAILED);
}

}  // namespace
