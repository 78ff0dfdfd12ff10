// command_line.cpp -- the command-line conventions every program of the suite follows
#include "services/command_line.h"

#include <algorithm>
#include <cstdio>

#include "os.h"
#include "services/paths.h"

#ifndef SUITE_VERSION
#error "SUITE_VERSION is set by the build from the project's version"
#endif

namespace svc {

const char* suite_version() { return SUITE_VERSION; }

void print_version(const std::string& program) {
  std::printf("%s (Orvanel world suite) %s\n", program.c_str(), suite_version());
}

int usage_error(const std::string& program, const std::string& problem, const std::string& usage) {
  if (!problem.empty()) std::fprintf(stderr, "%s: %s\n", program.c_str(), problem.c_str());
  // The synopsis: the usage up to its first blank line.
  const size_t blank = usage.find("\n\n");
  std::fputs(usage.substr(0, blank == std::string::npos ? std::string::npos : blank + 1).c_str(), stderr);
  std::fprintf(stderr, "Try '%s --help' for more information.\n", program.c_str());
  return EXIT_USAGE;
}

std::string split_arguments(int argc, char** argv_in, const std::vector<std::string>& with_value,
                            const std::vector<std::string>& flags, std::vector<Argument>& out) {
  auto named = [](const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  out.clear();
  const std::vector<std::string> argv = os::utf8_arguments(argc, argv_in);
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    // "/?" asks for help, as it does of every Windows program.
    if (!options_end && arg == "/?") arg = "--help";
    if (options_end || arg.size() < 2 || arg[0] != '-') {
      out.push_back({"", arg});
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    std::string value;
    bool has_value = false;
    const size_t equals = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg.resize(equals);
      has_value = true;
    }
    if (named(with_value, arg)) {
      if (!has_value) {
        if (i + 1 >= argc) return arg + " needs a value";
        value = argv[++i];
      }
    } else if (!named(flags, arg) && arg != "--help" && arg != "-h" && arg != "--version") {
      return "unknown option " + arg;
    } else if (has_value) {
      return arg + " takes no value";
    }
    out.push_back({arg, value});
  }
  return "";
}

std::string windows_help_text(const std::string& usage) {
  auto path_character = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c == '-' || c == '/';
  };
  std::string out;
  size_t at = 0;
  while (at < usage.size()) {
    size_t end = usage.find('\n', at);
    end = end == std::string::npos ? usage.size() : end + 1;
    std::string line = usage.substr(at, end - at);
    at = end;
    // The manual pages are not installed on Windows; the read-me beside the programs is.
    const size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos && line.compare(first, 4, "See ") == 0 && line.find("(1)") != std::string::npos) {
      out += line.substr(0, first) + "See README-Windows.txt beside the programs.\n";
      continue;
    }
    for (size_t page = line.find("(1)"); page != std::string::npos; page = line.find("(1)", page))
      line.replace(page, 3, ".exe");
    // A word of path characters with a "/" inside or at its end, that starts with a letter, digit or
    // "_": a path ("DATA/ini.txt", "gfx/topo/"), not an option ("--opaque") or a choice ("and/or" is
    // not in any usage).
    for (size_t i = 0; i < line.size();) {
      if (!path_character(line[i])) {
        ++i;
        continue;
      }
      size_t j = i;
      while (j < line.size() && path_character(line[j])) ++j;
      const bool word_start = line[i] != '-' && line[i] != '/' && line[i] != '.';
      if (word_start && line.find('/', i) < j)
        for (size_t k = i; k < j; ++k)
          if (line[k] == '/') line[k] = '\\';
      i = j;
    }
    out += line;
  }
  return out;
}

int standard_option(const std::string& option, const std::string& program, const std::string& usage) {
  if (option == "--help" || option == "-h") {
    std::fputs((windows_system() ? windows_help_text(usage) : usage).c_str(), stdout);
    return 0;
  }
  if (option == "--version") {
    print_version(program);
    return 0;
  }
  return usage_error(program, "unknown option " + option, usage);
}

int no_arguments_but_standard(int argc, char** argv_in, const std::string& program, const std::string& usage) {
  const std::vector<std::string> argv = os::utf8_arguments(argc, argv_in);
  // Taken in order, as a program with options of its own takes them: the first that decides wins.
  for (int i = 1; i < argc; i++) {
    const std::string arg = argv[i] == "/?" ? "--help" : argv[i];
    if (arg.size() > 1 && arg[0] == '-') return standard_option(arg, program, usage);
    return usage_error(program, "unexpected argument " + arg, usage);
  }
  return -1;
}

}  // namespace svc
