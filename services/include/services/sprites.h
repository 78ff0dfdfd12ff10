// sprites.h -- pictures loaded into sprites, and 3D sprites (scaled, alpha-blended quads over a sprite)
#pragma once
#include <cstdint>
#include <string>

namespace svc {

enum { SPRITE_TEXTURE = 4 };  // load_sprite mode: usable as the picture of 3D sprites

int init_sprite3d();                                         // Prepares the 3D-sprite facility
void transparent_sprite_colour(int sprite, int32_t colour);  // -1: the transparent colour of later loads
// 0 when missing or undecodable; a failed load leaves no sprite under a chosen number.
int load_sprite(int sprite, const std::string& path, int mode);
int is_sprite(int sprite);
void free_sprite(int sprite);
int sprite_width(int sprite);
int sprite_height(int sprite);
void display_sprite(int sprite, int x, int y);  // Copies it, clipped, without transparency
// Copies back-buffer pixels, black outside the screen; 1 to 16384 pixels a side, with a screen open.
int grab_sprite(int sprite, int x, int y, int width, int height, int mode);

int create_sprite3d(int sprite3d, int sprite);  // A quad on an existing sprite's picture; 0 on failure
int is_sprite3d(int sprite3d);
void free_sprite3d(int sprite3d);
void zoom_sprite3d(int sprite3d, int width, int height);  // The size it is drawn at
int start_3d();  // Opens a 3D pass; blending source alpha, inverse source alpha
void stop_3d();
void display_sprite3d(int sprite3d, int x, int y, int alpha);  // Top-left at (x, y); alpha 0..255
void sprite3d_quality(int filtered);                           // 0 unfiltered, 1 filtered scaling
void sprite3d_blending_mode(int source, int destination);      // Blend factors, numbered 1..11 as below
// 1 (the default): a scaled, unfiltered quad takes, at each pixel, the texel under the pixel's centre,
// and where that falls exactly on an edge between texels the one after it, wherever the quad lies,
// on the screen or in a target sprite, and alike on every renderer (a GPU picks either, by position).
// 0: the renderer's own choice.
void sprite3d_exact_sampling(int exact);
// Drawing on the CPU, for the many small quads of a world seen from far: from start_cpu_drawing,
// called just after the drawing area (the screen, or the target sprite drawn into) was cleared to
// `colour`, until finish_cpu_drawing, the 3D sprites are drawn with the same pixels as before, but
// the platform may copy those it can on the CPU and send the area to the renderer at the end. Any
// other drawing call in between sends it first. 1 when the platform draws this way; 0 when it does
// not (it draws each sprite as always, and finish_cpu_drawing does nothing).
int start_cpu_drawing(int32_t colour);
void finish_cpu_drawing();
int sprite3d_width(int sprite3d);                              // The width it is drawn at; 0 for none
int sprite3d_height(int sprite3d);                             // The height it is drawn at; 0 for none

// Target sprites: pictures a program draws into and keeps, to copy them to the screen later.
// A target sprite of width x height, opaque black; 0 when the platform or renderer cannot hold it.
int create_target_sprite(int sprite, int width, int height);
// Sends clear_screen and 3D sprites into that target sprite until draw_into_sprite(0) sends them
// back to the screen's back buffer; 0 (and the back buffer) when it is no target sprite.
int draw_into_sprite(int sprite);
// Non-zero once after the renderer lost what its target sprites held (a device reset): they keep
// their numbers and sizes but must be drawn again. The drawing sent so far counts: a reset that
// it meets, while a frame is drawn, is reported by this call, before the frame is shown.
int target_sprites_lost();

// Blend factor numbers used by the engine's object definitions.
enum BlendFactor {
  BLEND_ZERO = 1,
  BLEND_ONE = 2,
  BLEND_SRC_COLOR = 3,
  BLEND_INV_SRC_COLOR = 4,
  BLEND_SRC_ALPHA = 5,
  BLEND_INV_SRC_ALPHA = 6,
  BLEND_DEST_ALPHA = 7,
  BLEND_INV_DEST_ALPHA = 8,
  BLEND_DEST_COLOR = 9,
  BLEND_INV_DEST_COLOR = 10,
  BLEND_SRC_ALPHA_SAT = 11
};

}  // namespace svc
