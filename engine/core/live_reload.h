// live_reload.h -- simengine follows the files its world was built from and rebuilds it in place
//
// The folders of every file start-up read (the configuration, the map pair or the labyrinth base,
// the cell definitions, the ground and object pictures with their definitions) are watched through
// the operating system's notification. A change to one of those files starts a quiet period; when
// no further change has come for kLiveQuietMs, the world is rebuilt once (world_reload.h), so a
// burst of saves gives one rebuild. The debug overlay then names what happened for a few seconds.
#pragma once
#include <cstdint>
#include <string>

constexpr int kLiveQuietMs = 150;        // no change for this long after the last one: rebuild
constexpr int kLiveMessageMs = 4000;     // how long the overlay line stays
constexpr int kLiveLongestWaitMs = 100;  // the longest event wait while following files

// Starts watching (LIVERELOAD not 0); the main loop's first pass follows from here.
void start_following_world_files();
void stop_following_world_files();

// One main-loop pass: takes the changes that came, and rebuilds once they have settled.
void follow_world_files();

// The event wait of a pass: MULTITASK's, but never longer than kLiveLongestWaitMs while files are
// followed, so that a change is seen without a window event (-1 would wait for one forever).
int32_t live_event_wait(int32_t eventWaitMs);

// The overlay's line about the last rebuild: files changed, its time, what could not be read and
// which settings need a restart; "" when there is nothing to show.
std::string live_reload_line();

// Rebuilds counted since the start (tests and benchmarks wait for one).
int live_rebuild_count();
