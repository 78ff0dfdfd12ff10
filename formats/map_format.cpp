// map_format.cpp -- the one definition of the map file kinds, their names and their entries
#include "formats/map_format.h"

#include <algorithm>
#include <cstring>

#include "services/files.h"
#include "services/line_reader.h"
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

}  // namespace

const MapKindInfo& map_kind_info(MapKind kind) { return kKinds[kind]; }

std::string map_file_name(const std::string& chosen, MapKind kind) {
  const std::string ext = kKinds[kind].extension;
  if (svc::find_string(chosen, ext, 1) > 0) return chosen;
  return chosen + ext;
}

std::string map_path(const std::string& stem, MapKind kind) { return stem + kKinds[kind].extension; }

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

size_t write_map_header(int file, MapKind kind, int width, int height, const std::string& source_path) {
  const std::string lines[] = {kKinds[kind].header, svc::int_to_string(width), svc::int_to_string(height),
                               "SourceImage:" + source_path, kKinds[kind].data_tag};
  size_t bytes = 0;
  for (const std::string& line : lines) {
    svc::write_line(file, line);
    bytes += line.size() + 2;
  }
  return bytes;
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

void begin_map_entries(MapEntryWriter& writer, int file, MapKind kind, size_t written) {
  writer.file = file;
  writer.kind = kind;
  for (int v = 0; v < 256; ++v) {
    const std::string line = map_channel_text(v, kind) + "\r\n";
    std::memcpy(writer.text[v], line.data(), line.size());
    writer.length[v] = static_cast<uint8_t>(line.size());
  }
  // Big enough for few writes, small enough to stay in cache and to cost few page faults to fill.
  if (!writer.block) writer.block.reset(new char[MapEntryWriter::kBlock + MapEntryWriter::kSpare]);
  writer.used = 0;
  writer.full = MapEntryWriter::kBlock - written % 4096;
  writer.failed = false;
}

void flush_map_entries(MapEntryWriter& writer) {
  if (writer.file && writer.used > 0 && !svc::write_bytes(writer.file, writer.block.get(), writer.used))
    writer.failed = true;
  writer.used = 0;
}

void pass_full_block(MapEntryWriter& writer) {
  if (writer.used < writer.full) return;
  if (writer.file && !svc::write_bytes(writer.file, writer.block.get(), writer.full)) writer.failed = true;
  writer.used -= writer.full;
  std::memmove(writer.block.get(), writer.block.get() + writer.full, writer.used);
  writer.full = MapEntryWriter::kBlock;
}

void put_map_entries(MapEntryWriter& w, const int32_t* colours, size_t count) {
  if (!w.file) return;
  // The block's place is kept in locals: the entries' bytes could otherwise alias the writer's own
  // fields, which the compiler would then read again after every copy.
  char* const block = w.block.get();
  size_t used = w.used, full = w.full;
  const int one_shift = w.kind == MAP_RED ? 0 : w.kind == MAP_GREEN ? 8 : w.kind == MAP_BLUE ? 16 : -1;
  auto put = [&](uint32_t value) {
    std::memcpy(block + used, w.text[value], 8);  // A whole slot; only `length` bytes count
    used += w.length[value];
  };
  for (size_t i = 0; i < count; ++i) {
    if (used >= full) {
      w.used = used;
      pass_full_block(w);
      used = w.used, full = w.full;
    }
    const uint32_t colour = static_cast<uint32_t>(colours[i]);
    if (one_shift >= 0) {
      put((colour >> one_shift) & 0xFFu);
    } else {
      put(colour & 0xFFu);
      put((colour >> 8) & 0xFFu);
      put((colour >> 16) & 0xFFu);
    }
  }
  w.used = used;
}

MapHeader read_map_header(svc::LineReader& reader) {
  MapHeader h;
  std::string line;
  svc::read_line(reader, line);
  svc::read_line(reader, line);
  h.width = svc::string_to_int(line);
  svc::read_line(reader, line);
  h.height = svc::string_to_int(line);
  svc::read_line(reader, line);
  svc::read_line(reader, line);
  return h;
}
