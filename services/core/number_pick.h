// number_pick.h -- the number an object table hands out for -1: freed numbers first, then the next
// never-used one, so creating and freeing stay O(1) with hundreds of thousands of objects
#pragma once
#include <vector>

namespace svc::detail {

// `released` holds freed numbers (some may have been taken again by an explicit number since);
// `in_use(n)` tells whether n is taken now.
template <class InUse>
int pick_free_number(std::vector<int>& released, int& next_unused, InUse in_use) {
  while (!released.empty()) {
    int r = released.back();
    released.pop_back();
    if (!in_use(r)) return r;
  }
  while (in_use(next_unused)) next_unused++;
  return next_unused++;
}

}  // namespace svc::detail
