// desktop_table.h -- the display table: each platform's examine_desktops() fills it, and the readers
// of desktops.h answer from it alike on every platform
#pragma once
#include <vector>

namespace svc::detail {

struct DesktopMode {
  int width = 0, height = 0, frequency = 0, depth = 0;
};

void store_desktops(std::vector<DesktopMode> modes);  // The displays found, the primary one first

}  // namespace svc::detail
