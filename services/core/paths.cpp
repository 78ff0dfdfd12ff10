// paths.cpp -- path spelling for the operating system, the working directory, file and folder parts
#include "services/paths.h"

#include "os.h"

namespace svc {
namespace {

// The path without one pair of surrounding double quotes (a requester may hand back "C:\a b\c").
std::string unquoted(const std::string& path) {
  size_t begin = 0, end = path.size();
  if (begin < end && path[begin] == '"') begin++;
  if (end > begin && path[end - 1] == '"') end--;
  return path.substr(begin, end - begin);
}

size_t last_separator(const std::string& path) { return path.find_last_of("/\\"); }

// The working directory as last read. The programs never change it (a file requester changes it
// for the dialog and puts it back), so paths are spelled against this copy instead of asking the
// system once per path: a world load opens a definition file per colour code. Reading it again
// through current_directory() refreshes the copy.
std::string& known_directory() {
  static std::string here;
  return here;
}

}  // namespace

void system_path_into(std::string& spelled, const std::string& path) {
  spelled.assign(path);
  if (path.find('\\') == std::string::npos) return;
  // The folder the program runs in is the system's own spelling: a backslash in its name is part of a
  // name, not a separator. Only what the program appended to it is translated. Only an absolute path
  // can start with that folder.
  if (!path.empty() && path[0] == '/' && known_directory().empty()) current_directory();
  const std::string& here = known_directory();
  size_t from = spelled.compare(0, here.size(), here) == 0 ? here.size() : 0;
  for (size_t i = from; i < spelled.size(); i++)
    if (spelled[i] == '\\') spelled[i] = '/';
}

std::string system_path(const std::string& path) {
  std::string spelled;
  system_path_into(spelled, path);
  return spelled;
}

std::string current_directory() {
  std::string dir = os::current_folder();
  if (dir.empty()) return "./";
  if (dir.back() != '/') dir += '/';
  known_directory() = dir;
  return dir;
}

bool windows_system() {
#ifdef _WIN32
  return true;
#else
  return false;
#endif
}

std::string shown_path(const std::string& path) {
  if (!windows_system()) return path;
  std::string shown = path;
  for (char& c : shown)
    if (c == '/') c = '\\';
  return shown;
}

std::string program_folder() { return os::program_folder(); }

std::string get_file_part(const std::string& path) {
  std::string p = unquoted(path);
  size_t sep = last_separator(p);
  return sep == std::string::npos ? p : p.substr(sep + 1);
}

std::string folder_part(const std::string& path) {
  std::string p = unquoted(path);
  size_t sep = last_separator(p);
  return sep == std::string::npos ? std::string() : p.substr(0, sep + 1);
}

}  // namespace svc
