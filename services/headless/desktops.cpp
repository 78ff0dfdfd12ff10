// desktops.cpp -- the headless display table: set_desktop_count() displays, each with set_desktop()'s mode
#include "services/desktops.h"

#include "desktop_table.h"
#include "state.h"

namespace svc {

using headless::detail::state;

int examine_desktops() {
  const headless::detail::Desktop& d = state.desktop;
  detail::store_desktops(
      std::vector<detail::DesktopMode>(state.desktop_count, {d.width, d.height, d.frequency, d.depth}));
  return state.desktop_count;
}

}  // namespace svc
