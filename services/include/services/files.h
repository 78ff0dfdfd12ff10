// files.h -- numbered text files with buffered writes, paths and directory scans
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace svc {

// Files. A number of -1 asks for a free number, which is returned (never 0); otherwise non-zero means success.
int open_file_read(int file, const std::string& path);   // Opens an existing regular file for reading; 0 otherwise
int create_file(int file, const std::string& path);      // Creates or truncates a file for writing
int create_new_file(int file, const std::string& path);  // Creates a file only when none exists yet (never truncates)
int create_empty_file(const std::string& path);  // An empty file, made only when none exists yet; non-zero when made
int open_file_rw(int file,
                 const std::string& path);  // Opens for reading and writing, creating it when missing; no truncation
std::string read_line(int file);            // Next line without its terminator (CR, LF, CR LF or NUL); "" at the end
int write_line(int file, const std::string& text);         // Writes the bytes and CR LF through the 4096-byte buffer
int write_bytes(int file, const char* data, size_t size);  // The bytes as they are; a large block goes out whole
int end_of_file(int file);                   // Non-zero when no byte is left; 0 for a number that is not open
int truncate_file(int file);                 // Flushes and cuts the file at the current write position
int close_file(int file);                    // Flushes and closes; 0 when a write failed or the number is not open
int is_file(int file);                       // Non-zero while the number is an open file
void close_all_files();                      // Flushes and closes every open file (at program end)
int64_t file_size(const std::string& path);  // Size in bytes; -1 when missing, -2 for a directory
int rename_file(const std::string& from, const std::string& to);  // Replaces `to` atomically; non-zero on success
int delete_file(const std::string& path);                         // Removes a file; non-zero on success
int directory_writable(const std::string& folder);  // Non-zero when new files can be created in the folder

// Line reading, the one reader of text files. Lines end at CR, LF, CR LF or NUL; the file is read in
// 64 KiB blocks. Only regular files are read: a folder, a device or a pipe is refused at open.
struct LineReader {
  std::intptr_t fd = -1;    // The system's handle of the open file (an os::Handle); -1 when closed
  bool owns_fd = true;      // False when a numbered file lends its handle
  std::vector<char> block;  // Bytes read ahead of the position
  size_t pos = 0;           // Next unread byte in block
  size_t len = 0;           // Bytes in block
  bool drained = false;     // A read came back short: a regular file has nothing more (own descriptor only)
  std::string spill;        // A line that crosses blocks, for read_line_view
  LineReader() = default;
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  ~LineReader();
};
bool open_line_reader(LineReader& reader, const std::string& path);  // False when not a readable regular file
bool line_reader_at_end(LineReader& reader);                         // True when no byte is left (or not open)
void read_line(LineReader& reader, std::string& line);  // Next line without its terminator into `line`; "" at the end
std::string read_line(LineReader& reader);              // The same, as a new string
// The same line as a view, without a copy when it lies in the reader's block; valid until the next
// read from this reader. For walks over millions of lines: the common case is inline.
std::string_view read_line_view_across(LineReader& reader);  // A line the block does not hold whole
inline std::string_view read_line_view(LineReader& reader) {
  const char* start = reader.block.data() + reader.pos;
  const char* end = reader.block.data() + reader.len;
  for (const char* p = start; p < end; ++p) {
    const char ch = *p;
    if (ch != '\r' && ch != '\n' && ch != '\0') continue;
    // A CR in the block's last byte may be the first half of a CR LF whose LF comes with the next block.
    if (ch == '\r' && p + 1 == end) break;
    reader.pos += static_cast<size_t>(p - start) + 1;
    if (ch == '\r' && p[1] == '\n') reader.pos++;
    return std::string_view(start, static_cast<size_t>(p - start));
  }
  return read_line_view_across(reader);
}
// At most max_bytes of the next line; a longer line is cut there and its rest stays unread.
void read_line(LineReader& reader, std::string& line, size_t max_bytes);
void close_line_reader(LineReader& reader);  // Closes; safe to call twice

// Line pairs: a key line, then its value line (an odd last key gets ""). Calls `pair` for each pair in file
// order, keys as they stand (nothing trimmed); false when the file cannot be opened as a regular file.
// Made for many small files (a world reads one per colour code): a first read that comes back short
// is taken as the whole file without asking the system what the file is, so a pipe whose writer has
// already written a few bytes gives those, once.
using PairHandler = std::function<void(const std::string& key, const std::string& value)>;
bool read_pairs(const std::string& path, const PairHandler& pair);

// Paths. On POSIX a "\" is a directory separator, so "DATA\ini.txt" names DATA/ini.txt.
std::string system_path(const std::string& path);    // The path as the operating system spells it
void system_path_into(std::string& spelled, const std::string& path);  // The same into a reused string
std::string current_directory();                     // The working directory, always ending in the separator
std::string get_file_part(const std::string& path);  // Text after the last "/" or "\", surrounding quotes removed
std::string folder_part(const std::string& path);    // Text up to and including the last "/" or "\"

// Directory scans, sorted by name without regard to letter case; patterns match without regard to case.
int examine_directory(int scan, const std::string& directory, const std::string& pattern = "*.*");
int next_directory_entry(int scan);          // Advances; non-zero while an entry is available
int directory_entry_type(int scan);          // 1 for a file, 2 for a directory
std::string directory_entry_name(int scan);  // The entry's name without its directory
void finish_directory(int scan);             // Ends the scan

}  // namespace svc
