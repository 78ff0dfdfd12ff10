// tiled_bench_files.cpp -- writes what tiled_bench times: the 512 x 512 benchmark world and a
// 512 x 512 Tiled map of two layers
//
//   tiled_bench_files DIR    (DIR/world/ and DIR/map/map.tmx with its tiles)
#include <cstdio>
#include <string>

#include "support/bmp.h"
#include "world_load/bench_world.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tiled_bench_files DIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  // The benchmark world at 8 pixels a cell.
  bench::write_world(dir + "world/");
  bench::write_text(dir + "world/DATA/ini.txt",
                    "APPNAME\r\nbench\r\nRESOLUTION\r\n8\r\nUSESPRITE3D\r\n1\r\nWORLDRANDOM\r\n7\r\nAPPENTRY\r\nmaps\\\r\n"
                    "APPSTART\r\nland\r\nTOPOGFX\r\ntopo\\\r\nWORLDGFX\r\nobjects\\\r\nGFXCODEC\r\n.bmp\r\n"
                    "RGBCODEPATH\r\ncodes\\\r\n");
  // The map: an image collection of 8 tiles of 8 pixels; a ground layer and a sparse upper layer.
  std::string tileset = "<tileset firstgid=\"1\" name=\"t\" tilewidth=\"8\" tileheight=\"8\" tilecount=\"8\" columns=\"0\">";
  for (int k = 0; k < 8; ++k) {
    bench::write_text(dir + "map/t" + std::to_string(k) + ".bmp", support::solid_bmp(8, 8, k * 30, 200 - k * 20, 90));
    tileset += "<tile id=\"" + std::to_string(k) + "\"><image width=\"8\" height=\"8\" source=\"t" + std::to_string(k) +
               ".bmp\"/></tile>";
  }
  tileset += "</tileset>";
  std::string ground, upper;
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      const std::string comma = x == 511 && y == 511 ? "" : ",";
      ground += std::to_string(1 + (x / 8 + y / 8) % 8) + comma;
      upper += std::to_string((x + 2 * y) % 3 == 0 ? 1 + (x + y) % 8 : 0) + comma;
    }
  bench::write_text(dir + "map/map.tmx",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.8\" orientation=\"orthogonal\" "
                    "renderorder=\"right-down\" width=\"512\" height=\"512\" tilewidth=\"8\" tileheight=\"8\" "
                    "infinite=\"0\">" + tileset +
                        "<layer id=\"1\" name=\"ground\" width=\"512\" height=\"512\"><data encoding=\"csv\">" + ground +
                        "</data></layer><layer id=\"2\" name=\"upper\" width=\"512\" height=\"512\" opacity=\"0.8\">"
                        "<data encoding=\"csv\">" + upper + "</data></layer></map>\n");
  return 0;
}
