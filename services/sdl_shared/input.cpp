// input.cpp -- keyboard, mouse wheel and joystick from SDL, fed into the shared input snapshots
//
// Keys are reported by the scan codes of the system the programs come from (the PC keyboard's
// set 1, extended keys with 0x80 added: Up 0xC8, Page Up 0xC9, ...). The edge and threshold rules
// live in services/core/input_state.cpp; this file only feeds it.
#include "services/input.h"

#include "input_state.h"
#include "state.h"

namespace svc::sdl {

int pc_scan_code(SDL_Scancode code) {
  if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) {
    static const unsigned char letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                              0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                              0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    return letters[code - SDL_SCANCODE_A];
  }
  if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_0) return 0x02 + (code - SDL_SCANCODE_1);
  if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F10) return 0x3B + (code - SDL_SCANCODE_F1);
  switch (code) {
    case SDL_SCANCODE_ESCAPE: return 0x01;
    case SDL_SCANCODE_MINUS: return 0x0C;
    case SDL_SCANCODE_EQUALS: return 0x0D;
    case SDL_SCANCODE_BACKSPACE: return 0x0E;
    case SDL_SCANCODE_TAB: return 0x0F;
    case SDL_SCANCODE_LEFTBRACKET: return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET: return 0x1B;
    case SDL_SCANCODE_RETURN: return 0x1C;
    case SDL_SCANCODE_LCTRL: return 0x1D;
    case SDL_SCANCODE_SEMICOLON: return 0x27;
    case SDL_SCANCODE_APOSTROPHE: return 0x28;
    case SDL_SCANCODE_GRAVE: return 0x29;
    case SDL_SCANCODE_LSHIFT: return 0x2A;
    case SDL_SCANCODE_BACKSLASH: return 0x2B;
    case SDL_SCANCODE_NONUSHASH: return 0x2B;
    case SDL_SCANCODE_COMMA: return 0x33;
    case SDL_SCANCODE_PERIOD: return 0x34;
    case SDL_SCANCODE_SLASH: return 0x35;
    case SDL_SCANCODE_RSHIFT: return 0x36;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x37;
    case SDL_SCANCODE_LALT: return 0x38;
    case SDL_SCANCODE_SPACE: return 0x39;
    case SDL_SCANCODE_CAPSLOCK: return 0x3A;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 0x45;
    case SDL_SCANCODE_SCROLLLOCK: return 0x46;
    case SDL_SCANCODE_KP_7: return 0x47;
    case SDL_SCANCODE_KP_8: return 0x48;
    case SDL_SCANCODE_KP_9: return 0x49;
    case SDL_SCANCODE_KP_MINUS: return 0x4A;
    case SDL_SCANCODE_KP_4: return 0x4B;
    case SDL_SCANCODE_KP_5: return 0x4C;
    case SDL_SCANCODE_KP_6: return 0x4D;
    case SDL_SCANCODE_KP_PLUS: return 0x4E;
    case SDL_SCANCODE_KP_1: return 0x4F;
    case SDL_SCANCODE_KP_2: return 0x50;
    case SDL_SCANCODE_KP_3: return 0x51;
    case SDL_SCANCODE_KP_0: return 0x52;
    case SDL_SCANCODE_KP_PERIOD: return 0x53;
    case SDL_SCANCODE_NONUSBACKSLASH: return 0x56;
    case SDL_SCANCODE_F11: return 0x57;
    case SDL_SCANCODE_F12: return 0x58;
    case SDL_SCANCODE_KP_ENTER: return 0x9C;
    case SDL_SCANCODE_RCTRL: return 0x9D;
    case SDL_SCANCODE_KP_DIVIDE: return 0xB5;
    case SDL_SCANCODE_PRINTSCREEN: return 0xB7;
    case SDL_SCANCODE_RALT: return 0xB8;
    case SDL_SCANCODE_PAUSE: return 0xC5;
    case SDL_SCANCODE_HOME: return 0xC7;
    case SDL_SCANCODE_UP: return 0xC8;
    case SDL_SCANCODE_PAGEUP: return 0xC9;
    case SDL_SCANCODE_LEFT: return 0xCB;
    case SDL_SCANCODE_RIGHT: return 0xCD;
    case SDL_SCANCODE_END: return 0xCF;
    case SDL_SCANCODE_DOWN: return 0xD0;
    case SDL_SCANCODE_PAGEDOWN: return 0xD1;
    case SDL_SCANCODE_INSERT: return 0xD2;
    case SDL_SCANCODE_DELETE: return 0xD3;
    case SDL_SCANCODE_LGUI: return 0xDB;
    case SDL_SCANCODE_RGUI: return 0xDC;
    case SDL_SCANCODE_APPLICATION: return 0xDD;
    default: return 0;
  }
}

namespace {

// SDL scancode -> set-1 code, built once.
const unsigned char* scancode_table() {
  static unsigned char table[SDL_NUM_SCANCODES];
  static bool built = false;
  if (!built) {
    for (int i = 0; i < SDL_NUM_SCANCODES; i++)
      table[i] = static_cast<unsigned char>(pc_scan_code(static_cast<SDL_Scancode>(i)));
    built = true;
  }
  return table;
}

}  // namespace

}  // namespace svc::sdl

namespace svc {

using sdl::state;

int init_keyboard() { return SDL_WasInit(SDL_INIT_VIDEO) ? 1 : 0; }

int init_mouse() { return SDL_WasInit(SDL_INIT_VIDEO) ? 1 : 0; }

int init_joystick() {
  if (state.joystick) return 1;
  if (!SDL_WasInit(SDL_INIT_JOYSTICK) || SDL_NumJoysticks() <= 0) return 0;
  state.joystick = SDL_JoystickOpen(0);
  return state.joystick ? 1 : 0;
}

// A key counts as down when SDL holds it down now, or when it was pressed since the last snapshot
// (pressed and let go between two frames), so a quick tap is never lost.
void examine_keyboard() {
  bool down[256] = {};
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    SDL_PumpEvents();
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    const unsigned char* table = sdl::scancode_table();
    for (int i = 0; i < count && i < SDL_NUM_SCANCODES; i++)
      if (keys[i] && table[i]) down[table[i]] = true;
  }
  for (int i = 0; i < 256; i++) {
    if (state.key_latch[i]) down[i] = true;
    state.key_latch[i] = false;
  }
  detail::store_key_snapshot(down);
}

// Wheel events still queued are counted now, so the steps belong to this snapshot.
void examine_mouse() {
  if (SDL_WasInit(SDL_INIT_EVENTS)) {
    SDL_PumpEvents();
    SDL_Event events[32];
    int n;
    while ((n = SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_MOUSEWHEEL, SDL_MOUSEWHEEL)) > 0)
      for (int i = 0; i < n; i++) sdl::translate_event(events[i]);
  }
  detail::store_wheel(state.wheel_steps);
  state.wheel_steps = 0;
}

void mouse_locate(int x, int y) {
  if (SDL_Window* w = sdl::main_window()) SDL_WarpMouseInWindow(w, x, y);
}

// Axes -32768..32767 scaled to -1000..1000.
void examine_joystick() {
  int x = 0, y = 0;
  if (state.joystick) {
    SDL_JoystickUpdate();
    auto scale = [](Sint16 v) { return v >= 0 ? v * 1000 / 32767 : v * 1000 / 32768; };
    x = scale(SDL_JoystickGetAxis(state.joystick, 0));
    y = scale(SDL_JoystickGetAxis(state.joystick, 1));
  }
  detail::store_joystick(x, y);
}

}  // namespace svc
