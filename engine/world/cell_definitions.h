// cell_definitions.h -- cell definition files and the ground-picture catalogue
#pragma once
#include <string>

void load_ground_catalogue();                                       // TOPOGFX pictures, once at start-up
void load_cell_definition(int x, int y, const std::string& definitionPath);
void assign_ground_sprite(int x, int y, const std::string& pictureName);
