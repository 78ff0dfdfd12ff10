// requesters.cpp -- headless file and folder requesters: recorded, answered from the script
#include "services/requesters.h"

#include "state.h"

namespace svc {

using headless::detail::state;

namespace {

// The next scripted requester answer, "" (cancelled) when none is queued.
std::string next_result() {
  if (state.requester_results.empty()) return "";
  std::string result = state.requester_results.front();
  state.requester_results.pop_front();
  return result;
}

std::string file_requester(const char* kind, const std::string& title, const std::string& default_file,
                           const std::string& pattern, int pattern_index) {
  std::string result = next_result();
  state.requesters.push_back({kind, title, default_file, pattern, pattern_index, result});
  return result;
}

}  // namespace

std::string open_file_requester(const std::string& title, const std::string& default_file, const std::string& pattern,
                                int pattern_index) {
  return file_requester("open", title, default_file, pattern, pattern_index);
}

std::string save_file_requester(const std::string& title, const std::string& default_file, const std::string& pattern,
                                int pattern_index) {
  return file_requester("save", title, default_file, pattern, pattern_index);
}

// A chosen folder always ends in a separator.
std::string path_requester(const std::string& title, const std::string& initial_folder) {
  std::string result = next_result();
  if (!result.empty() && result.back() != '/' && result.back() != '\\') result += '/';
  state.requesters.push_back({"path", title, initial_folder, "", 0, result});
  return result;
}

}  // namespace svc
