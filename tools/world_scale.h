// world_scale.h -- a built world drawn at another cell size: its placed objects scaled with the cells
#pragma once

// Multiplies every placed object's drawn size and offsets by `factor` and zooms its 3D sprite to
// the new size, so the world looks as at RESOLUTION, only smaller or larger.
void scale_objects(float factor);
// How far placed objects reach right of and below their own cell, in whole cells of `cell` pixels.
int object_reach(float cell);
