// placement_replay.cpp -- the engine's random placement of objects on a map world, replayed
#include "placement_replay.h"

#include <map>

#include "services/random.h"

namespace tools {

std::vector<ReplayCell> replay_placement(uint32_t seed, const std::vector<ReplayDefinition>& catalogue,
                                         const std::vector<ReplaySlots>& codes, const std::vector<int>& cell_codes,
                                         int columns, int rows) {
  // Each slot name's definitions in catalogue order, as the engine's name index lists them.
  std::map<std::string, std::vector<int>> named;
  for (size_t i = 0; i < catalogue.size(); ++i)
    if (catalogue[i].name != "NOPE") named[catalogue[i].name].push_back(int(i));
  std::vector<std::vector<const std::vector<int>*>> slots(codes.size());
  for (size_t c = 0; c < codes.size(); ++c)
    for (size_t k = 0; k < codes[c].size() && k < 8; ++k) {
      const std::string& name = codes[c][k];
      const auto found = name.empty() || name == "#" ? named.end() : named.find(name);
      slots[c].push_back(found == named.end() ? nullptr : &found->second);
    }
  ReplayCell none;
  none.fill(-1);
  std::vector<ReplayCell> cells(size_t(columns) * size_t(rows), none);
  svc::random_seed(seed);
  for (int x = 0; x < columns; ++x)
    for (int y = 0; y < rows; ++y) {
      const size_t at = size_t(y) * size_t(columns) + size_t(x);
      const int code = cell_codes[at];
      if (code < 0) continue;
      for (size_t k = 0; k < slots[size_t(code)].size(); ++k) {
        if (!slots[size_t(code)][k]) continue;
        for (int position : *slots[size_t(code)][k])
          if (svc::random(catalogue[size_t(position)].density) == 0) cells[at][k] = position;
      }
    }
  return cells;
}

}  // namespace tools
