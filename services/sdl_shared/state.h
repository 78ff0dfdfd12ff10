// state.h -- what the two SDL platforms share: their one state record (windows, the screen, sprites,
// 3D sprites, text, input) and the functions between their files
//
// Two peers draw with SDL: services/sdl (the engine's platform: a desktop-sized window with a GPU
// screen) and services/sdl_offscreen (the same drawing with SDL's software renderer into memory, no
// display; services/offscreen.h). Both list the files of this folder by name: the session, the event
// wait, input, the screen, its text cache and video-memory figure, and sprites with their drawing on
// the CPU. Each supplies its own
// windows, desktops, messages, start-up and the screen's renderer (the functions marked "per platform").
// Together they implement (one file each, named as the header): desktops.h, input.h, lifecycle.h,
// messages.h, screen.h, sprites.h, windows.h.
// Limitations: none in what they draw; the offscreen platform's software renderer has no composed
// blend modes, so it blends every pair but the default one (and that one where alpha is partial) on
// the CPU, which is slower but gives the same pixels.
// Do not implement: fields.h, menus.h, requesters.h (the engine shows no edit fields, menus or
// choosers), headless.h (the display-less platform's script). clock.h, faults.h, files.h, grid.h,
// list.h, pictures.h, random.h and text.h come from services/core, alike for every platform, as do
// the readers of the display table (desktops.h) and of the input snapshots (input.h).
#pragma once
#include <SDL.h>
#include <SDL_ttf.h>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "number_table.h"
#include "services/windows.h"

namespace svc::sdl {

struct Sprite {
  SDL_Texture* texture = nullptr;
  int width = 0, height = 0;
  std::string path;                             // The file it was loaded from; "" for a grab
  bool target = false;                          // A render-target texture made by grab_sprite
  bool partial_alpha = true;                    // Some texel is neither transparent nor opaque
  bool opaque = false;                          // Every texel is opaque (rgba kept)
  bool drawable = false;                        // A target sprite (create_target_sprite): drawing may go into it
  int scale_mode = -1;                          // The scale mode last set on the texture; -1 unknown
  int alpha_mod = -1;                           // The alpha modulation last set; -1 unknown
  SDL_BlendMode blend = SDL_BLENDMODE_INVALID;  // The blend mode last set
  // A loaded picture keeps its pixels (RGBA) for its scaled copies: the sizes it is drawn at with
  // nearest sampling, each scaled once on the CPU and then copied unscaled (empty for targets).
  std::vector<uint8_t> rgba;
  std::vector<Sprite> copies;
  uint64_t last_use = 0;  // A copy: state.copy_uses when it was last drawn
};

struct Sprite3D {
  int sprite = 0;             // The sprite whose picture it draws
  int width = 0, height = 0;  // Drawn size
};

struct CachedText {
  SDL_Texture* texture = nullptr;
  int width = 0, height = 0;
  uint64_t last_frame = 0;  // The frame that last drew it
};

// The canvas of the drawing on the CPU (cpu_drawing.cpp): the drawing area's pixels as RGBA32.
struct CpuCanvas {
  bool active = false;                // Between start_cpu_drawing and the canvas's sending
  SDL_Texture* target = nullptr;      // The drawing area it stands for (drawing_into; nullptr: the back buffer)
  int width = 0, height = 0;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // The box drawn into, [x0, x1) x [y0, y1)
  std::vector<uint32_t> pixels;
  // Streaming textures of the canvas's sizes, each sent at most once a frame: writing a texture that
  // the frame's queued drawing still reads would make the renderer finish that drawing first, and a
  // frame that draws blocks sends a canvas for each.
  struct Upload {
    SDL_Texture* texture = nullptr;
    int width = 0, height = 0;
    uint64_t frame = UINT64_MAX;  // state.frame when last sent
  };
  std::vector<Upload> uploads;
  int upload = -1;  // The one this drawing sends through
};

// Renderer resets planned by SUITE_TEST_RENDERER_RESETS (see renderer_resets.cpp).
struct TestResets {
  struct Point {
    bool at_flip = false;  // After a flip; else at a switch of drawing into a target sprite
    long count = 0;        // Which one, from 1, counted from the screen's opening
  };
  std::vector<Point> points;
  bool planned = false;
  long flips = 0, target_switches = 0;
};

struct State {
  bool started = false;
  detail::NumberTable<SDL_Window*> windows;

  // The screen: a renderer on one window and a render-target texture as back buffer.
  SDL_Window* screen_window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* back_buffer = nullptr;
  int screen_x = 0, screen_y = 0, screen_width = 0, screen_height = 0;
  bool auto_stretch = false;
  bool custom_blend = true;  // False once the renderer refused a composed blend mode
  int max_texture_width = 0, max_texture_height = 0;
  uint64_t frame = 0;               // Counts flips, for the text cache
  int64_t texture_bytes = 0;        // Pixels held in textures, for the video-memory estimate
  int memory_method = -1;           // How free_video_memory asks: -1 not yet known, 0 estimate, 1 NVX, 2 ATI
  void* gl_get_integerv = nullptr;  // glGetIntegerv, for the NVX and ATI queries
  int64_t system_available = -1;    // MemAvailable in bytes as last read; -1 unknown
  uint32_t system_read_tick = 0;    // When it was read (SDL ticks)

