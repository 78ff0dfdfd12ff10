// dna_text.cpp -- reads a DNA file once: lines for the grid, the tail the grid cannot show, the encoding
//
// The encoding is decided for the whole file: valid UTF-8 throughout means UTF-8, anything else is
// Windows-1252. Deciding line by line would let one file hold both, and a save would then write a
// typed character in the other encoding than the bytes around it.
#include "dna_text.h"

#include "os.h"
#include "services/files.h"
#include "services/line_reader.h"
#include "services/paths.h"
#include "services/text.h"

// A path that exists but is neither a regular file nor a folder: a device, a pipe or a socket.
static bool is_special_file(const std::string& path) {
  os::Info info;
  return !path.empty() && os::path_info(svc::system_path(path), info, true) && info.kind == os::Kind::OTHER;
}

DnaReadState read_dna_text(const std::string& path, size_t shown, DnaText& text, uint64_t max_bytes) {
  text = DnaText{};
  svc::LineReader reader;
  if (!svc::open_line_reader(reader, path)) return is_special_file(path) ? DNA_NOT_A_FILE : DNA_MISSING;
  int64_t size = svc::file_size(path);
  if (size > 0 && static_cast<uint64_t>(size) > max_bytes) return DNA_TOO_LONG;

  // The count also bounds a file that grows while it is read; a line end counts as one byte.
  uint64_t used = 0;
  std::string line;
  bool utf8 = true;
  while (!svc::line_reader_at_end(reader)) {
    uint64_t left = max_bytes > used ? max_bytes - used : 0;
    svc::read_line(reader, line, static_cast<size_t>(left + 1));
    if (line.size() > left) {
      text = DnaText{};
      return DNA_TOO_LONG;
    }
    used += line.size() + 1;
    utf8 = utf8 && svc::is_valid_utf8(line);
    if (text.lines.size() < shown) {
      text.lines.push_back(line);
    } else {
      text.tail += line;
      text.tail += "\r\n";
    }
  }
  text.utf8 = utf8;
  if (!utf8)
    for (std::string& l : text.lines) l = svc::decode_1252(l);
  return DNA_READ;
}

std::string dna_read_problem(DnaReadState state) {
  switch (state) {
    case DNA_NOT_A_FILE: return "It is not a regular file";
    case DNA_TOO_LONG: return "It is longer than " + std::to_string(MAX_DNA_FILE_BYTES >> 20) + " MiB";
    default: return "";
  }
}

bool field_text_to_file(const std::string& text, bool utf8, std::string& bytes) {
  if (utf8) {
    bytes = text;
    return true;
  }
  return svc::encode_1252(text, bytes);
}
