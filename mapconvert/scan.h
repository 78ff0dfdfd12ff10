// scan.h -- the map scans: a pass over the shown frame that writes one map file
//
// The values come from the screen's back buffer as the event loop left it: black, with the
// picture at (0, 0). Beyond the screen every channel reads 255. A map of a W x H picture has
// (W+1)*(H+1) entries, so the extra column and row read the black around the picture.
#pragma once
#include <cstdint>
#include <string>
#include "state.h"
#include "formats/map_format.h"

// What a scan did, for callers that report more than the notices (the command-line tool).
struct ScanReport {
  bool refused = false;      // No picture (or no path): the refusal notice, no file
  bool map_written = false;  // The map was created and closed without a write failure
  std::string map_path;      // The chosen path after the name rule
  long codes_distinct = 0;   // Colour-code maps: distinct colour codes, each with its file (created, kept or failed)
  long codes_created = 0;    // Colour-code maps: colour-code files created empty
  long codes_failed = 0;     // Colour-code maps: codes whose file could not be created
  long margin_codes = 0;     // Reduced colour-code maps: codes only the extra column and row have, beside
                             // the picture's N
};

// Called after every column: columns done so far and the total (W+1).
struct ScanProgress {
  void (*column_done)(int done, int total, void* context) = nullptr;
  void* context = nullptr;
};

// Red, green, blue or RGB map of a width x height picture to chosen_path (extension appended
// unless contained). Ends with the "Image Converted!" notice, or refuses without a picture.
ScanReport scan_colour_map(ConverterState& state, MapKind kind, int width, int height, const std::string& chosen_path,
                           const ScanProgress* progress = nullptr);

// colour-code map; basic reduces every position to one of five colours on the screen first, and otherwise
// a state.ai_colours above 0 reduces the picture's positions to at most that many colours (2 to
// 4096); the extra column and row keep the colour they show, as in a full map.
// Ensures the colour-code files in state.destination_folder with state.codec.
ScanReport scan_ai_map(ConverterState& state, bool basic, int width, int height, const std::string& chosen_path,
                       const ScanProgress* progress = nullptr);
