// windows.cpp -- the operating-system layer on Windows: the wide API behind os.h
//
// Names reach the system as UTF-16. A name read from the suite's files is UTF-8 when its bytes are
// valid UTF-8 and Windows-1252 otherwise, the rule the editor applies to its text; names the system
// gives back (folder entries, the working folder) come out as UTF-8. `\` and `/` both separate.
// Paths too long for the classic limit go through the `\\?\` prefix.
#include "os.h"
#include "os_programs.h"
#include "os_test_hook.h"
#include "services/windows_arguments.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

// windows.h spells a file-creation constant as a macro; kept here as a constant, the macro goes.
constexpr DWORD kCreateNewDisposition = CREATE_NEW;
#undef CREATE_NEW

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace os {
namespace {

thread_local DWORD g_error = 0;       // The failure error_text() describes
int64_t g_write_budget = -1;          // fail_writes_after: bytes still allowed, or -1 for no limit

bool fail(DWORD code = GetLastError()) {
  g_error = code ? code : ERROR_GEN_FAILURE;
  return false;
}

HANDLE as_handle(Handle h) { return reinterpret_cast<HANDLE>(h); }
Handle as_number(HANDLE h) { return reinterpret_cast<Handle>(h); }

std::wstring decode(const std::string& bytes, UINT code_page, DWORD flags) {
  if (bytes.empty()) return std::wstring();
  int n = MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

bool is_absolute_drive_path(const std::wstring& p) {
  return p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/');
}

// What the programs print is UTF-8. A console window shows the bytes it gets in its output code page
// (the OEM one: 850, 437), which turns "forêt" into "for├¬t"; so while a program runs, a console it
// writes to reads UTF-8, and gets its own code page back when the program ends. Output redirected
// to a file or a pipe is UTF-8 bytes either way. The C library writes an unbuffered stream to the
// console a byte at a time, and the console cannot join the bytes of one character that arrive in
// separate writes: a console stream gets a buffer, flushed when the program ends (before the code page
// goes back) or when it flushes the stream itself (mapscan's progress bar).
struct Utf8Console {
  UINT before = 0;
  Utf8Console() {
    DWORD mode;
    const bool out = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
    const bool err = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
    if (!out && !err) return;
    before = GetConsoleOutputCP();
    if (before == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) before = 0;
    static char out_buffer[4096], err_buffer[4096];
    if (out) std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);
    if (err) std::setvbuf(stderr, err_buffer, _IOFBF, sizeof err_buffer);
  }
  ~Utf8Console() {
    std::fflush(stdout);
    std::fflush(stderr);
    if (before) SetConsoleOutputCP(before);
  }
};
Utf8Console utf8_console;

}  // namespace

// At start-up: the standard streams carry bytes unchanged, as on Linux (the C runtime's text mode
// would write "\n" as CR LF and stop reading at Ctrl+Z), so a tool's output is the same file on both
// systems. A window program started from a console, which Windows gives no streams, prints its
// --help and its messages there.
struct StartUp {
  StartUp() {
    if (!GetStdHandle(STD_OUTPUT_HANDLE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
      std::freopen("CONOUT$", "w", stdout);
      std::freopen("CONOUT$", "w", stderr);
    }
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
  }
} g_start_up;

// A name as the wide API wants it (see the file's first comment); exported for the tests.
std::wstring wide_path(const std::string& path) {
  std::wstring w = decode(path, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (w.empty() && !path.empty()) w = decode(path, 1252, 0);
  // Beyond MAX_PATH the classic calls refuse a name; the \\?\ form takes an absolute path with
  // backslashes only and no "." or ".." parts, which GetFullPathNameW makes.
  if (w.size() >= MAX_PATH - 12 && w.rfind(L"\\\\?\\", 0) != 0) {
    DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n > 0) {
      std::wstring full(n, L'\0');
      n = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
      full.resize(n);
      if (is_absolute_drive_path(full)) return L"\\\\?\\" + full;
      if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    }
  }
  return w;
}

// UTF-16 from the system as UTF-8.
std::string narrow(const wchar_t* text, size_t length) {
  if (length == 0) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

namespace {

std::string narrow(const std::wstring& w) { return os::narrow(w.data(), w.size()); }

// Other programs may read, write, rename or delete a file while the suite holds it open, as on Linux.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Kind kind_of(HANDLE h, const BY_HANDLE_FILE_INFORMATION& info) {
  DWORD type = GetFileType(h);
  if (type != FILE_TYPE_DISK && type != FILE_TYPE_UNKNOWN) return Kind::OTHER;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::FOLDER;
  return Kind::FILE;
}

bool info_of(HANDLE h, Info& info) {
  info = Info{};
  DWORD type = GetFileType(h);
  if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
    info.kind = Kind::OTHER;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION bh;
  if (!GetFileInformationByHandle(h, &bh)) return fail();
  info.kind = kind_of(h, bh);
  info.size = (static_cast<int64_t>(bh.nFileSizeHigh) << 32) | bh.nFileSizeLow;
  info.links = bh.nNumberOfLinks;
  info.permissions = 0;  // Windows keeps access rules in lists, not bits: nothing to carry over
  return true;
}

// Opens a name only to ask about it (no access to its content; folders too).
HANDLE open_for_info(const std::wstring& path, bool follow_links) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow_links ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
}

}  // namespace

Handle open_file(const std::string& path, Open how) {
  DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
  switch (how) {
    case Open::READ: break;
    case Open::WRITE_EXISTING: access = GENERIC_WRITE; break;
    case Open::CREATE: access = GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
    case Open::CREATE_ONLY: access = GENERIC_WRITE; disposition = kCreateNewDisposition; break;
    case Open::READ_WRITE: access = GENERIC_READ | GENERIC_WRITE; disposition = OPEN_ALWAYS; break;
  }
  std::wstring w = wide_path(path);
  if (w.empty()) {
    fail(ERROR_PATH_NOT_FOUND);
    return kNoHandle;
  }
  HANDLE h = CreateFileW(w.c_str(), access, kShareAll, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    fail();
    return kNoHandle;
  }
  // CREATE_ALWAYS on an existing file keeps it and cuts it: the same as O_TRUNC.
  return as_number(h);
}

int64_t read_some(Handle file, void* into, size_t size) {
  DWORD got = 0;
  DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!ReadFile(as_handle(file), into, want, &got, nullptr)) {
    DWORD e = GetLastError();
    if (e == ERROR_BROKEN_PIPE || e == ERROR_HANDLE_EOF) return 0;  // The writer left: the end
    fail(e);
    return -1;
  }
  return got;
}

