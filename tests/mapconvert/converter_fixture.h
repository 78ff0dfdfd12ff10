// converter_fixture.h -- a temporary converter folder for tests: ini files, pictures, runs, reads
//
// Each test gets a fresh folder that is the working directory while it runs and a reset headless
// platform, with helpers to write "ini.ini" and a settings file, small BMP pictures, and to run
// the converter's body or a scan on a screen of a chosen size.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "converter.h"
#include "converter_state.h"
#include "services/headless.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "services/windows.h"

struct Rgb {
  int r, g, b;
};

// A 24-bit bottom-up BMP of width x height pixels given row by row from the top.
inline std::string bmp_bytes(int width, int height, const std::vector<Rgb>& pixels) {
  const int row = (width * 3 + 3) / 4 * 4;
  const uint32_t size = 54 + uint32_t(row) * height;
  std::string b(size, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 255);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  b[26] = 1;
  b[28] = 24;
  put32(34, uint32_t(row) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Rgb& p = pixels[size_t(y) * width + x];
      const size_t at = 54 + size_t(height - 1 - y) * row + size_t(x) * 3;
      b[at] = char(p.b);
      b[at + 1] = char(p.g);
      b[at + 2] = char(p.r);
    }
  return b;
}

// The lines of a text whose lines all end in CR LF; a missing final CR LF adds a marker line.
inline std::vector<std::string> crlf_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back("<unterminated>" + text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

class ConverterFixture : public ::testing::Test {
 protected:
  std::string dir;     // the temporary folder, ending in "/"
  std::string old_dir;

  void SetUp() override {
    char cwd[4096];
    old_dir = getcwd(cwd, sizeof cwd) ? cwd : ".";
    std::string pattern = (std::filesystem::temp_directory_path() / "mapconvert_test_XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir = std::string(buf.data()) + "/";
    ASSERT_EQ(chdir(dir.c_str()), 0);
    svc::headless::reset();
  }

  void TearDown() override {
    (void)!chdir(old_dir.c_str());
    std::error_code ec;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir, ec);
  }

  void write_file(const std::string& relative, const std::string& bytes) {
    std::filesystem::path p = dir + relative;
    std::error_code ec;
    std::filesystem::create_directories(p.parent_path(), ec);
    std::ofstream out(p, std::ios::binary);
    out << bytes;
  }

  std::string read_file(const std::string& relative) {
    std::ifstream in(dir + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool exists(const std::string& relative) { return std::filesystem::exists(dir + relative); }

  // "ini.ini" naming "settings.txt", and the settings file with the given text.
  void write_settings(const std::string& settings_text) {
    write_file("ini.ini", "settings file\r\nsettings.txt\r\n");
    write_file("settings.txt", settings_text);
  }

  void write_picture(const std::string& relative, int width, int height, const std::vector<Rgb>& pixels) {
    write_file(relative, bmp_bytes(width, height, pixels));
  }

  // The worked example: 2 x 1, (10, 200, 3) then (255, 0, 0).
  void write_example_picture(const std::string& relative) {
    write_picture(relative, 2, 1, {{10, 200, 3}, {255, 0, 0}});
  }

  int run_converter() { return svc::headless::run_program(run_mapconvert); }

  // Runs only the converter's start-up and returns window 0 as it was then.
  svc::headless::WindowInfo start_and_look(ConverterState& state) {
    svc::headless::WindowInfo info{};
    svc::headless::run_program([&] {
      start_converter(state);
      info = svc::headless::window_info(0);
      return 0;
    });
    return info;
  }

  // Menu pick that opens the picture at path (the open requester answers it).
  void queue_open(const std::string& path) {
    svc::headless::queue_menu_pick(4);
    svc::headless::queue_requester_result(path);
  }

  // A window 0 with a screen of width x height showing the picture at path on black, as the
  // converter's event loop leaves it; fills the picture record of state. Returns the sprite.
  int show_picture(ConverterState& state, const std::string& path, int width, int height) {
    svc::headless::set_desktop(width, height);
    svc::open_window(0, 0, 0, width, height, "test", svc::WINDOW_CENTRED_CAPTION);
    svc::open_windowed_screen(svc::window_handle(0), 0, 0, width, height, 0, 0, 0);
    const int sprite = svc::load_sprite(-1, path, svc::SPRITE_TEXTURE);
    state.source_path = path;
    state.picture = sprite;
    state.picture_width = svc::sprite_width(sprite);
    state.picture_height = svc::sprite_height(sprite);
    state.picture_loaded = sprite != 0;
    svc::clear_screen(0);
    svc::display_sprite(sprite, 0, 0);
    svc::flip_buffers();
    return sprite;
  }

  std::vector<std::string> message_texts() {
    std::vector<std::string> texts;
    for (const auto& m : svc::headless::messages()) texts.push_back(m.title + "|" + m.text);
    return texts;
  }

  // Names of the files in a folder of the temporary folder, sorted.
  std::vector<std::string> files_in(const std::string& relative) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir + relative, ec))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};
