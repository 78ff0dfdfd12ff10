// fuzz_folder.cpp -- the fuzz targets' working folder, files written into it, input splitting
#include "fuzz_folder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "os.h"

// Every fault is a finding: ASan keeps its own SEGV handler even when a program installs one (the
// engine's fault hook does).
extern "C" const char* __asan_default_options() { return "allow_user_segv_handler=0:handle_abort=1"; }

namespace fuzz {

void enter_work_folder(const std::string& target) {
  static bool entered = false;
  if (entered) return;
  const std::string folder = os::make_temp_folder("fuzz_" + target + "_");
  if (folder.empty() || !os::change_folder(folder)) {
    std::perror("fuzz: working folder");
    std::abort();
  }
  entered = true;
}

void write_file(const std::string& relative, const std::string& bytes) {
  const std::filesystem::path path(relative);
  std::error_code error;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
  std::ofstream(relative, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string lines(std::initializer_list<std::string> items) {
  std::string out;
  for (const auto& item : items) out += item + "\r\n";
  return out;
}

void remove_file(const std::string& relative) {
  std::error_code error;
  std::filesystem::remove(relative, error);
}

std::string text(const uint8_t* data, size_t size) { return std::string(reinterpret_cast<const char*>(data), size); }

std::string before(const std::string& input, const std::string& separator) {
  return input.substr(0, input.find(separator));
}

std::string after(const std::string& input, const std::string& separator, bool* found) {
  const size_t at = input.find(separator);
  if (found) *found = at != std::string::npos;
  return at == std::string::npos ? std::string() : input.substr(at + separator.size());
}

svc::PictureRows rows_of(svc::Picture& picture) {
  return [&picture](int width, int height, size_t& stride) {
    picture.width = width;
    picture.height = height;
    picture.rgba.assign(size_t(width) * size_t(height) * 4, 0xA5);
    stride = size_t(width) * 4;
    return picture.rgba.data();
  };
}

void check_picture(const svc::Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.rgba.size() != size_t(picture.width) * size_t(picture.height) * 4) {
    std::fprintf(stderr, "fuzz: decoded picture %d x %d with %zu bytes\n", picture.width, picture.height,
                 picture.rgba.size());
    std::abort();
  }
  unsigned sum = 0;  // Reads every byte: a buffer shorter than declared shows under ASan
  for (uint8_t b : picture.rgba) sum += b;
  volatile unsigned keep = sum;
  (void)keep;
}

}  // namespace fuzz
