// objects.h -- the object catalogue and the random placement of objects on cells
#pragma once

struct ObjectInstance;
struct ObjectDefinition;

void clear_world_lists();     // Empties floorList, instanceList and objectCatalogue
void load_object_catalogue(); // WORLDGFX pictures and their ".dll" definitions
void place_cell_objects(int x, int y);
void apply_placement_rules(ObjectInstance& instance, const ObjectDefinition& definition);
