// cell_definitions.h -- cell definition files and the ground-picture catalogue
#pragma once
#include <string>

void load_ground_catalogue();                                                // TOPOGFX pictures, once at start-up
void load_cell_definition(int x, int y, const std::string& definitionPath);  // Applies a definition file to a cell
void assign_ground_sprite(int x, int y, const std::string& pictureName);  // A new 3D sprite of that catalogue picture
std::string cell_definition_path(const std::string& code);                // RGBCODEPATH + APPSTART + "\" + code

// A parsed definition file, and the two halves of load_cell_definition: finding a file's parsed
// definition (read on first use in a build; valid until the cache is cleared) and applying it to
// a cell. A map load finds each code's definition once and applies it to the cells of that code.
struct CellDefinition;
const CellDefinition& find_cell_definition(const std::string& definitionPath);
void apply_cell_definition(int x, int y, const CellDefinition& definition);

// Definition files are parsed once per world build and kept by path; each build (map load, base
// build or rebuild) calls this first, so edits made between builds are seen.
void clear_definition_cache();
