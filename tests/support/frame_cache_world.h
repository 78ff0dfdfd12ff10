// frame_cache_world.h -- a world that tests the frame cache, and a frame drawn with and without it
//
// Used by the headless test (tests/engine/core/frame_cache_test.cpp) and the SDL one under Xvfb
// (tests/gui/sdl_frame_cache_test.cpp): the same world, the same comparison, on either platform.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/state.h"
#include "core/frame_cache.h"
#include "core/world_drawing.h"
#include "services/grid.h"
#include "services/list.h"
#include "services/screen.h"
#include "services/sprites.h"
#include "services/text.h"
#include "support/bmp.h"
#include "support/files.h"
#include "world/world.h"

namespace support {

struct CacheWorldPictures {
  std::vector<int> grounds, objects;
};

// Grounds of three colours with a pattern; objects of 5 x 3 pixels with transparent corners.
inline CacheWorldPictures load_cache_world_pictures(const std::string& dir) {
  CacheWorldPictures p;
  svc::transparent_sprite_colour(-1, svc::rgb(255, 0, 255));
  for (int g = 0; g < 3; g++) {
    const std::string path = dir + "g" + std::to_string(g) + ".bmp";
    write_file(path, bmp_bytes(4, 4, [g](int x, int y) { return Rgb{60 * g + 20 * x, 200 - 40 * g, 30 * y + 10 * g}; }));
    p.grounds.push_back(svc::load_sprite(-1, path, svc::SPRITE_TEXTURE));
  }
  for (int o = 0; o < 3; o++) {
    const std::string path = dir + "o" + std::to_string(o) + ".bmp";
    write_file(path, bmp_bytes(5, 3, [o](int x, int y) {
                 if ((x == 0 && y == 0) || (x == 4 && y == 2)) return Rgb{255, 0, 255};
                 return Rgb{250 - 70 * o, 40 * x + 30 * o, 90 * y};
               }));
    p.objects.push_back(svc::load_sprite(-1, path, svc::SPRITE_TEXTURE));
  }
  return p;
}

// A world of (maxX + 1) x (maxY + 1) cells on a width x height screen: every cell has ground (some
// half transparent, some with alpha 0), most hold one or two objects that overhang their neighbours,
// with blend pairs 5/6, 2/2 and 9/1 and offsets ending in .5; smoothing on, one cursor.
inline void build_cache_world(const CacheWorldPictures& p, int maxX, int maxY, float res, int width, int height) {
  svc::dim_array(worldState.world, maxX, maxY);
  svc::clear_list(worldState.instanceList);
  svc::clear_list(worldState.cursorList);
  svc::append_element(worldState.cursorList);
  engine.mapMaxX = maxX;
  engine.mapMaxY = maxY;
  engine.resolution = res;
  engine.screenWidth = static_cast<float>(width);
  engine.screenHeight = static_cast<float>(height);
  compute_view_cells();
  engine.useSprite3D = 1;
  engine.smoothingPass = 1;
  engine.zoomedCellSize = 1;
  engine.scrollX = engine.scrollY = 0;
  const int pairs[3][2] = {{0, 0}, {2, 2}, {9, 1}};
  for (int y = 0; y <= maxY; y++)
    for (int x = 0; x <= maxX; x++) {
      WorldCell& c = *svc::cell(worldState.world, x, y);
      c = WorldCell{};
      c.occupied = -1;  // as a definition leaves it: the drawing must set every cell it visits
      c.loaded = 1;
      c.lastChildSlot = -1;
      for (int& i : c.childInstance) i = -1;
      const int n = x * 7 + y * 13;
      c.groundSprite = svc::create_sprite3d(-1, p.grounds[n % 3]);
      c.groundAlpha = n % 5 == 0 ? 128 : n % 11 == 0 ? 0 : 255;
      for (int k = 0; k < 2; k++) {
        if ((n + k) % 3 == 0) continue;
        ObjectInstance* i = svc::append_element(worldState.instanceList);
        const int o = (n + k) % 3;
        *i = ObjectInstance{1, k ? 255 : 180, svc::create_sprite3d(-1, p.objects[o]), uint8_t((n & 4) ? 1 : 0), 5, 3,
                            (n % 4) * 1.5f, (n % 3) * 2.5f, pairs[o][0], pairs[o][1]};
        svc::zoom_sprite3d(i->sprite3d, int(res) + 3 * k + 2, int(res) + k + 1);
        c.childInstance[k] = svc::list_size(worldState.instanceList) - 1;
        c.lastChildSlot = k;
      }
    }
  note_drawing_changed();
}

inline std::vector<int32_t> read_screen(int width, int height) {
  std::vector<int32_t> pixels(size_t(width) * height);
  for (int y = 0; y < height; y++) svc::points(0, y, width, &pixels[size_t(y) * width]);
  return pixels;
}

inline std::vector<int> occupied_cells() {
  std::vector<int> out;
  for (const WorldCell& c : worldState.world.cells) out.push_back(c.occupied);
  return out;
}

// Draws the frame without the cache and then with it (twice: the first frame after a change is the
// passes'); the pictures and `occupied` must agree, and the cache must have drawn the last. The
// cached frames start from `occupied` as the frames before left it (cells never visited hold -1),
// so a cell a scroll uncovers that the cache leaves unset shows.
inline void expect_same_frame(const std::string& what, int width, int height, bool fromBlocks = true) {
  const int sx = engine.scrollX, sy = engine.scrollY;
  const std::vector<int> before = occupied_cells();
  engine.frameCache = 2;  // cell by cell, sampling as the cache does
  draw_world();
  const std::vector<int32_t> direct = read_screen(width, height);
  const std::vector<int> directOccupied = occupied_cells();
  for (size_t i = 0; i < before.size(); i++) worldState.world.cells[i].occupied = static_cast<int8_t>(before[i]);
  engine.scrollX = sx, engine.scrollY = sy;
  engine.frameCache = 1;
  draw_world();
  engine.scrollX = sx, engine.scrollY = sy;
  draw_world();
  if (fromBlocks) {
    EXPECT_GT(frame_cache_figures().blocks, 0) << what << ": drawn without the cache";
  }
  const std::vector<int32_t> cached = read_screen(width, height);
  int wrong = 0;
  for (size_t i = 0; i < direct.size(); i++)
    if (direct[i] != cached[i] && wrong++ < 5)
      ADD_FAILURE() << what << ": pixel (" << i % width << ", " << i / width << ") " << std::hex << cached[i]
                    << " instead of " << direct[i];
  EXPECT_EQ(wrong, 0) << what;
  EXPECT_EQ(occupied_cells(), directOccupied) << what;
}

// The same where the cache may leave the frame to the passes.
inline void expect_same_frame_without_blocks(const std::string& what, int width, int height) {
  expect_same_frame(what, width, height, false);
}

// Scrolls in every direction, past the first column, to the world's end, and zoom steps to even
// and odd cell sizes (at odd sizes the .5 offsets round by the cell's parity), each compared.
inline void expect_scrolls_and_zooms_exact(int width, int height) {
  expect_same_frame("start", width, height);
  const std::pair<int, int> moves[] = {{1, 0}, {1, 0}, {0, 1}, {0, 1}, {-1, 0}, {0, -1}, {5, 3}, {-1, -1}};
  for (const auto& m : moves) {
    engine.scrollX += m.first;
    engine.scrollY += m.second;
    expect_same_frame("scroll to " + std::to_string(engine.scrollX) + ", " + std::to_string(engine.scrollY), width,
                      height);
  }
  engine.scrollX = -1;  // past the first column: the last one
  engine.scrollY = 2;
  expect_same_frame("scrolled left past the first column", width, height);
  engine.scrollX = engine.mapMaxX - 9;
  engine.scrollY = engine.mapMaxY - 4;  // the world ends on the screen
  expect_same_frame("near the end", width, height);
  for (float res : {8.0f, 9.0f, 2.0f, 3.0f, 33.0f}) {
    engine.resolution = res;
    compute_view_cells();
    engine.scrollX = 4;
    engine.scrollY = 3;
    expect_same_frame("zoomed to " + std::to_string(int(res)), width, height);
    engine.scrollX++;
    expect_same_frame("zoomed to " + std::to_string(int(res)) + " and scrolled", width, height);
  }
}

}  // namespace support
