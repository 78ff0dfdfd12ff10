// world_drawing.h -- drawing the visible world as 3D sprites, the smoothing pass and the position boxes
#pragma once

void draw_world();           // Ground pass, object pass, smoothing pass
void draw_position_boxes();  // A box at each cursor, and the name of a colliding object under it
