// menus.cpp -- headless menu bars: titles and items recorded for menu_entries(), picks from the script
#include "services/menus.h"

#include "state.h"

namespace svc {

using headless::detail::state;

int create_menu(int menu, WindowHandle window) {
  int number = state.menus.pick(menu);
  if (number < 0 || state.fail_create_menu || headless::detail::window_of_handle(window) < 0) return 0;
  // A window has one menu bar: a new one replaces the old.
  state.menus.for_each([&](int n, const headless::detail::Menu& m) {
    if (m.window == window) state.menus.release(n);
  });
  state.menus.store(number).window = window;
  state.current_menu = number;
  return detail::created(menu, number);
}

void menu_title(const std::string& text) {
  headless::detail::Menu* m = state.menus.get(state.current_menu);
  if (!m) return;
  m->last_title = static_cast<int>(m->entries.size());
  m->entries.push_back({true, 0, text, -1});
}

void menu_item(int id, const std::string& text) {
  headless::detail::Menu* m = state.menus.get(state.current_menu);
  if (!m) return;
  m->entries.push_back({false, id, text, m->last_title});
}

int event_menu() { return state.event_menu; }

}  // namespace svc
