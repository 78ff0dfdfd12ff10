// temp_folder.h -- fresh temporary folders for tests: made and removed, optionally the working
// directory while a test runs, and the fixture that gives each test one with small byte helpers
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "support/files.h"

namespace support {

// A fresh empty folder named `name` plus six random characters under `parent` (the system's
// temporary folder when empty); its path ending in "/", or "" when it cannot be made.
std::string make_temp_folder(const std::string& name, const std::string& parent = "");

// Removes a folder and everything in it, after making the folder itself writable again (a test
// may have taken the rights away); errors are ignored.
void remove_folder(const std::string& path);

// A temporary folder that a test works in, and the working directory to go back to.
struct WorkFolder {
  std::string dir;       // the folder, ending in "/"; "" until made
  std::string previous;  // the working directory before; "" until entered
};

// Makes a temporary folder (see make_temp_folder) and makes it the working directory; false when
// either fails.
bool enter_temp_folder(WorkFolder& folder, const std::string& name);

// Goes back to the previous working directory and removes the folder.
void leave_temp_folder(WorkFolder& folder);

// A fresh temporary folder for each test, removed afterwards.
class TempFolder : public ::testing::Test {
 protected:
  std::string dir;  // Ends in "/"

  void SetUp() override {
    dir = make_temp_folder("test_");
    ASSERT_NE(dir, "");
  }
  void TearDown() override { remove_folder(dir); }
  void put(const std::string& name, const std::string& bytes) { ASSERT_TRUE(write_file(dir + name, bytes)); }
  std::string get(const std::string& name) { return read_file(dir + name); }
};

}  // namespace support
