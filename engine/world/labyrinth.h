// labyrinth.h -- the self-created base: a labyrinth of wall, floor, green and water tiles
#pragma once
#include <string>

void reset_cursor_list();                   // One cursor at (0, 0)
void build_base(const std::string& basePath);  // First build (double seeding)
void rebuild_base();                        // Rebuild for the current variant (single seeding)
