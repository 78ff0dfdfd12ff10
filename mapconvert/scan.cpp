// scan.cpp -- the shared frame of every map scan: one pass over the shown picture per map file
#include "scan.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "basic_colours.h"
#include "colour_codes.h"
#include "colour_reduction.h"
#include "scan_notices.h"
#include "services/files.h"
#include "services/screen.h"
#include "services/text.h"

namespace {

enum EntryKind { ENTRY_CHANNELS, ENTRY_AI_FULL, ENTRY_AI_BASIC, ENTRY_AI_REDUCED };

// The palette of a reduced colour-code map, chosen from the picture's positions only: the extra column and
// row show the screen around the picture, which must not take one of the picture's N colours.
ColourReduction reduce_shown_colours(int width, int height, int max_colours) {
  std::vector<int32_t> colours;
  colours.reserve(size_t(width) * size_t(height));
  svc::start_drawing(svc::screen_output());
  for (int x = 0; x < width; ++x)
    for (int y = 0; y < height; ++y) colours.push_back(svc::point(x, y));
  svc::stop_drawing();
  return reduce_colours(colours, max_colours);
}

// The distinct colours of the extra column and row that are none of the palette's.
long margin_only_colours(int width, int height, const ColourReduction& reduction) {
  std::vector<int32_t> seen;
  svc::start_drawing(svc::screen_output());
  for (int i = 0; i <= width + height; ++i) {
    const int32_t colour = (i <= width ? svc::point(i, height) : svc::point(width, i - width - 1)) & 0xFFFFFF;
    if (!std::binary_search(reduction.palette.begin(), reduction.palette.end(), colour) &&
        std::find(seen.begin(), seen.end(), colour) == seen.end())
      seen.push_back(colour);
  }
  svc::stop_drawing();
  return long(seen.size());
}

// The map scan: name rule, refusal, header, one column per pass with its progress pixel, notice.
ScanReport run_scan(ConverterState& state, MapKind kind, EntryKind entry, int width, int height,
                    const std::string& chosen_path, const ScanProgress* progress) {
  ScanReport report;
  state.mode = MODE_BUSY;
  report.map_path = map_file_name(chosen_path, kind);

  if (width <= 0 || height <= 0 || report.map_path.empty()) {
    show_scan_refused(entry != ENTRY_CHANNELS);
    report.refused = true;
    state.mode = MODE_IDLE;
    return report;
  }

  // An existing map of that name is replaced whole, or not at all: the map is written beside it and
  // takes its name only once complete, so a full disk never leaves half a map. When it can't be
  // created the scan still runs (the colour-code files of a colour-code map are still wanted) and nothing is written.
  const int file = svc::create_replacement(-1, report.map_path);
  const size_t header = file ? write_map_header(file, kind, width, height, state.source_path) : 0;

  // The entries go out in large blocks, each channel's text taken from a table.
  MapEntryWriter entries;
  begin_map_entries(entries, file, kind, header);
  CodeFileMemory codes;
  if (entry != ENTRY_CHANNELS) begin_code_files(codes);
  ColourReduction reduction;
  if (entry == ENTRY_AI_REDUCED) {
    reduction = reduce_shown_colours(width, height, state.ai_colours);
    report.margin_codes = margin_only_colours(width, height, reduction);
  }
  const int32_t progress_red = svc::rgb(255, 0, 0);
  // Entries that only read the screen read it a band of columns at a time, each screen row once:
  // reading a column alone would fetch a memory line per pixel and use one pixel of it. The entries
  // still go out column by column. Sixteen columns are a memory line of each row, and the band is
  // few pages for the system to fault in: a wider band cost more in page faults than it saved.
  constexpr int kBand = 16;
  const bool banded = entry == ENTRY_CHANNELS || entry == ENTRY_AI_FULL;
  const size_t column_size = size_t(height) + 1;
  // Not cleared: every column of it is written before it is read.
  const std::unique_ptr<int32_t[]> band(banded ? new int32_t[kBand * column_size] : nullptr);

  for (int x = 0; x <= width; ++x) {
    svc::start_drawing(svc::screen_output());
    if (banded && x % kBand == 0) {
      const int columns = std::min(kBand, width + 1 - x);
      svc::point_columns(x, 0, columns, height + 1, band.get(), column_size);
    }
    const int32_t* column = banded ? band.get() + size_t(x % kBand) * column_size : nullptr;
    if (entry == ENTRY_CHANNELS) {
      put_map_entries(entries, column, column_size);  // The column's entries at once
    } else {
      for (int y = 0; y <= height; ++y) {
        // The reducing entries take the colour they drew, so a position off the screen is reduced too.
        int32_t colour;
        if (entry == ENTRY_AI_BASIC)
          colour = classify_pixel(x, y);
        else if (entry == ENTRY_AI_REDUCED) {
          // The extra column and row keep what the screen shows there, as in a full map.
          colour = svc::point(x, y);
          if (x < width && y < height) {
            colour = reduced_colour(reduction, colour);
            svc::plot(x, y, colour);
          }
        } else
          colour = column[y];
        const int r = svc::red(colour), g = svc::green(colour), b = svc::blue(colour);
        put_map_entry(entries, r, g, b);
        if (state.make_code_files) ensure_code_file(codes, state.destination_folder, state.codec, r, g, b);
      }
    }
    // The progress line lies one row below the extra row, so the scan never reads it.
    svc::plot(x, height + 1, progress_red);
    svc::stop_drawing();
    svc::flip_buffers();
    if (progress && progress->column_done) progress->column_done(x + 1, width + 1, progress->context);
  }

  flush_map_entries(entries);
  report.map_written = file != 0 && svc::close_file(file) != 0;
  report.codes_distinct = codes.distinct;
  report.codes_created = codes.created;
  report.codes_failed = codes.failed;

  show_scan_done(report, state.destination_folder);
  state.mode = MODE_IDLE;
  return report;
}

}  // namespace

ScanReport scan_colour_map(ConverterState& state, MapKind kind, int width, int height, const std::string& chosen_path,
                           const ScanProgress* progress) {
  return run_scan(state, kind, ENTRY_CHANNELS, width, height, chosen_path, progress);
}

ScanReport scan_ai_map(ConverterState& state, bool basic, int width, int height, const std::string& chosen_path,
                       const ScanProgress* progress) {
  const EntryKind entry = basic ? ENTRY_AI_BASIC : state.ai_colours > 0 ? ENTRY_AI_REDUCED : ENTRY_AI_FULL;
  return run_scan(state, MAP_AI, entry, width, height, chosen_path, progress);
}
