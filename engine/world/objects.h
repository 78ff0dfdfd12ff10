// objects.h -- the object catalogue and the random placement of objects on cells
#pragma once
#include <string>

struct ObjectInstance;
struct ObjectDefinition;

void clear_world_lists();               // Empties floorList, instanceList and objectCatalogue
void load_object_catalogue();           // WORLDGFX pictures and their ".dll" definitions
void place_cell_objects(int x, int y);  // Draws placements for the cell's CHILD slots
void apply_placement_rules(ObjectInstance& instance, const ObjectDefinition& definition);  // Fit, hot spot, centring
std::string object_definition_path(const std::string& picturePath,
                                   const std::string& gfxCodec);  // Picture path cut at the extension + ".dll"
