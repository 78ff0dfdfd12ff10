// frame_cache.h -- the world drawing kept between frames: blocks of cells at the current cell size
//
// The ground and object passes of a block of cells are drawn once into a target sprite and copied
// to the screen in later frames, so a frame costs screen pixels rather than cells. A block is drawn
// again only when what it shows changes: a zoom step, a rebuild or reload (the world's drawing
// generation), the renderer losing its targets, or a scroll that brings it into view. Where cells
// outside the view could reach the screen (objects that overhang their cell), strips along the
// edges are drawn from the visited cells alone, so the picture is the one the passes would draw.
#pragma once
#include <cstdint>

#include "core/world_drawing.h"

// Draws the frame's ground and object passes from the cache (after clear_screen and start_3d) and
// sets `occupied` on the visited cells; otherwise the passes should draw this frame: the cache
// cannot hold it (no target sprites, a block beyond the renderer's limits, more blocks than the
// memory bound), or most of its blocks are to be drawn in the first frame after a change (a zoom
// step, a rebuild), which the passes draw at their own cost; the blocks follow in the next frame.
// Abandoned: the cache gave up after copying some blocks, so the screen needs clearing first.
enum class FromCache { Drawn, LeftToPasses, Abandoned };
FromCache draw_from_frame_cache(const VisitRange& v, float res);

void forget_frame_cache();  // Frees every block (at shutdown, or to start over)

// The most memory the blocks take: 48 MiB of RGBA pixels (at 1920 x 1080 a screenful of blocks is
// about 10 MiB; the rest holds blocks scrolled past or of the other half-pixel phase).
constexpr int64_t kFrameCacheBytes = int64_t{48} << 20;
constexpr int kFrameCacheBlockPixels = 128;  // A block's edge: the most whole cells within this, at least one

struct FrameCacheFigures {
  int blocks = 0;       // Blocks held
  int drawnBlocks = 0;  // Blocks drawn (not copied) in the last frame
  int64_t bytes = 0;    // Their pixels
};
FrameCacheFigures frame_cache_figures();
