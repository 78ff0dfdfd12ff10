// files.h -- numbered files: opened by path, read line by line, written through a buffer
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

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
// A file that replaces `path` whole: written to a new hidden file beside it, which close_file renames
// over `path` once every byte is on the disk. A failed write (a full disk), discard_file or a program
// that ends first leave `path` as it was and no new file behind. 0 when the folder takes no new file.
int create_replacement(int file, const std::string& path);
int discard_file(int file);  // Closes without keeping anything written: a replacement's target stays as it was
int is_file(int file);                       // Non-zero while the number is an open file
void close_all_files();                      // Flushes and closes every open file (at program end)
int64_t file_size(const std::string& path);  // Size in bytes; -1 when missing, -2 for a directory
int rename_file(const std::string& from, const std::string& to);  // Replaces `to` atomically; non-zero on success
int delete_file(const std::string& path);                         // Removes a file; non-zero on success
int directory_writable(const std::string& folder);  // Non-zero when new files can be created in the folder

}  // namespace svc
