// screen.h -- the double-buffered 2D screen inside a window, and 2D drawing on its back buffer
#pragma once
#include <cstdint>
#include <string>
#include "services/windows.h"

namespace svc {

int init_sprite();  // Prepares the screen and sprite facility; non-zero when available
int init_sound();   // Prepares sound output (started by the engine, never used further)

int open_windowed_screen(WindowHandle window, int x, int y, int width, int height, int auto_stretch, int right_offset,
                         int bottom_offset);  // At least 1 x 1 on a known window; 0 on failure
void clear_screen(int32_t colour);            // Fills the back buffer
void flip_buffers();                          // Shows the back buffer
int64_t free_video_memory();                  // Free video memory in bytes, as well as the platform can tell
int screen_output();                          // The drawing target of the back buffer, for start_drawing
int start_drawing(int target);                // Opens a 2D drawing pass
void stop_drawing();                          // Closes it
void draw_box(int x, int y, int width, int height, int32_t colour);                  // Filled rectangle
void draw_text(int x, int y, const std::string& text, int32_t front, int32_t back);  // Default font
int32_t point(int x, int y);              // A pixel's colour; -1 outside the screen
// The colours of `count` pixels from (x, y) rightwards into `out`, each as point() gives it; one
// call reads a whole run, as a scan reading millions of pixels needs.
void points(int x, int y, int count, int32_t* out);
// The colours of a block of `columns` x `rows` pixels from (x, y), column by column: out[i * stride
// + j] is point(x + i, y + j). A scan that writes its entries column by column reads a band this way,
// each screen row once.
void point_columns(int x, int y, int columns, int rows, int32_t* out, size_t stride);
void plot(int x, int y, int32_t colour);  // Sets a pixel

}  // namespace svc
