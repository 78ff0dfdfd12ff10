// os.h -- the one interface to the operating system: files, folders, links and owners, clocks, signals, watching
//
// Everything the suite asks of the system goes through here: posix.cpp implements it for Linux and
// windows.cpp for Windows, each with the same header (names.cpp and posix_names.cpp add the names
// found as Windows finds them). Paths are UTF-8 byte strings in the system's own spelling
// (svc::system_path makes them). Calls that fail return false, -1 or kNoHandle and leave the reason
// for error_text(); none of them throws. Two headers beside this one hold what only tests and
// benchmarks call: os_test_hook.h (a full disk on demand) and os_programs.h (child programs, time limits).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace os {

// Open files. A handle is a number the system gave; kNoHandle is none.
using Handle = std::intptr_t;
constexpr Handle kNoHandle = -1;

enum class Open {
  READ,            // An existing file, for reading; never waits (a pipe without a writer opens at once)
  WRITE_EXISTING,  // An existing file, for writing from its first byte, nothing cut
  CREATE,          // For writing, created when missing, cut to empty when present
  CREATE_ONLY,     // For writing, created only when no file of that name exists
  READ_WRITE,      // For reading and writing, created when missing, nothing cut
};
Handle open_file(const std::string& path, Open how);         // kNoHandle when refused
int64_t read_some(Handle file, void* into, size_t size);     // Bytes read (0 at the end); -1 on failure
bool write_all(Handle file, const void* data, size_t size);  // Every byte written, or false
int64_t move_position(Handle file, int64_t delta);           // Moves relative to here; the new position or -1
bool set_size(Handle file, int64_t size);                    // Cuts or extends the file to `size` bytes
bool reserve_size(Handle file, int64_t size);                // Takes disk room for `size` bytes before they are written
bool sync_file(Handle file);                                 // The file's bytes are on the disk when this returns true
bool close_file(Handle file);                                // Closes; false when the system reports a failed write

// What a name or an open file is.
enum class Kind { MISSING, FILE, FOLDER, LINK, OTHER };  // OTHER: a device, a pipe, a socket
struct Info {
  Kind kind = Kind::MISSING;
  int64_t size = 0;    // Bytes, for a file
  int64_t links = 1;   // Names the file has (hard links)
  uint32_t owner = 0;  // The owning user and group as the system numbers them; 0 where it has none
  uint32_t group = 0;
  uint32_t permissions = 0;  // Access bits in the usual octal form (0644); 0 where the system has none
};
bool file_info(Handle file, Info& info);  // About an open file
// About a name: true with kind MISSING when no such name exists; false when the system cannot look
// (no access to a folder on the way, a file used as a folder, a link loop).
bool path_info(const std::string& path, Info& info, bool follow_links);
std::string read_link(const std::string& path);  // Where a symbolic link points, as written in it; "" when not a link
bool may_access(const std::string& path, bool write);  // The user may read (or write) it; for a folder, also enter it
bool is_terminal(int stream);                          // Stream 0, 1 or 2 is a terminal

// Names and folders.
struct Entry {
  std::string name;
  Kind kind;  // FILE or FOLDER: a link counts as what it leads to
};
// Appends the folder's entries but "." and "..", unsorted; links that lead nowhere are left out.
bool list_folder(const std::string& folder, std::vector<Entry>& out);
bool rename_path(const std::string& from, const std::string& to);  // Replaces `to` in one step
bool remove_file(const std::string& path);                         // Removes a name of a file
bool sync_folder(const std::string& folder);  // The folder's names (a rename into it) are on the disk
std::string current_folder();                 // The working folder as the system spells it; "" when unknown
bool change_folder(const std::string& folder);
// A new empty folder in the system's temporary folder, named `name` and six random characters; its
// path ending in the separator, or "" when none can be made.
std::string make_temp_folder(const std::string& name);
// A folder and the folders on its way that are missing; true when it is a folder afterwards (made now
// or there already), false when some part is a file or cannot be made.
bool make_folder(const std::string& path);
bool remove_folder(const std::string& path);  // Removes a folder that is empty
// Removes a file, or a folder and everything in it; links are removed, never followed. True when
// nothing of that name is left (nothing was there counts); false at the first name that stays.
bool remove_tree(const std::string& path);
// The path with the working folder before it when it is relative, as the system completes it (on
// Windows also with its "." and ".." parts resolved and "\" separators); "" when unknown.
std::string absolute_path(const std::string& path);

