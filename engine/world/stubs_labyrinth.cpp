// stubs_labyrinth.cpp -- empty stand-ins for the labyrinth and load screen while they are written
#include "core/engine_state.h"
#include "world/labyrinth.h"
#include "world/load_screen.h"

void reset_cursor_list() {
  svc::clear_list(worldState.cursorList);
  svc::add_element(worldState.cursorList);
}
void build_base(const std::string&) {}
void rebuild_base() {}
void show_load_screen() {}