  // Sprites and 3D sprites.
  detail::NumberTable<Sprite> sprites;
  detail::NumberTable<Sprite3D> sprites3d;
  int32_t transparent_colour = -1;  // -1: none for later loads
  int quality = 0;                  // 0 nearest, 1 linear
  bool exact_sampling = true;       // sprite3d_exact_sampling
  int64_t copy_bytes = 0;           // Pixels held in scaled copies
  uint64_t copy_uses = 0;           // Counts draws from scaled copies, for their least recently used
  int blend_source = 5, blend_destination = 6;
  SDL_BlendMode blend_mode = SDL_BLENDMODE_BLEND;         // The mode that display_sprite3d uses
  SDL_BlendMode blend_fallback = SDL_BLENDMODE_BLEND;     // The nearest fixed mode of the same pair
  bool blend_skip = false;                                // Fixed modes only, and the pair leaves the screen unchanged
  std::unordered_map<int, SDL_BlendMode> composed_modes;  // source * 16 + destination -> mode
  SDL_Texture* spare_target = nullptr;                    // A freed grab texture kept for the next grab of its size
  int spare_width = 0, spare_height = 0;
  SDL_Texture* drawing_into = nullptr;    // The target sprite's texture drawn into; nullptr: the back buffer
  int drawing_width = 0, drawing_height = 0;
  bool targets_lost = false;              // The renderer reset its targets since target_sprites_lost asked
  int64_t target_resets = 0;              // Resets SDL reported since the start
  bool watching_resets = false;           // The event watch that notes them is installed
  TestResets test_resets;
  SDL_Texture* scratch_target = nullptr;  // Screen-sized, for blending on the CPU: the quad drawn alone
  SDL_Texture* scratch_upload = nullptr;  // Screen-sized, for blending on the CPU: the blended pixels
  CpuCanvas canvas;                       // Drawing on the CPU (start_cpu_drawing)

  // Text.
  TTF_Font* font = nullptr;
  bool font_tried = false;
  std::unordered_map<std::string, CachedText> text_cache;

  // Input.
  int wheel_steps = 0;       // Accumulated from SDL_MOUSEWHEEL since the last examine_mouse
  bool key_latch[256] = {};  // Keys pressed since the last snapshot (a tap between frames)
  SDL_Joystick* joystick = nullptr;
};

extern State state;

int translate_event(const SDL_Event& event);  // Per platform: the program's event code for an SDL event; 0 for most
// Waits for the first SDL event (0 ms: only looks, < 0: for ever), then keeps taking the events
// already queued until one of them means something to the program; EVENT_NONE when none does.
int next_event_code(int timeout_ms);
void start_events();                  // SDL's event subsystem, with SIGINT and SIGTERM as SDL_QUIT
void quit_sdl();                      // Frees the font and the joystick, ends SDL_ttf and SDL, resets the state
int pc_scan_code(SDL_Scancode code);  // The PC keyboard's scan code (set 1) of an SDL scancode; 0 none
SDL_Window* main_window();            // Per platform: the screen's window, else the first open window; nullptr
void destroy_screen();                // Frees the renderer and everything made with it
// Per platform: the screen's renderer, made by the platform variant (on a window, or on a surface in memory):
// sets state.renderer and state.screen_window after freeing any previous screen; false when the
// window is unknown or no renderer can be made.
bool open_screen_renderer(WindowHandle window, int width, int height);
void close_screen_renderer();  // Per platform: frees the renderer (and what the variant made for it)
bool screens_available();      // Per platform: whether a screen can be opened at all (a display, or memory)
void forget_texture(SDL_Texture* texture, int width, int height);  // Destroys it, updates the estimate
SDL_Texture* drawing_target();  // What drawing goes into: a target sprite's texture, else the back buffer
SDL_Texture* create_texture(int access, int width, int height);    // RGBA32, counted in the estimate
void flush_text_cache(bool all);                                   // Frees texts not drawn lately (or all)
void free_all_sprites();                                           // Every sprite and 3D sprite
// The renderer's resets (renderer_resets.cpp): the watch that sets targets_lost as SDL reports one
// (installed while a screen is open), the resets SUITE_TEST_RENDERER_RESETS plans (read when a
// screen opens) and the points of the drawing that count for them.
void watch_renderer_resets(bool on);
void plan_test_resets();
void test_reset_point(bool flip);  // true: a flip has been presented; false: drawing switches into a target sprite
// Sets blend, alpha modulation and scale mode before a copy; false when the renderer refused a
// composed blend mode, after which the fixed modes are used (the fallback for this copy).
bool prepare_texture(Sprite& sprite, SDL_BlendMode blend, SDL_BlendMode fallback, int alpha, int scale_mode);
// Drawing on the CPU (cpu_drawing.cpp). cpu_draw copies the picture (the sprite or its scaled copy,
// drawn at its own size) into the canvas and says true, or says false when the canvas cannot give
// the renderer's pixels for this draw (the caller then sends the canvas and draws on the renderer).
// send_cpu_canvas ends the drawing on the CPU (if any): the box drawn into goes to its drawing area.
// Every drawing call of the platform sends it first, so the order of the drawing stays as it was.
bool cpu_draw(const Sprite& picture, const SDL_Rect& dst, int alpha, int scale_mode);
void send_cpu_canvas();
void free_cpu_canvas();                                // With the screen

}  // namespace svc::sdl
