// converter_fixture.h -- a temporary converter folder for tests: ini files, pictures, runs, reads
//
// Each test gets a fresh folder that is the working directory while it runs and a reset headless
// platform, with helpers to write "ini.ini" and a settings file, small BMP pictures, and to run
// the converter's body or a scan on a screen of a chosen size.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "mapconvert/converter.h"
#include "mapconvert/state.h"
#include "services/headless.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "services/windows.h"
#include "support/bmp.h"
#include "support/files.h"
#include "support/temp_folder.h"

using support::bmp_bytes;
using support::Rgb;

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
  std::string dir;  // the temporary folder, ending in "/"

  void SetUp() override {
    ASSERT_TRUE(support::enter_temp_folder(folder_, "mapconvert_test_"));
    dir = folder_.dir;
    svc::headless::reset();
  }

  void TearDown() override { support::leave_temp_folder(folder_); }

  void write_file(const std::string& relative, const std::string& bytes) { support::write_file(dir + relative, bytes); }

  std::string read_file(const std::string& relative) { return support::read_file(dir + relative); }

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
  std::vector<std::string> files_in(const std::string& relative) { return support::names_in(dir + relative); }

 private:
  support::WorkFolder folder_;
};
