// world_drawing.h -- drawing the visible world as 3D sprites, the smoothing pass and the position boxes
#pragma once

void draw_world();           // Ground pass, object pass, smoothing pass
void draw_position_boxes();  // A box at each cursor, and the name of a colliding object under it

// The passes, for the frame cache as well. A VisitRange is rows [r0, r1) and columns [c0, c1) of the
// view (cell (scrollX + c, scrollY + r)); positions are drawn less (originX, originY).
struct VisitRange {
  int r0, r1, c0, c1;
};
VisitRange visit_range();  // The view's cells that lie inside the grid
void ground_pass(const VisitRange& v, float res, int originX, int originY);
void object_pass(const VisitRange& v, float res, int originX, int originY, bool setOccupied);
void set_occupied(const VisitRange& v);  // `occupied` as the object pass sets it, without drawing
// A float count or size as a drawing integer (nearest, halves to even); values that are not
// finite or far beyond any screen give 0.
int rounded(float value);
