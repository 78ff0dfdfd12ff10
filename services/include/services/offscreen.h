// offscreen.h -- the offscreen platform's own controls: the desktop it pretends to have, the screen's pixels
//
// Programs that link services_core + services_sdl_offscreen draw exactly as on the SDL platform,
// with SDL's software renderer, into a screen in memory: no display and no video device are
// needed. Windows are records only; there are no input events but the close request that SIGINT
// and SIGTERM send; message boxes are not shown and answer with their careful choice (the
// programs print what matters on standard error themselves).
#pragma once
#include "services/pictures.h"

namespace svc::offscreen {

void set_desktop(int width, int height);  // The one desktop examine_desktops reports; 1024 x 768 until set
int read_screen(Picture& out);            // The back buffer's pixels, opaque 8-bit RGBA; 0 without a screen

}  // namespace svc::offscreen
