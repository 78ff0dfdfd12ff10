// video_memory.cpp -- free video memory for the debug overlay, as well as the driver can tell
//
// NVIDIA (GL_NVX_gpu_memory_info) and AMD (GL_ATI_meminfo) drivers report it. Mesa's drivers do
// not; there, and with software rendering, pictures live in system memory, so the memory still
// available to programs (MemAvailable on Linux) is the honest figure. Without either, the
// installed memory less what our own textures hold.
#include <SDL_opengl.h>
#include <cstdio>
#include <cstring>
#include "sdl_state.h"
#include "services/screen.h"

namespace svc::sdl {

namespace {

enum { kEstimate = 0, kNvx = 1, kAti = 2 };
constexpr GLenum kNvxCurrentAvailable = 0x9049;  // GL_GPU_MEMORY_INFO_CURRENT_AVAILABLE_VIDMEM_NVX, KiB
constexpr GLenum kAtiTextureFree = 0x87FC;       // GL_TEXTURE_FREE_MEMORY_ATI, four KiB values

using GetIntegerv = void(APIENTRY*)(GLenum, GLint*);
GetIntegerv get_integerv = nullptr;
int64_t system_available = -1;
uint32_t system_read_tick = 0;

void choose_method() {
  state.memory_method = kEstimate;
  SDL_RendererInfo info;
  if (!state.renderer || SDL_GetRendererInfo(state.renderer, &info) != 0 || std::strcmp(info.name, "opengl") != 0)
    return;
  get_integerv = reinterpret_cast<GetIntegerv>(SDL_GL_GetProcAddress("glGetIntegerv"));
  if (!get_integerv) return;
  if (SDL_GL_ExtensionSupported("GL_NVX_gpu_memory_info"))
    state.memory_method = kNvx;
  else if (SDL_GL_ExtensionSupported("GL_ATI_meminfo"))
    state.memory_method = kAti;
}

// MemAvailable of /proc/meminfo in bytes, re-read at most once a second; -1 when not there.
int64_t available_system_memory() {
  uint32_t now = SDL_GetTicks();
  if (system_available >= 0 && now - system_read_tick < 1000) return system_available;
  system_read_tick = now;
  system_available = -1;
  FILE* f = std::fopen("/proc/meminfo", "r");
  if (!f) return -1;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    long long kib = 0;
    if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) {
      system_available = static_cast<int64_t>(kib) * 1024;
      break;
    }
  }
  std::fclose(f);
  return system_available;
}

}  // namespace

}  // namespace svc::sdl

namespace svc {

using sdl::state;

int64_t free_video_memory() {
  if (!state.renderer) return 0;
  if (state.memory_method < 0) sdl::choose_method();
  GLint values[4] = {};
  if (state.memory_method == sdl::kNvx) {
    sdl::get_integerv(sdl::kNvxCurrentAvailable, values);
    return static_cast<int64_t>(values[0]) * 1024;
  }
  if (state.memory_method == sdl::kAti) {
    sdl::get_integerv(sdl::kAtiTextureFree, values);
    return static_cast<int64_t>(values[0]) * 1024;
  }
  int64_t available = sdl::available_system_memory();
  if (available >= 0) return available;
  int64_t installed = static_cast<int64_t>(SDL_GetSystemRAM()) * 1024 * 1024;
  return installed > state.texture_bytes ? installed - state.texture_bytes : 0;
}

}  // namespace svc
