// temp_folder.h -- a fresh temporary folder per test, removed afterwards, with small byte helpers
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/temp_folder.h"

class TempFolder : public ::testing::Test {
 protected:
  std::string dir;  // Ends in "/"

  void SetUp() override {
    dir = support::make_temp_folder("services_test_");
    ASSERT_NE(dir, "");
  }
  void TearDown() override { support::remove_folder(dir); }
  void put(const std::string& name, const std::string& bytes) { ASSERT_TRUE(support::write_file(dir + name, bytes)); }
  std::string get(const std::string& name) { return support::read_file(dir + name); }
};
