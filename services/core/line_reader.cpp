// line_reader.cpp -- the one reader of text files: 64 KiB blocks, four line endings, regular files only
//
// Maps of millions of lines, definition files, settings and DNA files all come through here, and so
// do the numbered files' read_line calls (they lend their handle). A folder, a device such as
// /dev/zero or a pipe is refused when opened, so no reader can spin on an endless or empty "file".
#include <algorithm>
#include <cstdint>

#include "os.h"
#include "services/files.h"
#include "services/line_reader.h"
#include "services/paths.h"

namespace svc {
namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr size_t kFirstBlock = 256;  // A new reader's first block: more than a definition file's few lines

// Reads the next block; false when no byte is left. A read that fills less than the block has
// reached the end of a regular file, so a reader with its own descriptor asks no more: a small
// definition file costs one read, not two. A lent descriptor keeps asking (its file may be written
// between reads).
bool refill(LineReader& r) {
  if (r.fd == os::kNoHandle || r.drained) return false;
  if (r.block.empty()) r.block.resize(kBlockSize);
  const int64_t n = os::read_some(r.fd, r.block.data(), r.block.size());
  r.pos = 0;
  r.len = n > 0 ? static_cast<size_t>(n) : 0;
  if (r.owns_fd && r.len < r.block.size()) r.drained = true;
  return n > 0;
}

// Opens the file and reads its first block. Only a regular file is kept, which the system is asked
// after that read; `small_is_file` trusts a read that came back short but not empty instead: it holds
// a whole small file, as nearly every definition file is, and a world opens one per colour code.
// (A pipe whose writer has already written a few bytes would then give those bytes, once.)
bool open_reader(LineReader& reader, const std::string& path, bool small_is_file) {
  close_line_reader(reader);
  if (path.empty()) return false;
  // The open never waits, so a pipe with no writer returns at once and can be refused.
  // The spelled path is built in one string kept between calls: a world load opens a definition
  // file per colour code (the services run on one thread).
  static std::string spelled;
  system_path_into(spelled, path);
  const os::Handle fd = os::open_file(spelled, os::Open::READ);
  if (fd == os::kNoHandle) return false;
  reader.fd = fd;
  reader.owns_fd = true;
  reader.drained = false;
  if (reader.block.size() < kFirstBlock) reader.block.resize(kFirstBlock);
  const int64_t n = os::read_some(fd, reader.block.data(), reader.block.size());
  reader.pos = 0;
  reader.len = n > 0 ? static_cast<size_t>(n) : 0;
  const bool short_read = n > 0 && reader.len < reader.block.size();
  if (short_read) reader.drained = true;  // The whole file
  if (short_read && small_is_file) return true;
  os::Info info;
  if (!os::file_info(fd, info) || info.kind != os::Kind::FILE) {
    close_line_reader(reader);
    return false;
  }
  if (n <= 0) {
    reader.drained = true;  // Empty, or unreadable: no byte to give
  } else if (!short_read) {
    // A larger file: a block just larger than it (up to 64 KiB), so that its last read comes back short.
    const size_t want = std::min<size_t>(kBlockSize, static_cast<uint64_t>(info.size) + 1);
    if (reader.block.size() < want) reader.block.resize(want);
  }
  return true;
}

}  // namespace

LineReader::~LineReader() { close_line_reader(*this); }

bool open_line_reader(LineReader& reader, const std::string& path) { return open_reader(reader, path, false); }

bool line_reader_at_end(LineReader& reader) { return reader.pos >= reader.len && !refill(reader); }

void read_line(LineReader& reader, std::string& line) { read_line(reader, line, static_cast<size_t>(-1)); }

void read_line(LineReader& reader, std::string& line, size_t max_bytes) {
  line.clear();
  for (;;) {
    if (line.size() >= max_bytes) return;  // Cut: the rest of the line stays unread
    if (reader.pos >= reader.len && !refill(reader)) return;
    const char* start = reader.block.data() + reader.pos;
    const char* end = reader.block.data() + reader.len;
    if (static_cast<size_t>(end - start) > max_bytes - line.size()) end = start + (max_bytes - line.size());
    const char* p = find_line_end(start, end);
    line.append(start, p);
    reader.pos += static_cast<size_t>(p - start);
    if (p == end) continue;  // The line goes on in the next block, or has reached max_bytes
    char terminator = *p;
    reader.pos++;
    // CR LF is one ending, also when the LF starts the next block.
    if (terminator == '\r' && (reader.pos < reader.len || refill(reader)) && reader.block[reader.pos] == '\n')
      reader.pos++;
    return;
  }
}

std::string_view read_line_view_across(LineReader& reader) {
  read_line(reader, reader.spill);
  return reader.spill;
}

std::string read_line(LineReader& reader) {
  std::string line;
  read_line(reader, line);
  return line;
}

void close_line_reader(LineReader& reader) {
  if (reader.fd != os::kNoHandle && reader.owns_fd) os::close_file(reader.fd);
  reader.fd = os::kNoHandle;
  reader.pos = reader.len = 0;
  reader.drained = false;
}

bool read_pairs(const std::string& path, const PairHandler& pair) {
  // One reader serves every call (the services run on one thread), keeping its block: a world reads
  // a definition file per colour code. A handler that reads pairs itself gets a reader of its own.
  static LineReader shared;
  static bool shared_busy = false;
  LineReader own;
  LineReader& reader = shared_busy ? own : shared;
  struct Busy {
    bool& flag;
    bool was;
    ~Busy() { flag = was; }
  } busy{shared_busy, shared_busy};
  shared_busy = true;
  if (!open_reader(reader, path, true)) return false;
  std::string key, value;
  while (!line_reader_at_end(reader)) {
    read_line(reader, key);
    read_line(reader, value);
    pair(key, value);
  }
  close_line_reader(reader);
  return true;
}

}  // namespace svc