bool write_all(Handle file, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (g_write_budget >= 0) {
      if (g_write_budget == 0) return fail(ERROR_DISK_FULL);
      if (chunk > g_write_budget) chunk = static_cast<DWORD>(g_write_budget);
    }
    DWORD put = 0;
    if (!WriteFile(as_handle(file), p, chunk, &put, nullptr)) return fail();
    if (put == 0) return fail(ERROR_DISK_FULL);
    if (g_write_budget >= 0) g_write_budget -= put;
    p += put;
    size -= put;
  }
  return true;
}

int64_t move_position(Handle file, int64_t delta) {
  LARGE_INTEGER d, now;
  d.QuadPart = delta;
  if (!SetFilePointerEx(as_handle(file), d, &now, FILE_CURRENT)) {
    fail();
    return -1;
  }
  return now.QuadPart;
}

bool set_size(Handle file, int64_t size) {
  FILE_END_OF_FILE_INFO eof;
  eof.EndOfFile.QuadPart = size;
  if (!SetFileInformationByHandle(as_handle(file), FileEndOfFileInfo, &eof, sizeof eof)) return fail();
  return true;
}

bool reserve_size(Handle file, int64_t size) {
  if (g_write_budget >= 0) {
    Info info;
    if (info_of(as_handle(file), info) && size > info.size && size - info.size > g_write_budget)
      return fail(ERROR_DISK_FULL);
  }
  FILE_ALLOCATION_INFO room;
  room.AllocationSize.QuadPart = size;
  if (!SetFileInformationByHandle(as_handle(file), FileAllocationInfo, &room, sizeof room)) return fail();
  return true;
}

