// temp_folder.h -- a fresh temporary folder per test, removed afterwards, with small byte helpers
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempFolder : public ::testing::Test {
 protected:
  std::string dir;  // Ends in "/"

  void SetUp() override {
    char tmpl[] = "/tmp/services_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  void put(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(dir + name).parent_path());
    std::ofstream f(dir + name, std::ios::binary);
    f << bytes;
  }
  std::string get(const std::string& name) {
    std::ifstream f(dir + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
};
