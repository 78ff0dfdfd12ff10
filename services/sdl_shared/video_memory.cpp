// video_memory.cpp -- free video memory for the debug overlay, as well as the driver can tell
//
// NVIDIA (GL_NVX_gpu_memory_info) and AMD (GL_ATI_meminfo) drivers report it. Mesa's drivers do
// not; there, and with software rendering, pictures live in system memory, so the memory still
// available to programs (MemAvailable on Linux) is the honest figure. Without either, the installed
// memory less what our own textures hold.
#include <SDL_opengl.h>

#include <cstring>

#include "os.h"
#include "services/screen.h"
#include "state.h"

namespace svc::sdl {

namespace {

enum { kEstimate = 0, kNvx = 1, kAti = 2 };
constexpr GLenum kNvxCurrentAvailable = 0x9049;  // GL_GPU_MEMORY_INFO_CURRENT_AVAILABLE_VIDMEM_NVX, KiB
constexpr GLenum kAtiTextureFree = 0x87FC;       // GL_TEXTURE_FREE_MEMORY_ATI, four KiB values
using GetIntegerv = void(APIENTRY*)(GLenum, GLint*);

void choose_method() {
  state.memory_method = kEstimate;
  SDL_RendererInfo info;
  if (!state.renderer || SDL_GetRendererInfo(state.renderer, &info) != 0 || std::strcmp(info.name, "opengl") != 0)
    return;
  state.gl_get_integerv = SDL_GL_GetProcAddress("glGetIntegerv");
  if (!state.gl_get_integerv) return;
  if (SDL_GL_ExtensionSupported("GL_NVX_gpu_memory_info"))
    state.memory_method = kNvx;
  else if (SDL_GL_ExtensionSupported("GL_ATI_meminfo"))
    state.memory_method = kAti;
}

// The first value the driver reports for a memory query, in KiB.
int64_t gl_memory_kib(GLenum query) {
  GLint values[4] = {};
  reinterpret_cast<GetIntegerv>(state.gl_get_integerv)(query, values);
  return values[0];
}

// The memory the system could still give, in bytes, asked at most once a second; -1 when unknown.
int64_t available_system_memory() {
  uint32_t now = SDL_GetTicks();
  if (state.system_available >= 0 && now - state.system_read_tick < 1000) return state.system_available;
  state.system_read_tick = now;
  state.system_available = os::available_memory();
  return state.system_available;
}

}  // namespace

}  // namespace svc::sdl

namespace svc {

using sdl::state;

int64_t free_video_memory() {
  if (!state.renderer) return 0;
  if (state.memory_method < 0) sdl::choose_method();
  if (state.memory_method == sdl::kNvx) return sdl::gl_memory_kib(sdl::kNvxCurrentAvailable) * 1024;
  if (state.memory_method == sdl::kAti) return sdl::gl_memory_kib(sdl::kAtiTextureFree) * 1024;
  int64_t available = sdl::available_system_memory();
  if (available >= 0) return available;
  int64_t installed = static_cast<int64_t>(SDL_GetSystemRAM()) * 1024 * 1024;
  return installed > state.texture_bytes ? installed - state.texture_bytes : 0;
}

}  // namespace svc
