// random.cpp -- the seeded generator: 17 pairs of 32-bit words stirred by rotations and sums
//
// One seed gives one sequence on every machine, which is what makes a configured world
// reproducible. random(m) scales the 64-bit result with 128-bit arithmetic, so every value of
// 0..m is equally likely up to the 2^-64 granularity.
#include "services/random.h"

#include "services/clock.h"

namespace svc {
namespace {

struct Generator {
  uint32_t w[34] = {};
  int p = 0;
  int q = 10;
  bool seeded = false;
};

// At namespace scope, not in a function: random() runs once per object slot of every cell of a
// world, and a function's static would be checked for its construction on every call.
Generator generator;

Generator& gen() { return generator; }

uint32_t rotl(uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

// One step; the result is high * 2^32 + low of the pair just written.
uint64_t advance(Generator& g) {
  uint32_t a = g.w[2 * g.p];
  uint32_t b = g.w[2 * g.p + 1];
  uint32_t low = rotl(b, 27) + g.w[2 * g.q + 1];
  uint32_t high = rotl(a, 19) + g.w[2 * g.q];
  g.w[2 * g.p] = low;
  g.w[2 * g.p + 1] = high;
  g.p = g.p == 0 ? 16 : g.p - 1;
  g.q = g.q == 0 ? 16 : g.q - 1;
  return (static_cast<uint64_t>(high) << 32) | low;
}

}  // namespace

uint32_t random_seed(uint32_t seed) {
  Generator& g = gen();
  uint32_t s = seed;
  for (int i = 0; i < 34; i++) {
    s = s * 0xAC564B05u + 1u;
    g.w[i] = s;
  }
  g.p = 0;
  g.q = 10;
  g.seeded = true;
  uint64_t r = 0;
  for (int i = 0; i < 31; i++) r = advance(g);
  return static_cast<uint32_t>(r);
}

int32_t random(int32_t maximum) {
  if (maximum < 0) return INT32_MIN;
  Generator& g = gen();
  if (!g.seeded) random_seed(tick_count());
  uint64_t r = advance(g);
  unsigned __int128 scaled = static_cast<unsigned __int128>(r) * (static_cast<uint64_t>(maximum) + 1u);
  return static_cast<int32_t>(scaled >> 64);
}

void random_forget() { gen() = Generator(); }

bool random_is_seeded() { return gen().seeded; }

}  // namespace svc
