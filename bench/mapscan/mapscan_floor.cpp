// mapscan_floor.cpp -- the least work a map scan can do, for mapscan_bench to compare against
//
//   mapscan_floor decode PICTURE BYTES OUT   decodes PICTURE (PNG or JPEG) to RGBA with the decoder
//                                             mapscan uses, then writes BYTES bytes of map text to OUT
//                                             (beside it, synced, renamed over it, as mapscan does)
//   mapscan_floor create FOLDER NAMES        creates one new empty file in FOLDER for every line of the
//                                             file NAMES, each by an exclusive open and a close
//   mapscan_floor time COMMAND...            runs COMMAND (its output thrown away) and prints its wall
//                                             and processor seconds (user + system, children included)
//
// The picture goes through the suite's picture service, as mapscan's does (the file read whole, then
// the direct PNG decoder or libturbojpeg), into memory of the kind mapscan's screen has; everything
// else is one call of the operating-system layer per system call. Like mapscan, the program is
// linked statically.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "os.h"
#include "os_programs.h"
#include "services/pictures.h"
#include "surface.h"

namespace {

bool read_file(const char* path, std::vector<unsigned char>& bytes) {
  const os::Handle file = os::open_file(path, os::Open::READ);
  os::Info info;
  if (file == os::kNoHandle) return false;
  if (!os::file_info(file, info)) {
    os::close_file(file);
    return false;
  }
  bytes.resize(size_t(info.size));
  size_t got = 0;
  while (got < bytes.size()) {
    const int64_t n = os::read_some(file, bytes.data() + got, bytes.size() - got);
    if (n <= 0) break;
    got += size_t(n);
  }
  os::close_file(file);
  return got == bytes.size();
}

// The decoded pixels go to memory that is not cleared first, as a decoder's own output would.
bool decode(const char* path) {
  svc::register_image_decoders();
  void* pixels = nullptr;
  size_t bytes = 0;
  const svc::PictureRows rows = [&](int width, int height, size_t& stride) {
    stride = size_t(width) * 4;
    bytes = stride * size_t(height);
    pixels = svc::detail::allocate_pixels(bytes);
    return static_cast<uint8_t*>(pixels);
  };
  const bool ok = svc::decode_picture_into(path, rows) == 1;
  if (pixels) svc::detail::free_pixels(pixels, bytes);
  return ok;
}

// BYTES bytes of lines like a map's, written from one block of at most 64 KiB (a larger block costs
// more in page faults than it saves in calls). They go to OUT as mapscan's maps do: into a new file
// beside it, synced, renamed over it and the folder synced, so that the floor pays the same price
// for a durable file and the ratio measures mapscan, not the disk.
bool write_text(const char* path, long long bytes) {
  os::Replacement replacement;
  if (!os::begin_replace(path, false, replacement)) return false;
  const size_t size = size_t(std::min<long long>(bytes, 1 << 16));
  std::vector<char> block(size);
  const char line[] = "123\r\n45\r\n6\r\n";
  for (size_t i = 0; i < size; i++) block[i] = line[i % (sizeof line - 1)];
  bool ok = true;
  while (ok && bytes > 0) {
    const size_t n = size_t(std::min<long long>(bytes, (long long)size));
    ok = os::write_all(replacement.file, block.data(), n);
    bytes -= (long long)n;
  }
  if (!ok) {
    os::abandon_replace(replacement);
    return false;
  }
  return os::finish_replace(replacement) == os::Replaced::DONE;
}

// One exclusive create and close per name, in the order listed.
bool create_files(const std::string& folder, const char* list) {
  std::vector<unsigned char> names;
  if (!read_file(list, names)) return false;
  std::string path = folder + "/";
  const size_t base = path.size();
  size_t start = 0;
  for (size_t i = 0; i < names.size(); i++) {
    if (names[i] != '\n') continue;
    path.resize(base);
    path.append(reinterpret_cast<const char*>(names.data()) + start, i - start);
    start = i + 1;
    const os::Handle file = os::open_file(path, os::Open::CREATE_ONLY);
    if (file == os::kNoHandle) return false;
    os::close_file(file);
  }
  return true;
}

// "WALL CPU" in seconds for one run of the command; its output goes nowhere.
int time_command(int count, char** argv) {
  const std::vector<std::string> arguments(argv, argv + count);
  const auto start = std::chrono::steady_clock::now();
  double cpu = -1;
  const int code = os::run_program(arguments, &cpu);
  if (cpu < 0) return 1;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.6f %.6f\n", wall, cpu);
  return code < 0 ? 1 : code;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "decode" && argc == 5) {
    if (!decode(argv[2])) return std::fprintf(stderr, "floor: no picture: %s\n", svc::picture_error().c_str()), 1;
    return write_text(argv[4], std::atoll(argv[3])) ? 0 : 1;
  }
  if (what == "time" && argc > 2) return time_command(argc - 2, argv + 2);
  if (what == "create" && argc == 4) return create_files(argv[2], argv[3]) ? 0 : 1;
  std::fprintf(stderr, "usage: mapscan_floor decode PICTURE BYTES OUT | create FOLDER NAMES | time COMMAND...\n");
  return 2;
}