// Names found as Windows finds them, on every system. Where the exact name is not there, each part of
// the path is matched against its folder's entries without regard to letter case (folded_name): an
// entry of the exact spelling wins, else the first in byte order, always the same one. A folder's
// entries are read once, on the first miss, and read again when the folder has changed; a name that
// matches exactly costs nothing more. Every call here takes names so: opening, reading, listing and
// testing find the entry of other case; a file written into a folder of other case goes into that
// folder, a file that exists in other case is the one replaced, and "create only if absent" (CREATE_ONLY,
// create_empty_file) treats a file of other case as present.
std::string folded_name(const std::string& name);     // The name with letter case folded, as UTF-8
bool may_differ_in_case(const std::string& name);     // The name has a letter (or a byte above ASCII) at all
// The path as the folders spell it, each part found as above; "" when some part matches nothing.
std::string spelled_path(const std::string& path);

// Making files.
enum class Made { MADE, EXISTS, FAILED };
Made create_empty_file(const std::string& path);  // An empty file, made only where no name of that path exists

// Replacing a file's whole content: the new bytes go to a new file beside the target, are synced,
// and the new file is renamed over the target, so a failure at any point leaves the old file whole
// and no partial file behind. The route needs a folder that takes new files and a rename it allows.
struct Replacement {
  Handle file = kNoHandle;  // Write the new content here (write_all)
  std::string temporary;    // The new file's name until it is renamed
  std::string target;
};
enum class Replaced {
  DONE,          // The target holds the new content
  FAILED,        // A write or sync failed (disk full, size limit): the old file is unchanged
  NOT_POSSIBLE,  // The route is closed (no new file in the folder, the rename or the owner refused); nothing changed
};
// Starts a replacement of `target` (a missing target is made). With keep_owner an existing target's
// owner, group and permissions go to the new file, and the route is closed where they cannot.
bool begin_replace(const std::string& target, bool keep_owner, Replacement& r);  // False: NOT_POSSIBLE, nothing made
Replaced finish_replace(Replacement& r);  // Syncs, closes and renames over the target, then syncs the folder
void abandon_replace(Replacement& r);     // Closes and removes the new file; the target stays as it was
Replaced replace_file(const std::string& target, const std::vector<std::string_view>& pieces, bool keep_owner);

// Watching folders for changes, without waiting. A change names an entry of a watched folder that
// was made, written, deleted or renamed from or to that name (a save that renames a new file over
// the old one shows as a change of the old name). An empty name means "anything may have changed":
// too many changes came at once, or (gone set) the folder itself is gone.
struct Change {
  int watch;         // The number watch_folder gave
  std::string name;  // The entry's name in the folder
  bool gone;         // The name no longer exists (deleted or renamed away)
};
int watch_folder(const std::string& folder);     // A watch number (above 0), or 0; the same folder twice gives the same
void unwatch_folder(int watch);                  // Ends one watch_folder of that number
void collect_changes(std::vector<Change>& out);  // Appends the changes since the last call, one per name, in order

// Clocks and memory.
int64_t local_seconds();            // Seconds since 1970-01-01 00:00 local time (the time zone's offset added)
uint64_t monotonic_milliseconds();  // A clock that never steps back, from an arbitrary start
uint64_t monotonic_microseconds();  // A clock that never steps back, in microseconds from an arbitrary start
void sleep_milliseconds(int milliseconds);
int64_t available_memory();  // Bytes the system could still give without swapping; -1 when unknown
// Memory of `bytes` (with large_pages: aligned to 2 MiB and advised into large pages; on Windows
// ordinary pages, as large ones need a privilege); null when none.
void* allocate_block(size_t bytes, bool large_pages);
void free_block(void* block);  // Frees what allocate_block gave

// Signals and faults.
enum class Fault { DIVISION, MEMORY, INSTRUCTION, OTHER };
using FaultHandler = void (*)(Fault fault);
// On a fault the handler runs on a stack of its own (a stack overflow reaches it too), then the process
// ends with exit code 0; a fault inside the handler ends it at once. Null gives the system's default back.
void catch_faults(FaultHandler handler);
// A quit request (SIGTERM, SIGINT) ends the process with exit code 0, and with it the children of its
// main thread (a modal box may run in one, and would otherwise stay on screen).
void end_on_quit_signals();   // From now on
void push_quit_ending();      // Until the matching pop, a quit request ends the process with 0
void pop_quit_ending();       // The handling from before the push comes back
void no_size_limit_signal();  // A write past the file size limit fails instead of ending the process
std::string error_text();     // Why the last failed call failed, in the system's words
std::string program_name();   // The running program's name, without folder or ".exe", for messages
std::string program_folder(); // The folder of the running program's file, ending in its separator; "" when unknown
// The value of an environment variable, as UTF-8; "" when it is not set.
std::string environment_variable(const std::string& name);
// The program's command line, its name first, as UTF-8. main()'s argv is that already on Linux; on
// Windows it is in the ANSI code page, which turns characters outside it into "?", so the system's
// wide command line is read instead.
std::vector<std::string> utf8_arguments(int argc, char** argv);

}  // namespace os
