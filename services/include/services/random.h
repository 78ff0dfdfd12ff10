// random.h -- the suite's seeded random generator: one seed, one sequence on every machine
#pragma once
#include <cstdint>

namespace svc {

uint32_t random_seed(uint32_t seed);  // Resets the generator; returns the low word of its 31st warm-up result
int32_t random(int32_t maximum);      // Uniform 0..maximum inclusive; -2147483648 for a negative maximum
void random_forget();                 // Back to the never-seeded state (the next draw seeds from the tick count)
bool random_is_seeded();              // False until a seed is set (or the first draw took the tick count)

}  // namespace svc
