// world_fixture.h -- helpers for the world tests: definition files, a prepared grid
#pragma once
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "services/grid.h"
#include "services/list.h"

class WorldFixture : public EngineFixture {
 protected:
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
