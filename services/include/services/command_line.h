// command_line.h -- the command-line conventions every program of the suite follows
//
// --help (or -h, or "/?" as on Windows) prints the usage on standard output and exits 0; --version prints the suite's version
// and exits 0; neither opens a window. A usage error prints a line naming it and the synopsis on
// standard error and exits 2.
#pragma once
#include <string>
#include <vector>

namespace svc {

constexpr int EXIT_USAGE = 2;  // The exit code of a usage error

const char* suite_version();  // One number for the whole suite, e.g. "1.0.0"

void print_version(const std::string& program);  // "<program> (Orvanel world suite) <version>" on stdout

// Prints "<program>: <problem>" (when not empty), the usage's synopsis (its text up to the first
// blank line) and a pointer to --help on standard error; EXIT_USAGE.
int usage_error(const std::string& program, const std::string& problem, const std::string& usage);

// A usage text as a Windows user reads it: paths spelled with "\" (DATA\ini.txt, gfx\topo\), a
// manual page "See simengine(1) ..." line pointing at README-Windows.txt, and other pages named as
// programs (mapscan.exe). Text only, the same on every system; --help prints it on Windows.
std::string windows_help_text(const std::string& usage);

// Answers one of the options every program takes: --help or -h prints the usage, --version the
// version, both return 0; any other option is a usage error (EXIT_USAGE).
int standard_option(const std::string& option, const std::string& program, const std::string& usage);

// The arguments of a program that takes none but --help and --version: -1 to go on, or the exit
// code to end with (0 after --help or --version, EXIT_USAGE after anything else).
int no_arguments_but_standard(int argc, char** argv, const std::string& program, const std::string& usage);

// One option or argument of a command line, in the order given.
struct Argument {
  std::string name;   // "--cell", "-q"; empty for an argument
  std::string value;  // The option's value (empty for a flag), or the argument itself
};

// Splits a command line GNU style: "--name value" and "--name=value" alike for the options named in
// `with_value`, the `flags` (and --help, -h, --version) without a value; "--" ends the options, "-" and
// anything not starting with '-' is an argument. Returns the usage problem ("unknown option --x",
// "--cell needs a value", "--quiet takes no value"), or "" when the line splits.
std::string split_arguments(int argc, char** argv, const std::vector<std::string>& with_value,
                            const std::vector<std::string>& flags, std::vector<Argument>& out);

}  // namespace svc
