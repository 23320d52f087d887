// The process-wide random number generator (32-bit ISAAC).
#pragma once

#include <cstdint>

namespace orv {

// Resets the generator to a state derived from seed alone: the same seed
// gives the same sequence of Random results. Start-up seeds it with the
// integer part of ElapsedMs.
void SeedRandom(int32_t seed);
// An integer from 0 to n inclusive; 0 for n <= 0, which leaves the sequence
// untouched. Every other call runs one whole generation round (256 steps)
// and uses the round's first result word.
int32_t Random(int32_t n);

}  // namespace orv
