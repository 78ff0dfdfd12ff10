// bench_world.cpp -- writes the 512 x 512 benchmark world
#include "world_load/bench_world.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "formats/map_format.h"
#include "os.h"
#include "support/bmp.h"

namespace bench {

namespace {

constexpr int kMax = 511;  // 512 x 512 cells

void write_bmp(const std::string& path, int r, int g, int b) { write_text(path, support::solid_bmp(8, 8, r, g, b)); }

}  // namespace

void write_text(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// Many small files: plain system calls (the folder exists).
void write_small(const std::string& path, const std::string& text) {
  const os::Handle file = os::open_file(path, os::Open::CREATE);
  if (file == os::kNoHandle || !os::write_all(file, text.data(), text.size()))
    std::fprintf(stderr, "world_load_bench: cannot write %s\n", path.c_str());
  if (file != os::kNoHandle) os::close_file(file);
}


// The pictures and objects both worlds use: 16 ground pictures, 8 objects of density 3.
void write_pictures(const std::string& dir) {
  for (int k = 0; k < 16; k++) write_bmp(dir + "topo/g" + std::to_string(k) + ".bmp", k * 16, 100, 50);
  for (int k = 0; k < 8; k++) {
    write_bmp(dir + "objects/o" + std::to_string(k) + ".bmp", 200, k * 30, 0);
    write_text(dir + "objects/o" + std::to_string(k) + ".dll",
               "DGFXNAME\r\nobj" + std::to_string(k) +
                   "\r\nDDENSITY\r\n3\r\nDGFXSHOW\r\n1\r\nDFITTOMATRIX\r\n1\r\n"
                   "DHOTSPOT\r\nCENTER\r\nDGFXTRANSPARENCY\r\n255\r\n");
  }
}

// A definition naming ground picture k % 16 and two objects.
std::string definition_text(int k) {
  return "GFXNAME\r\ng" + std::to_string(k % 16) + ".bmp\r\nCHILD1\r\nobj" + std::to_string(k % 8) +
         "\r\nCHILD2\r\n#\r\nCHILD3\r\nobj" + std::to_string((k + 3) % 8) + "\r\nRANDOMSEED\r\n5\r\n";
}

// The test world: 16 codes, each a ground picture and two object names; 8 objects of density 3.
void write_world(const std::string& dir) {
  write_pictures(dir);
  std::vector<std::string> codes;
  for (int k = 0; k < 16; k++) {
    std::string code = colour_code(k * 16, 100, 50);
    codes.push_back(code);
    write_text(dir + "codes/land/" + code, definition_text(k));
  }
  std::string ai = "AI-FILE:\r\n511\r\n511\r\nSourceImage:\r\nAI-DATA:\r\n";
  std::string red = "RED-FILE:\r\n511\r\n511\r\nSourceImage:\r\nRED-DATA:\r\n";
  for (int x = 0; x <= kMax; x++)
    for (int y = 0; y <= kMax; y++) {
      const std::string& c = codes[static_cast<size_t>((x / 16 + y / 16) % 16)];
      ai += c.substr(0, 3) + "\r\n" + c.substr(3, 3) + "\r\n" + c.substr(6, 3) + "\r\n";
      red += std::to_string((x * 7 + y) % 256) + "\r\n";
    }
  write_text(dir + "maps/land.qz61", ai);
  write_text(dir + "maps/land.red", red);
}

}  // namespace bench
