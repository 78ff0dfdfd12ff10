// world_reload.h -- rebuilding the world in place from the files start-up read, keeping the view
//
// A rebuild reads the configuration again and builds the world exactly as start-up would from the
// same files (same random seed, same draws), then puts the view back: the scroll position, the zoom
// and the cursor stay where they were, clamped to the new world's size.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What one rebuild did, for the overlay line and standard error.
struct ReloadReport {
  bool rebuilt = false;                  // false: the world was left as it was
  double milliseconds = 0;               // the rebuild's own time
  std::vector<std::string> unreadable;   // files that could not be read; what they gave before stays
  std::vector<std::string> needRestart;  // settings read only at start that changed ("APPNAME", "RESOLUTION")
};

// Start-up's part: fixes the seed the world's draws start from (WORLDRANDOM, or the tick count
// when the configuration gives none) and the configured RESOLUTION. Call right after the
// configuration is read, before any draw.
void remember_start_settings();

// Rebuilds the world in place. The configuration is read again; one that cannot be read, or
// whose RESOLUTION is not positive, leaves the settings as they were. A missing map or labyrinth
// base file leaves the whole world as it was (start-up would stop; a running engine keeps going), and
// so does a red map that is there but cannot be read. A definition file, object picture or object
// definition that is there but cannot be read gives what it gave before and is named.
// `loadPictureChanged`: the load screen's picture changed on disk and is loaded again.
ReloadReport rebuild_world_in_place(bool loadPictureChanged = false);
