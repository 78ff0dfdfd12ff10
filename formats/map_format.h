// map_format.h -- the map files written by mapconvert and mapscan and read by simengine: kinds, names, entries
//
// A map of a W x H picture holds (W+1)*(H+1) entries, column by column (x outer, y inner), after
// five header lines: the kind's header, W, H, "SourceImage:" + the picture's path, the data tag.
// Every line ends in CR LF.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "services/line_reader.h"

enum MapKind { MAP_RED, MAP_GREEN, MAP_BLUE, MAP_RGB, MAP_AI };

struct MapKindInfo {
  const char* extension;  // ".red", ".green", ".blue", ".rgb", ".qz61"
  const char* header;     // line 1
  const char* data_tag;   // line 5
  int lines_per_entry;    // 1 for channel maps, 3 for RGB and colour-code maps
  bool zero_padded;       // AI entries are three digits each
};

const MapKindInfo& map_kind_info(MapKind kind);

// The chosen name, with the kind's extension appended unless the name contains it (case-sensitive).
std::string map_file_name(const std::string& chosen, MapKind kind);

// A map pair's file of this kind: stem + the kind's extension, always ("maps\land" gives
// "maps\land.qz61" for the colour-code map and "maps\land.red" for the red map).
std::string map_path(const std::string& stem, MapKind kind);

// One channel value as written in a map of this kind: shortest decimal, or three digits for colour-code maps.
// Values outside 0..255 are clamped to the channel range, so an AI entry is always three digits.
std::string map_channel_text(int value, MapKind kind);

// The nine-digit colour code of a red, green, blue triple: 10, 200, 3 gives "010200003".
// Channels are clamped to 0..255 first, so the code always has nine digits.
std::string colour_code(int red, int green, int blue);

// The colour-code file of a colour-code map run: folder + code + suffix, joined unchanged.
std::string colour_code_file_name(const std::string& folder, const std::string& code, const std::string& suffix);

// Writes lines 1 to 5 to an open services file; gives their bytes.
size_t write_map_header(int file, MapKind kind, int width, int height, const std::string& source_path);

// Writes one entry (one line for channel maps, three for RGB and colour-code maps) of a pixel's channels.
void write_map_entry(int file, MapKind kind, int red, int green, int blue);

// Entries in bulk, as a scan writes millions of them: each channel value's text comes from a table
// made once, and the entries gather in one large block that goes to the file in few writes. The bytes
// are those of write_map_entry for each entry. A file of 0 takes no entries (nothing is written).
struct MapEntryWriter {
  static constexpr size_t kBlock = size_t{64} << 10;  // Bytes per write
  static constexpr size_t kSpare = 3 * 8;              // Room past kBlock for the entry that crosses it
  int file = 0;
  MapKind kind = MAP_RED;
  char text[256][8] = {};    // A channel value's text and CR LF
  uint8_t length[256] = {};  // Bytes of it
  std::unique_ptr<char[]> block;  // Entries not yet written (not cleared: only bytes written are read)
  size_t used = 0;
  size_t full = kBlock;  // Bytes that make the block full: the first block ends at a file page
  bool failed = false;   // A write of the block failed
};
// `written` is how many bytes the file holds before the entries (its header): the blocks then end
// at the file's pages, which the system writes for less than pages it must fill in parts.
void begin_map_entries(MapEntryWriter& writer, int file, MapKind kind, size_t written = 0);
void flush_map_entries(MapEntryWriter& writer);  // Writes what the block holds; at the end of the entries
void pass_full_block(MapEntryWriter& writer);    // Writes the full block; keeps what lies past it

// Adds one entry of a pixel's channels (inline: it runs once per pixel).
inline void put_map_entry(MapEntryWriter& w, int red, int green, int blue) {
  if (!w.file) return;
  if (w.used >= w.full) pass_full_block(w);
  auto put = [&w](int value) {
    const int v = value < 0 ? 0 : value > 255 ? 255 : value;  // Clamped, as map_channel_text does
    std::memcpy(w.block.get() + w.used, w.text[v], 8);        // A whole slot; only `length` bytes count
    w.used += w.length[v];
  };
  switch (w.kind) {
    case MAP_RED: put(red); break;
    case MAP_GREEN: put(green); break;
    case MAP_BLUE: put(blue); break;
    case MAP_RGB:
    case MAP_AI:
      put(red);
      put(green);
      put(blue);
      break;
  }
}

// Adds one entry for each of `count` screen colours (red in bits 0-7, green 8-15, blue 16-23, as
// svc::point gives them), as put_map_entry of their channels would: a whole column of a scan at once.
void put_map_entries(MapEntryWriter& w, const int32_t* colours, size_t count);

// The extent of a map: lines 2 and 3 of its header as decimal integers (0 when not a number).
struct MapHeader {
  int32_t width = 0;
  int32_t height = 0;
};

// Reads the five header lines; the other lines are not checked.
MapHeader read_map_header(svc::LineReader& reader);
