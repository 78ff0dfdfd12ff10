// progress_bar.h -- the red bar near the bottom of the screen that map loads and base builds show
//
// Both builders advance their bar once per cell and say when it is due to be shown. Showing means
// drawing and flipping, but no more than ten times a second, and no more often than keeps the
// flips to a thirtieth of the build's time: a flip can wait for the display (a software-drawn
// desktop takes some 10 ms per full-screen flip), and a large world would otherwise spend much of
// its build flipping. Each drawing covers the one
// before it completely, so the bar is drawn only when it is shown; finish_progress_bar leaves its
// last state in the back buffer.
#pragma once
#include <cstdint>

struct ProgressBar {
  // The bar's length in pixels and the calls since it was last due. A build continues both where
  // the last one of its kind left them (the labyrinth's restarts at a new variant).
  float width = 1.0f;
  int32_t dueCounter = 0;
  // When it was shown.
  bool shown = false;         // this load or build has shown the bar (the first due call always shows it)
  bool drawn = true;          // the back buffer holds the bar's current state
  uint32_t lastFlipTick = 0;  // when it was last shown
  uint32_t lastFlipCost = 0;  // how many milliseconds that showing took
};

void restart_progress_bar(ProgressBar& bar);            // A new load or build begins: its first due call shows the bar
void advance_progress_bar(ProgressBar& bar, bool due);  // The bar grew (to bar.width pixels)
void finish_progress_bar(ProgressBar& bar);             // Draws the last state if it is not drawn

// How much the bar grows per cell of a mapMaxX x mapMaxY world: the screen width over
// mapMaxX * mapMaxY. A world of one row or column has no area; its bar then grows by the width
// over the number of cells.
float progress_step(int mapMaxX, int mapMaxY);
