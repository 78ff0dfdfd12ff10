// world_fixture.h -- helpers for the world tests: small pictures, definition files, a prepared grid
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "services/grid.h"
#include "services/list.h"

class WorldFixture : public EngineFixture {
 protected:
  // A 24-bit bitmap of one colour (red, green, blue) under the test folder.
  void write_bmp(const std::string& relative, int width, int height, int r, int g, int b) {
    const int row = (width * 3 + 3) / 4 * 4;
    const uint32_t size = 54 + static_cast<uint32_t>(row * height);
    std::string f(size, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; i++) f[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    f[26] = 1;
    f[28] = 24;
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        size_t p = 54 + static_cast<size_t>(y * row + x * 3);
        f[p] = static_cast<char>(b);
        f[p + 1] = static_cast<char>(g);
        f[p + 2] = static_cast<char>(r);
      }
    write_file(relative, f);
  }

  // Key/value pairs as a definition file.
  void write_pairs(const std::string& relative, const std::vector<std::string>& lines) {
    write_file(relative, crlf_lines(lines));
  }

  // A grid of (maxX + 1) x (maxY + 1) cells, all loaded, with the view settings a frame needs.
  void prepare_world(int maxX, int maxY, float resolution = 32.0f) {
    svc::dim_array(worldState.world, maxX, maxY);
    engine.mapMaxX = maxX;
    engine.mapMaxY = maxY;
    engine.resolution = resolution;
    engine.screenWidth = 1280.0f;
    engine.screenHeight = 720.0f;
    engine.cellsAcross = 40.0f;
    engine.cellsDown = 23.0f;
    for (auto& c : worldState.world.cells) {
      c.loaded = 1;
      c.lastChildSlot = -1;
    }
    svc::clear_list(worldState.cursorList);
    svc::append_element(worldState.cursorList);
  }

  WorldCell& at(int x, int y) { return *svc::cell(worldState.world, x, y); }
  Cursor& cursor() { return *svc::first_element(worldState.cursorList); }

  // Folder layout used by the whole-world tests: ground pictures, objects, definitions.
  void use_world_folders() {
    engine.topoGfx = dir + "topo/";
    engine.worldGfx = dir + "objects/";
    engine.gfxCodec = ".bmp";
    engine.rgbCodePath = dir + "codes/";
    engine.appStart = "land";
    engine.appEntry = dir + "maps/";
  }
};
