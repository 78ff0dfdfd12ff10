// desktops.cpp -- the display table's readers, shared by every platform
#include "services/desktops.h"

#include <cstddef>

#include "desktop_table.h"

namespace svc {
namespace {

std::vector<detail::DesktopMode> modes;

// 0 for every value outside the table.
detail::DesktopMode at(int index) {
  if (index < 0 || index >= static_cast<int>(modes.size())) return {};
  return modes[static_cast<std::size_t>(index)];
}

}  // namespace

void detail::store_desktops(std::vector<DesktopMode> found) { modes = std::move(found); }

int desktop_width(int index) { return at(index).width; }
int desktop_height(int index) { return at(index).height; }
int desktop_frequency(int index) { return at(index).frequency; }
int desktop_depth(int index) { return at(index).depth; }

}  // namespace svc
