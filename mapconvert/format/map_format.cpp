// map_format.cpp -- the one definition of the map file kinds, their names and their entries
#include "format/map_format.h"

#include <algorithm>

#include "services/files.h"
#include "services/text.h"

namespace {

const MapKindInfo kKinds[] = {
    {".red", "RED-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel", "RED-DATA:", 1, false},
    {".green", "GREEN-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel", "GREEN-DATA:", 1, false},
    {".blue", "BLUE-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel", "BLUE-DATA:", 1, false},
    {".rgb", "RGB-FILE:(C) Orvanel, Made Using TINCTOR By Orvanel", "RGB-DATA:", 3, false},
    {".qz61", "AI-FILE:(C) Orvanel, Made Using TINCTOR-AI By Orvanel", "AI-DATA:", 3, true},
};

// "00" in front of a one-character text, then "0" in front of a two-character one.
std::string pad_three(const std::string& text) {
  std::string t = text;
  if (t.size() < 2) t = "00" + t;
  if (t.size() < 3) t = "0" + t;
  return t;
}

// A channel value kept inside 0..255, so every entry and code has its fixed width.
int clamp_channel(int value) { return std::min(255, std::max(0, value)); }

constexpr size_t kReadBlock = 64 * 1024;

// Fetches the next block; false at the end of the file.
bool refill(MapReader& r) {
  if (!r.file) return false;
  r.len = std::fread(r.buffer.data(), 1, r.buffer.size(), r.file);
  r.pos = 0;
  return r.len > 0;
}

}  // namespace

const MapKindInfo& map_kind_info(MapKind kind) { return kKinds[kind]; }

std::string map_file_name(const std::string& chosen, MapKind kind) {
  const std::string ext = kKinds[kind].extension;
  if (svc::find_string(chosen, ext, 1) > 0) return chosen;
  return chosen + ext;
}

std::string map_channel_text(int value, MapKind kind) {
  std::string text = svc::int_to_string(clamp_channel(value));
  return kKinds[kind].zero_padded ? pad_three(text) : text;
}

std::string colour_code(int red, int green, int blue) {
  return pad_three(svc::int_to_string(clamp_channel(red))) + pad_three(svc::int_to_string(clamp_channel(green))) +
         pad_three(svc::int_to_string(clamp_channel(blue)));
}

std::string colour_code_file_name(const std::string& folder, const std::string& code, const std::string& suffix) {
  return folder + code + suffix;
}

void write_map_header(int file, MapKind kind, int width, int height, const std::string& source_path) {
  svc::write_line(file, kKinds[kind].header);
  svc::write_line(file, svc::int_to_string(width));
  svc::write_line(file, svc::int_to_string(height));
  svc::write_line(file, "SourceImage:" + source_path);
  svc::write_line(file, kKinds[kind].data_tag);
}

void write_map_entry(int file, MapKind kind, int red, int green, int blue) {
  switch (kind) {
    case MAP_RED: svc::write_line(file, map_channel_text(red, kind)); break;
    case MAP_GREEN: svc::write_line(file, map_channel_text(green, kind)); break;
    case MAP_BLUE: svc::write_line(file, map_channel_text(blue, kind)); break;
    case MAP_RGB:
    case MAP_AI:
      svc::write_line(file, map_channel_text(red, kind));
      svc::write_line(file, map_channel_text(green, kind));
      svc::write_line(file, map_channel_text(blue, kind));
      break;
  }
}

MapHeader read_map_header(int file) {
  MapHeader h;
  svc::read_line(file);
  h.width = svc::string_to_int(svc::read_line(file));
  h.height = svc::string_to_int(svc::read_line(file));
  svc::read_line(file);
  svc::read_line(file);
  return h;
}

bool open_map_reader(MapReader& reader, const std::string& path) {
  close_map_reader(reader);
  reader.file = std::fopen(svc::system_path(path).c_str(), "rb");
  if (!reader.file) return false;
  reader.buffer.resize(kReadBlock);
  reader.pos = reader.len = 0;
  return true;
}

bool map_reader_at_end(MapReader& reader) {
  if (reader.pos < reader.len) return false;
  return !refill(reader);
}

void map_read_line(MapReader& reader, std::string& line) {
  line.clear();
  while (true) {
    if (reader.pos >= reader.len && !refill(reader)) return;
    const char* start = reader.buffer.data() + reader.pos;
    const char* end = reader.buffer.data() + reader.len;
    const char* p = start;
    while (p < end && *p != '\r' && *p != '\n' && *p != '\0') ++p;
    line.append(start, p);
    reader.pos += static_cast<size_t>(p - start);
    if (p == end) continue;  // the line goes on in the next block
    char terminator = *p;
    reader.pos++;
    // CR LF is one terminator, also when the LF starts the next block.
    if (terminator == '\r' && (reader.pos < reader.len || refill(reader)) && reader.buffer[reader.pos] == '\n')
      reader.pos++;
    return;
  }
}

std::string map_read_line(MapReader& reader) {
  std::string line;
  map_read_line(reader, line);
  return line;
}

void close_map_reader(MapReader& reader) {
  if (reader.file) std::fclose(reader.file);
  reader.file = nullptr;
  reader.pos = reader.len = 0;
}

MapHeader read_map_header(MapReader& reader) {
  MapHeader h;
  std::string line;
  map_read_line(reader, line);
  map_read_line(reader, line);
  h.width = svc::string_to_int(line);
  map_read_line(reader, line);
  h.height = svc::string_to_int(line);
  map_read_line(reader, line);
  map_read_line(reader, line);
  return h;
}
