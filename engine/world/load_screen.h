// load_screen.h -- the picture shown for four seconds before the world is built
#pragma once

void show_load_screen();
