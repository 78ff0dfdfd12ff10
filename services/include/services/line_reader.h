// line_reader.h -- the one reader of text files: lines in 64 KiB blocks, and line pairs
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace svc {

// The first CR, LF or NUL in [p, end), or end when there is none. Sixteen bytes are tested at once
// where the processor has SSE2 (every x86-64 one), so a long line costs about what memchr would;
// the last few bytes of a block, and other processors, go byte by byte.
inline const char* find_line_end(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), nul = _mm_setzero_si128();
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i ends = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)),
                                      _mm_cmpeq_epi8(bytes, nul));
    if (const int mask = _mm_movemask_epi8(ends)) return p + __builtin_ctz(static_cast<unsigned>(mask));
  }
#endif
  while (p < end && *p != '\r' && *p != '\n' && *p != '\0') ++p;
  return p;
}

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
  const char* p = find_line_end(start, end);
  // No end in the block, or a CR in its last byte, which may be the first half of a CR LF whose LF
  // comes with the next block.
  if (p == end || (*p == '\r' && p + 1 == end)) return read_line_view_across(reader);
  reader.pos += static_cast<size_t>(p - start) + 1;
  if (*p == '\r' && p[1] == '\n') reader.pos++;
  return std::string_view(start, static_cast<size_t>(p - start));
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

}  // namespace svc