bool sync_file(Handle file) { return FlushFileBuffers(as_handle(file)) ? true : fail(); }

bool close_file(Handle file) { return CloseHandle(as_handle(file)) ? true : fail(); }

bool file_info(Handle file, Info& info) { return info_of(as_handle(file), info); }

bool path_info(const std::string& path, Info& info, bool follow_links) {
  info = Info{};
  std::wstring w = wide_path(path);
  if (w.empty()) return fail(ERROR_PATH_NOT_FOUND);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(w.c_str(), GetFileExInfoStandard, &data)) {
    // A name that is not there is an answer (kind MISSING), as on Linux; a missing folder on the
    // way counts the same.
    const DWORD e = GetLastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return fail(e), true;
    // Devices (NUL, CON) have no attributes but open.
    HANDLE h = open_for_info(w, true);
    if (h == INVALID_HANDLE_VALUE) return fail();
    bool ok = info_of(h, info);
    CloseHandle(h);
    return ok;
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !follow_links) {
    info.kind = Kind::LINK;
    return true;
  }
  HANDLE h = open_for_info(w, true);
  if (h == INVALID_HANDLE_VALUE) {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return fail();  // A link that leads nowhere
    info.kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::FOLDER : Kind::FILE;
    info.size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
  }
  bool ok = info_of(h, info);
  CloseHandle(h);
  return ok;
}

