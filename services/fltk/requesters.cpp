// requesters.cpp -- file and folder choosers through Fl_Native_File_Chooser (GTK when present)
#include "services/requesters.h"

#include <FL/Fl.H>
#include <FL/Fl_Native_File_Chooser.H>

#include <vector>

#include "os.h"
#include "state.h"
#include "services/files.h"
#include "services/paths.h"
#include "services/text.h"

namespace svc {
namespace fltk {

std::string chooser_pattern(const std::string& filter) {
  // On the system the data comes from, *.* is every file, also those without a dot.
  if (filter == "*.*" || filter.empty()) return "*";
  return filter;
}

void use_toolkit_chooser(bool on) { Fl::option(Fl::OPTION_FNFC_USES_GTK, !on); }

std::string chooser_filter(const std::string& pattern) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t bar = pattern.find('|', start);
    parts.push_back(pattern.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  if (parts.size() == 1) {  // A bare filter such as "*.qz61"
    return parts[0].empty() ? "" : chooser_pattern(parts[0]);
  }
  std::string out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {  // A description without its filter is dropped
    if (parts[i + 1].empty()) continue;
    if (!out.empty()) out += '\n';
    const std::string& name = parts[i].empty() ? parts[i + 1] : parts[i];
    out += to_display_text(name) + "\t" + chooser_pattern(parts[i + 1]);
  }
  return out;
}

}  // namespace fltk

namespace {

// The path as an absolute one in the system's spelling, so every chooser understands it.
std::string absolute_path(const std::string& path) {
  std::string p = system_path(path);
  if (!p.empty() && p[0] != '/') p = current_directory() + p;
  return p;
}

// Restores the working directory whatever the dialog did to it.
struct KeepDirectory {
  std::string saved = os::current_folder();
  ~KeepDirectory() {
    if (!saved.empty()) os::change_folder(saved);
  }
};

std::string run_chooser(int type, const std::string& title, const std::string& start, const std::string& pattern,
                        int pattern_index) {
  KeepDirectory keep;
  Fl_Native_File_Chooser chooser(type);
  const std::string caption = to_display_text(title);
  chooser.title(caption.c_str());
  chooser.options(0);  // No overwrite question: the programs decide about overwriting

  const std::string filter = fltk::chooser_filter(pattern);
  if (!filter.empty()) {
    chooser.filter(filter.c_str());
    if (pattern_index > 0 && pattern_index < chooser.filters()) chooser.filter_value(pattern_index);
  }

  // Without a default the chooser starts in the working directory, as the system's own ones do.
  {
    const std::string path = start.empty() ? current_directory() : absolute_path(start);
    const int64_t size = file_size(path);
    if (type == Fl_Native_File_Chooser::BROWSE_DIRECTORY || size == -2) {
      chooser.directory(path.c_str());
    } else {
      const std::string folder = folder_part(path);
      const std::string file = get_file_part(path);
      if (!folder.empty()) {
        chooser.directory(folder.c_str());
        // FLTK's own chooser reads a preset name against the working directory; KeepDirectory
        // puts the working directory back after the dialog. A missing folder leaves it where it is.
        os::change_folder(folder);
      }
      if (!file.empty()) chooser.preset_file(file.c_str());
    }
  }

  const int shown = chooser.show();  // 0 picked, 1 cancelled, -1 failed
  std::string result;
  if (shown == 0 && chooser.filename() && chooser.filename()[0]) result = chooser.filename();
  Fl::check();
  return result;
}

}  // namespace

std::string open_file_requester(const std::string& title, const std::string& default_file, const std::string& pattern,
                                int pattern_index) {
  return run_chooser(Fl_Native_File_Chooser::BROWSE_FILE, title, default_file, pattern, pattern_index);
}

std::string save_file_requester(const std::string& title, const std::string& default_file, const std::string& pattern,
                                int pattern_index) {
  return run_chooser(Fl_Native_File_Chooser::BROWSE_SAVE_FILE, title, default_file, pattern, pattern_index);
}

std::string path_requester(const std::string& title, const std::string& initial_folder) {
  std::string folder = run_chooser(Fl_Native_File_Chooser::BROWSE_DIRECTORY, title, initial_folder, "", 0);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace svc
