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
  bool shown = false;         // this load or build has shown the bar (the first due call always shows it)
  bool drawn = true;          // the back buffer holds the bar's current state
  uint32_t lastFlipTick = 0;  // when it was last shown
  uint32_t lastFlipCost = 0;  // how many milliseconds that showing took
};

void restart_progress_bar(ProgressBar& bar);                         // A new load or build begins
void advance_progress_bar(ProgressBar& bar, float width, bool due);  // The bar grew to width pixels
void finish_progress_bar(ProgressBar& bar, float width);             // Draws the last state if it is not drawn