std::string read_link(const std::string& path) {
  std::wstring w = wide_path(path);
  DWORD attributes = GetFileAttributesW(w.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return std::string();
  // Windows gives the link's final target, absolute, rather than the text stored in the link.
  HANDLE h = open_for_info(w, true);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  wchar_t buffer[32768];
  DWORD n = GetFinalPathNameByHandleW(h, buffer, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(h);
  if (n == 0 || n >= 32768) return std::string();
  std::wstring target(buffer, n);
  if (target.rfind(L"\\\\?\\UNC\\", 0) == 0)
    target = L"\\\\" + target.substr(8);
  else if (target.rfind(L"\\\\?\\", 0) == 0)
    target = target.substr(4);
  return narrow(target);
}

bool may_access(const std::string& path, bool write) {
  DWORD attributes = GetFileAttributesW(wide_path(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return fail();
  if (write && (attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return fail(ERROR_ACCESS_DENIED);
  return true;
}

bool is_terminal(int stream) {
  DWORD which = stream == 0 ? STD_INPUT_HANDLE : stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
  DWORD mode;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

bool list_folder(const std::string& folder, std::vector<Entry>& out) {
  std::string pattern = folder.empty() ? std::string(".") : folder;
  if (!pattern.empty() && pattern.back() != '/' && pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  std::wstring w = wide_path(pattern);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileExW(w.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    return e == ERROR_FILE_NOT_FOUND ? true : fail(e);  // An empty drive root has not even "."
  }
  std::string base = pattern.substr(0, pattern.size() - 1);
  do {
    const wchar_t* name = found.cFileName;
    if (std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0) continue;
    Entry entry{narrow(name, std::wcslen(name)), Kind::FILE};
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      Info info;
      if (!path_info(base + entry.name, info, true)) continue;  // A link that leads nowhere
      if (info.kind != Kind::FILE && info.kind != Kind::FOLDER) continue;
      entry.kind = info.kind;
    } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      entry.kind = Kind::FOLDER;
    }
    out.push_back(std::move(entry));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return true;
}

bool rename_path(const std::string& from, const std::string& to) {
  if (!MoveFileExW(wide_path(from).c_str(), wide_path(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return fail();
  return true;
}

bool remove_file(const std::string& path) { return DeleteFileW(wide_path(path).c_str()) ? true : fail(); }

// MoveFileExW with MOVEFILE_WRITE_THROUGH returns only once the rename is on the disk; Windows has
// no separate flush for a folder's names.
bool sync_folder(const std::string&) { return true; }

std::string current_folder() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return std::string();
  std::wstring w(n, L'\0');
  n = GetCurrentDirectoryW(n, w.data());
  w.resize(n);
  if (w.rfind(L"\\\\?\\", 0) == 0 && w.size() > 6 && w[5] == L':') w = w.substr(4);
  return narrow(w);
}

bool change_folder(const std::string& folder) {
  return SetCurrentDirectoryW(wide_path(folder).c_str()) ? true : fail();
}

std::string make_temp_folder(const std::string& name) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);  // Ends in "\"
  if (n == 0 || n > MAX_PATH) return fail(), std::string();
  const std::string base = narrow(temp, n) + name;
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  uint64_t seed = GetTickCount64() ^ (uint64_t{GetCurrentProcessId()} << 32);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string folder = base;
    for (int i = 0; i < 6; ++i) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      folder += kLetters[(seed >> 33) % 36];
    }
    if (CreateDirectoryW(wide_path(folder).c_str(), nullptr)) return folder + "\\";
    if (GetLastError() != ERROR_ALREADY_EXISTS) return fail(), std::string();
  }
  return fail(ERROR_ALREADY_EXISTS), std::string();
}

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool make_folder(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && is_separator(folder.back()) && folder[folder.size() - 2] != ':') folder.pop_back();
  Info info;
  if (!path_info(folder, info, true)) return false;
  if (info.kind == Kind::FOLDER) return true;  // There already, in this or other case
  if (info.kind != Kind::MISSING) return fail(ERROR_DIRECTORY);
  const size_t cut = folder.find_last_of("\\/");
  if (cut != std::string::npos && cut > 0 && folder[cut - 1] != ':' && !make_folder(folder.substr(0, cut))) return false;
  if (CreateDirectoryW(wide_path(folder).c_str(), nullptr)) return true;
  const DWORD error = GetLastError();
  return error == ERROR_ALREADY_EXISTS && path_info(folder, info, true) && info.kind == Kind::FOLDER ? true : fail(error);
}

bool remove_folder(const std::string& path) { return RemoveDirectoryW(wide_path(path).c_str()) ? true : fail(); }

bool remove_tree(const std::string& path) {
  const std::wstring w = wide_path(path);
  const DWORD attributes = GetFileAttributesW(w.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? true : fail(error);
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(w.c_str()) ? true : fail();
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {  // A link to a folder goes by itself, what it leads to stays
    const std::string inside = is_separator(path.back()) ? path : path + "\\";
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide_path(inside + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(narrow(name));
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    for (const std::string& name : names)
      if (!remove_tree(inside + name)) return false;
  }
  return RemoveDirectoryW(w.c_str()) ? true : fail();
}

std::string absolute_path(const std::string& path) {
  const std::wstring w = decode(path, CP_UTF8, 0);
  if (is_absolute_drive_path(w) || (w.size() >= 2 && is_separator(path[0]) && is_separator(path[1]))) return path;
  DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return fail(), std::string();
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return narrow(full);
}

Made create_empty_file(const std::string& path) {
  HANDLE h = CreateFileW(wide_path(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, kCreateNewDisposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    fail(e);
    return (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS) ? Made::EXISTS : Made::FAILED;
  }
  CloseHandle(h);
  return Made::MADE;
}

// Replacing a file: the new content goes to ".NAME.saving" beside the target, then ReplaceFileW puts
// it in the target's place keeping the target's access rules and attributes (Windows' counterpart of
// its owner and permissions); MoveFileExW with write-through does it where ReplaceFileW cannot (no
// target yet, or a file system without it).
bool begin_replace(const std::string& target, bool, Replacement& r) {
  r = Replacement{};
  size_t cut = target.find_last_of("/\\");
  std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
  std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
  // A read-only file is not the user's to replace (the rename would go through regardless).
  DWORD attributes = GetFileAttributesW(wide_path(target).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return fail(ERROR_ACCESS_DENIED);
  // A fresh file beside the target, named after it; never an existing file of the user.
  const std::string base = folder + "." + name + ".saving";
  HANDLE h = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
    r.temporary = attempt == 0 ? base : base + std::to_string(attempt);
    h = CreateFileW(wide_path(r.temporary).c_str(), GENERIC_WRITE, kShareAll, nullptr, kCreateNewDisposition,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
      break;  // Not a name clash: the folder takes no new file
  }
  if (h == INVALID_HANDLE_VALUE) {
    fail();
    r = Replacement{};
    return false;
  }
  r.file = as_number(h);
  r.target = target;
  // A file there in other case keeps its own spelling, as a write onto it does.
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    const std::string spelled = spelled_path(target);
    if (!spelled.empty()) r.target = spelled;
  }
  return true;
}

void abandon_replace(Replacement& r) {
  if (r.file != kNoHandle) CloseHandle(as_handle(r.file));
  r.file = kNoHandle;
  if (!r.temporary.empty()) DeleteFileW(wide_path(r.temporary).c_str());
  r.temporary.clear();
}

Replaced finish_replace(Replacement& r) {
  if (r.file == kNoHandle) return Replaced::FAILED;
  if (!FlushFileBuffers(as_handle(r.file))) {
    fail();
    abandon_replace(r);
    return Replaced::FAILED;
  }
  if (!CloseHandle(as_handle(r.file))) {
    fail();
    r.file = kNoHandle;
    abandon_replace(r);
    return Replaced::FAILED;
  }
  r.file = kNoHandle;
  std::wstring from = wide_path(r.temporary), to = wide_path(r.target);
  bool done = false;
  if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES)
    done = ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
  if (!done) done = MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!done) {
    fail();
    abandon_replace(r);
    return Replaced::NOT_POSSIBLE;
  }
  r.temporary.clear();
  return Replaced::DONE;
}

Replaced replace_file(const std::string& target, const std::vector<std::string_view>& pieces, bool keep_owner) {
  Replacement r;
  if (!begin_replace(target, keep_owner, r)) return Replaced::NOT_POSSIBLE;
  for (std::string_view piece : pieces) {
    if (!write_all(r.file, piece.data(), piece.size())) {
      DWORD e = g_error;
      abandon_replace(r);
      g_error = e;
      return Replaced::FAILED;
    }
  }
  return finish_replace(r);
}

void fail_writes_after(int64_t bytes) { g_write_budget = bytes; }

// Watching folders: ReadDirectoryChangesW kept pending on each folder, its results taken without
// waiting. A full buffer (too many changes at once) comes back empty and is reported as "anything".
namespace {

struct Watch {
  int number = 0;
  int uses = 0;
  std::wstring folder;
  HANDLE handle = INVALID_HANDLE_VALUE;
  OVERLAPPED overlapped{};
  alignas(DWORD) unsigned char buffer[64 * 1024];
};
std::vector<Watch*> g_watches;
int g_next_watch = 1;

bool arm(Watch& w) {
  ResetEvent(w.overlapped.hEvent);
  const DWORD what = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
                     FILE_NOTIFY_CHANGE_LAST_WRITE;
  return ReadDirectoryChangesW(w.handle, w.buffer, sizeof w.buffer, FALSE, what, nullptr, &w.overlapped, nullptr);
}

void add_change(std::vector<Change>& out, size_t first, int watch, std::string name, bool gone) {
  for (size_t i = first; i < out.size(); i++) {
    if (out[i].watch == watch && out[i].name == name) {
      out[i].gone = gone;
      return;
    }
  }
  out.push_back(Change{watch, std::move(name), gone});
}

}  // namespace

int watch_folder(const std::string& folder) {
  std::wstring w = wide_path(folder);
  wchar_t full[32768];
  DWORD n = GetFullPathNameW(w.c_str(), 32768, full, nullptr);
  if (n > 0 && n < 32768) w.assign(full, n);
  while (w.size() > 3 && (w.back() == L'\\' || w.back() == L'/')) w.pop_back();
  for (Watch* existing : g_watches) {
    if (_wcsicmp(existing->folder.c_str(), w.c_str()) == 0) {
      existing->uses++;
      return existing->number;
    }
  }
  HANDLE h = CreateFileW(w.c_str(), FILE_LIST_DIRECTORY, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail(), 0;
  Watch* watch = new Watch;
  watch->number = g_next_watch++;
  watch->uses = 1;
  watch->folder = w;
  watch->handle = h;
  watch->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!watch->overlapped.hEvent || !arm(*watch)) {
    fail();
    if (watch->overlapped.hEvent) CloseHandle(watch->overlapped.hEvent);
    CloseHandle(h);
    delete watch;
    return 0;
  }
  g_watches.push_back(watch);
  return watch->number;
}

void unwatch_folder(int number) {
  for (size_t i = 0; i < g_watches.size(); i++) {
    Watch* w = g_watches[i];
    if (w->number != number) continue;
    if (--w->uses > 0) return;
    CancelIoEx(w->handle, &w->overlapped);
    DWORD ignored;
    GetOverlappedResult(w->handle, &w->overlapped, &ignored, TRUE);
    CloseHandle(w->overlapped.hEvent);
    CloseHandle(w->handle);
    delete w;
    g_watches.erase(g_watches.begin() + static_cast<std::ptrdiff_t>(i));
    return;
  }
}

void collect_changes(std::vector<Change>& out) {
  const size_t first = out.size();
  for (Watch* w : g_watches) {
    for (;;) {
      DWORD bytes = 0;
      if (!GetOverlappedResult(w->handle, &w->overlapped, &bytes, FALSE)) {
        DWORD e = GetLastError();
        if (e == ERROR_IO_INCOMPLETE) break;  // Nothing new
        // The folder itself is gone (or the watch broke): anything may have changed.
        add_change(out, first, w->number, std::string(), true);
        break;
      }
      if (bytes == 0) {
        add_change(out, first, w->number, std::string(), false);
      } else {
        const unsigned char* at = w->buffer;
        for (;;) {
          const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
          bool gone = record->Action == FILE_ACTION_REMOVED || record->Action == FILE_ACTION_RENAMED_OLD_NAME;
          add_change(out, first, w->number, narrow(record->FileName, record->FileNameLength / sizeof(wchar_t)),
                     gone);
          if (record->NextEntryOffset == 0) break;
          at += record->NextEntryOffset;
        }
      }
      if (!arm(*w)) {
        add_change(out, first, w->number, std::string(), true);
        break;
      }
    }
  }
}

// Clocks and memory.
int64_t local_seconds() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  FILETIME as_file_time;
  SystemTimeToFileTime(&local, &as_file_time);
  ULARGE_INTEGER t;
  t.LowPart = as_file_time.dwLowDateTime;
  t.HighPart = as_file_time.dwHighDateTime;
  return static_cast<int64_t>(t.QuadPart / 10000000ULL) - 11644473600LL;  // From 1601 to 1970
}

uint64_t monotonic_microseconds() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return uint64_t(count.QuadPart / frequency.QuadPart) * 1000000u +
         uint64_t(count.QuadPart % frequency.QuadPart) * 1000000u / uint64_t(frequency.QuadPart);
}

// From the performance counter too: GetTickCount64 moves in scheduler ticks (about 16 ms), and
// under Wine it can lag further behind, so a deadline or an elapsed time read from it came out
// short of the microsecond clock's.
uint64_t monotonic_milliseconds() { return monotonic_microseconds() / 1000u; }

void sleep_milliseconds(int milliseconds) { Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0); }

int64_t available_memory() {
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return -1;
  return static_cast<int64_t>(status.ullAvailPhys);
}

// Large pages need a privilege ordinary users lack: blocks are ordinary committed pages.
void* allocate_block(size_t bytes, bool) {
  return VirtualAlloc(nullptr, bytes ? bytes : 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void free_block(void* block) {
  if (block) VirtualFree(block, 0, MEM_RELEASE);
}

// Signals and faults.
namespace {

FaultHandler g_fault_handler = nullptr;
volatile LONG g_in_fault = 0;

LONG WINAPI on_fault(EXCEPTION_POINTERS* e) {
  if (InterlockedExchange(&g_in_fault, 1)) _exit(0);
  Fault fault = Fault::OTHER;
  switch (e->ExceptionRecord->ExceptionCode) {
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_STACK_CHECK: fault = Fault::DIVISION; break;
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT: fault = Fault::MEMORY; break;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION: fault = Fault::INSTRUCTION; break;
    default: break;
  }
  if (g_fault_handler) g_fault_handler(fault);
  _exit(0);
}

// The console's Ctrl+C, Ctrl+Break, closing of the console window, log-off and shutdown: Windows'
// counterparts of SIGINT and SIGTERM.
int g_quit_endings = 0;  // end_on_quit_signals counts as one for good
bool g_quit_handler_installed = false;

BOOL WINAPI on_console_event(DWORD) {
  if (g_quit_endings > 0) _exit(0);
  return FALSE;  // The next handler (the system's: end with the event's status)
}

void install_quit_handler() {
  if (g_quit_handler_installed) return;
  SetConsoleCtrlHandler(on_console_event, TRUE);
  g_quit_handler_installed = true;
}

}  // namespace

void catch_faults(FaultHandler handler) {
  g_fault_handler = handler;
  if (!handler) {
    SetUnhandledExceptionFilter(nullptr);
    return;
  }
  // Room for the handler after a stack overflow, and no system box asking a person what to do.
  ULONG guarantee = 64 * 1024;
  SetThreadStackGuarantee(&guarantee);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(on_fault);
}

void end_on_quit_signals() {
  install_quit_handler();
  static bool counted = false;
  if (!counted) g_quit_endings++;
  counted = true;
}

void push_quit_ending() {
  install_quit_handler();
  g_quit_endings++;
}

void pop_quit_ending() {
  if (g_quit_endings > 0) g_quit_endings--;
}

void no_size_limit_signal() {}  // Windows has no file size limit signal

namespace {

double seconds_of(const FILETIME& t) {
  return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;  // 100 ns units
}

const char* g_limit_message = "";
DWORD g_limit_milliseconds = 0;

DWORD WINAPI end_at_time_limit(LPVOID) {
  Sleep(g_limit_milliseconds);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), g_limit_message, DWORD(std::strlen(g_limit_message)), &written, nullptr);
  ExitProcess(1);
}

}  // namespace

// The processor time counted is the program's own: Windows does not add its children's.
int run_program(const std::vector<std::string>& arguments, double* cpu_seconds) {
  if (cpu_seconds) *cpu_seconds = -1;
  if (arguments.empty()) return -1;
  std::wstring line = decode(svc::windows_command_line(arguments), CP_UTF8, 0);
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE null =
      CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  if (null == INVALID_HANDLE_VALUE) return fail(), -1;
  STARTUPINFOW start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  start.hStdOutput = null;
  start.hStdError = null;
  PROCESS_INFORMATION child = {};
  const BOOL started =
      CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child);
  if (!started) fail();
  CloseHandle(null);
  if (!started) return -1;
  CloseHandle(child.hThread);
  DWORD code = 0;
  const bool waited =
      WaitForSingleObject(child.hProcess, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(child.hProcess, &code);
  FILETIME created, ended, kernel, user;
  if (waited && cpu_seconds && GetProcessTimes(child.hProcess, &created, &ended, &kernel, &user))
    *cpu_seconds = seconds_of(kernel) + seconds_of(user);
  CloseHandle(child.hProcess);
  return waited ? int(code) : -1;
}

double thread_processor_seconds() {
  FILETIME created, ended, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return fail(), -1;
  return seconds_of(kernel) + seconds_of(user);
}

void end_after(int seconds, const char* message) {
  g_limit_message = message;
  g_limit_milliseconds = seconds > 0 ? DWORD(seconds) * 1000u : 1000u;
  HANDLE thread = CreateThread(nullptr, 0, end_at_time_limit, nullptr, 0, nullptr);
  if (thread) CloseHandle(thread);
}

std::string environment_variable(const std::string& name) {
  const std::wstring w = decode(name, CP_UTF8, 0);
  DWORD n = GetEnvironmentVariableW(w.c_str(), nullptr, 0);
  if (n == 0) return std::string();
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(w.c_str(), value.data(), n);
  value.resize(n);
  return narrow(value);
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> out;
  // The same split as the C runtime's, so the counts agree; when they do not (a program started with
  // an argv of its own making), argv is taken as it is.
  if (wide && count == argc) {
    for (int i = 0; i < count; i++) out.push_back(narrow(wide[i], std::wcslen(wide[i])));
  } else {
    out.assign(argv, argv + argc);
  }
  if (wide) LocalFree(wide);
  return out;
}

std::string program_name() {
  static wchar_t buffer[32768];
  DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
  std::wstring path(buffer, n < 32768 ? n : 0);
  size_t cut = path.find_last_of(L"\\/");
  if (cut != std::wstring::npos) path = path.substr(cut + 1);
  if (path.size() > 4 && _wcsicmp(path.c_str() + path.size() - 4, L".exe") == 0) path.resize(path.size() - 4);
  return narrow(path);
}

std::string program_folder() {
  static wchar_t buffer[32768];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
  if (n == 0 || n >= 32768) return "";
  std::wstring path(buffer, n);
  return narrow(path.substr(0, path.find_last_of(L"\\/") + 1));
}


std::string error_text() {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, g_error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                           reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out;
  if (n > 0 && text) {
    while (n > 0 && (text[n - 1] == L'\n' || text[n - 1] == L'\r' || text[n - 1] == L' ' || text[n - 1] == L'.')) n--;
    out = narrow(text, n);
  }
  if (text) LocalFree(text);
  if (out.empty()) out = "error " + std::to_string(g_error);
  return out;
}

// Each part as its folder spells it: a search for the path up to that part gives the entry's own name.
std::string spelled_path(const std::string& path) {
  std::string out;
  for (size_t at = 0; at <= path.size();) {
    size_t sep = path.find_first_of("\\/", at);
    if (sep == std::string::npos) sep = path.size();
    const std::string part = path.substr(at, sep - at);
    if (part.find_first_of("*?") != std::string::npos) return std::string();
    if (part.empty() || part == "." || part == ".." || part.find(':') != std::string::npos) {
      out += part;  // A drive, a root or a step: nothing to find
    } else {
      WIN32_FIND_DATAW found;
      HANDLE search = FindFirstFileW(wide_path(path.substr(0, sep)).c_str(), &found);
      if (search == INVALID_HANDLE_VALUE) return std::string();
      FindClose(search);
      out += narrow(found.cFileName, std::wcslen(found.cFileName));
    }
    if (sep < path.size()) out += path[sep];
    at = sep + 1;
  }
  return out;
}

}  // namespace os
