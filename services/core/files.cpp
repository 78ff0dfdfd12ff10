// files.cpp -- the numbered file table: buffered line reading, buffered writing, size and renames
//
// Each open file reads through a line reader that borrows its descriptor (large blocks, so a map of
// millions of lines costs few system calls) and keeps a 4096-byte write buffer. A file opened for reading and writing has one logical
// position: reading flushes pending writes first, and writing after reading moves the system
// position back to where the reader stopped.
#include "services/files.h"
#include "services/line_reader.h"
#include "services/paths.h"

#include <memory>
#include <vector>

#include "number_table.h"
#include "os.h"

namespace svc {
namespace {

constexpr size_t kWriteBufferSize = 4096;

struct OpenFile {
  os::Handle fd = os::kNoHandle;
  bool can_read = false;
  bool can_write = false;
  bool write_failed = false;  // A buffered write could not be stored (disk full, I/O error)
  LineReader in;              // Reads ahead of the logical position, on the same descriptor
  std::string wbuf;           // Bytes written but not yet handed to the system
  // A replacement (create_replacement): the bytes go to a new file beside the target, renamed over
  // it when the file closes whole.
  bool replacing = false;
  os::Replacement replacement;
};

detail::NumberTable<std::unique_ptr<OpenFile>>& table() {
  static detail::NumberTable<std::unique_ptr<OpenFile>> files;
  return files;
}

OpenFile* find(int file) {
  std::unique_ptr<OpenFile>* f = table().get(file);
  return f ? f->get() : nullptr;
}

// Hands the write buffer to the system; remembers a failure for close_file.
bool flush_writes(OpenFile& f) {
  if (f.wbuf.empty()) return !f.write_failed;
  bool ok = os::write_all(f.fd, f.wbuf.data(), f.wbuf.size());
  f.wbuf.clear();
  if (!ok) f.write_failed = true;
  return ok;
}

// Gives back bytes read ahead: the system position returns to the logical position.
void drop_read_ahead(OpenFile& f) {
  size_t ahead = f.in.len - f.in.pos;
  if (ahead > 0) os::move_position(f.fd, -static_cast<int64_t>(ahead));
  f.in.pos = f.in.len = 0;
}

// Before reading, pending writes go to the system so the reader sees them.
bool ready_to_read(OpenFile& f) {
  if (!f.can_read) return false;
  if (!f.wbuf.empty()) flush_writes(f);
  return true;
}

void close_record(OpenFile& f, bool* ok) {
  bool good = flush_writes(f) && !f.write_failed;
  if (!os::close_file(f.fd) && f.can_write) good = false;
  if (ok) *ok = good;
}

// Opens the path with the flags and stores it under the number; the shared part of every open.
int open_numbered(int file, const std::string& path, os::Open how, bool can_read, bool can_write) {
  int number = table().pick(file);
  if (number < 0) return 0;
  if (file != -1 && find(file)) close_file(file);
  if (path.empty()) return 0;
  // A file opened only for reading must be a regular file: a folder, a device or a pipe is refused
  // (the open never waits, so a pipe with no writer cannot hang it). No opening takes a folder:
  // the system refuses to open one for writing, so only reads need a look (a colour-code map creates hundreds
  // of thousands of files, and a system call less each counts).
  const os::Handle fd = os::open_file(system_path(path), how);
  if (fd == os::kNoHandle) return 0;
  if (!can_write) {
    os::Info info;
    if (!os::file_info(fd, info) || info.kind != os::Kind::FILE) {
      os::close_file(fd);
      return 0;
    }
  }
  auto rec = std::make_unique<OpenFile>();
  rec->fd = fd;
  rec->can_read = can_read;
  rec->can_write = can_write;
  rec->in.fd = fd;
  rec->in.owns_fd = false;
  table().store(number, std::move(rec));
  return detail::created(file, number);
}

}  // namespace

int open_file_read(int file, const std::string& path) { return open_numbered(file, path, os::Open::READ, true, false); }

int create_file(int file, const std::string& path) { return open_numbered(file, path, os::Open::CREATE, false, true); }

int create_new_file(int file, const std::string& path) {
  return open_numbered(file, path, os::Open::CREATE_ONLY, false, true);
}

int create_empty_file(const std::string& path) {
  if (path.empty()) return 0;
  // The spelled path is kept between calls: a colour-code map makes hundreds of thousands of these files.
  static std::string spelled;
  system_path_into(spelled, path);
  return os::create_empty_file(spelled) == os::Made::MADE ? 1 : 0;
}

int open_file_rw(int file, const std::string& path) {
  return open_numbered(file, path, os::Open::READ_WRITE, true, true);
}

std::string read_line(int file) {
  OpenFile* f = find(file);
  std::string line;
  if (f && ready_to_read(*f)) read_line(f->in, line);
  return line;
}

namespace {

// Appends to the write buffer; a block at least the buffer's size goes to the system in one call.
bool put_bytes(OpenFile& f, const char* data, size_t size) {
  bool ok = true;
  if (f.wbuf.size() + size > kWriteBufferSize) ok = flush_writes(f);
  if (size < kWriteBufferSize) {
    if (f.wbuf.capacity() < kWriteBufferSize) f.wbuf.reserve(kWriteBufferSize);  // Made at the first write
    f.wbuf.append(data, size);
  } else if (!os::write_all(f.fd, data, size)) {
    f.write_failed = true;
    ok = false;
  }
  return ok;
}

OpenFile* writable(int file) {
  OpenFile* f = find(file);
  if (!f || !f->can_write) return nullptr;
  if (f->can_read) drop_read_ahead(*f);
  return f;
}

}  // namespace

int write_line(int file, const std::string& text) {
  OpenFile* f = writable(file);
  if (!f) return 0;
  const bool ok = put_bytes(*f, text.data(), text.size());
  return put_bytes(*f, "\r\n", 2) && ok ? 1 : 0;
}

int write_bytes(int file, const char* data, size_t size) {
  OpenFile* f = writable(file);
  if (!f) return 0;
  return put_bytes(*f, data, size) ? 1 : 0;
}

int end_of_file(int file) {
  OpenFile* f = find(file);
  if (!f) return 0;
  if (!f->can_read) return 1;  // A file open only for writing is always at its end
  return ready_to_read(*f) && !line_reader_at_end(f->in) ? 0 : 1;
}

int truncate_file(int file) {
  OpenFile* f = find(file);
  if (!f || !f->can_write) return 0;
  drop_read_ahead(*f);
  if (!flush_writes(*f)) return 0;
  const int64_t here = os::move_position(f->fd, 0);
  if (here < 0) return 0;
  return os::set_size(f->fd, here) ? 1 : 0;
}

int create_replacement(int file, const std::string& path) {
  if (path.empty() || path.back() == '/' || path.back() == '\\') return 0;
  int number = table().pick(file);
  if (number < 0) return 0;
  if (file != -1 && find(file)) close_file(file);
  auto rec = std::make_unique<OpenFile>();
  if (!os::begin_replace(system_path(path), false, rec->replacement)) return 0;  // the folder takes no new file
  rec->replacing = true;
  rec->fd = rec->replacement.file;
  rec->can_write = true;
  rec->in.fd = rec->fd;
  rec->in.owns_fd = false;
  table().store(number, std::move(rec));
  return detail::created(file, number);
}

namespace {

// Closes a file; a replacement takes its target's name only when every byte reached the disk,
// otherwise it goes and the target stays as it was.
bool end_record(OpenFile& f, bool keep) {
  if (!f.replacing) {
    bool ok = false;
    close_record(f, &ok);
    return ok;
  }
  if (keep && flush_writes(f) && !f.write_failed) return os::finish_replace(f.replacement) == os::Replaced::DONE;
  os::abandon_replace(f.replacement);
  return false;
}

}  // namespace

int close_file(int file) {
  OpenFile* f = find(file);
  if (!f) return 0;
  const bool ok = end_record(*f, true);
  table().release(file);
  return ok ? 1 : 0;
}

int discard_file(int file) {
  OpenFile* f = find(file);
  if (!f) return 0;
  if (f->replacing)
    end_record(*f, false);
  else
    close_record(*f, nullptr);
  table().release(file);
  return 1;
}

void close_all_files() {
  // A replacement still open at the end was never finished by its writer: its target stays.
  table().for_each([](int, std::unique_ptr<OpenFile>& f) { end_record(*f, !f->replacing); });
  table().clear();
}

int is_file(int file) { return find(file) ? 1 : 0; }

int64_t file_size(const std::string& path) {
  os::Info info;
  if (path.empty() || !os::path_info(system_path(path), info, true) || info.kind == os::Kind::MISSING) return -1;
  if (info.kind == os::Kind::FOLDER) return -2;
  return info.size;
}

int rename_file(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return 0;
  return os::rename_path(system_path(from), system_path(to)) ? 1 : 0;
}

int delete_file(const std::string& path) {
  if (path.empty()) return 0;
  return os::remove_file(system_path(path)) ? 1 : 0;
}

int directory_writable(const std::string& folder) {
  const std::string p = folder.empty() ? std::string(".") : system_path(folder);
  os::Info info;
  if (!os::path_info(p, info, true) || info.kind != os::Kind::FOLDER) return 0;
  return os::may_access(p, true) ? 1 : 0;
}

}  // namespace svc
