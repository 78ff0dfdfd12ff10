// stubs_world.cpp -- empty stand-ins for world steps that are still being written; each moves
// to its own file as it is built.
#include "core/engine_state.h"
#include "core/view_input.h"
#include "core/world_drawing.h"
#include "world/cell_definitions.h"
#include "world/map_loading.h"
#include "world/objects.h"

void keyboard_control() {}
void wheel_zoom() {}
void joystick_control() {}
void collision_check(int8_t, int8_t) {}
void cursor_move(int8_t, int8_t) {}
void draw_world() {}
void draw_position_boxes() {}
void ground_refit() {}
void load_topographic_map(const std::string&) {}
void compute_view_cells() {}
void load_ground_catalogue() {}
void load_cell_definition(int, int, const std::string&) {}
void assign_ground_sprite(int, int, const std::string&) {}
void clear_world_lists() {}
void load_object_catalogue() {}
void place_cell_objects(int, int) {}
void apply_placement_rules(ObjectInstance&, const ObjectDefinition&) {}
