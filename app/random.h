// The game's one random sequence: the C library's rand, never seeded, so every
// run repeats it, scaled to 0..32767 whatever the library's RAND_MAX. The game's
// float constants (3.051851e-5 is about 1/32767) assume that range.
#pragma once

#include <cstdlib>

const int GAME_RAND_MAX = 32767;
// A draw times this is a fraction 0..1: the float nearest 1 / 32767.
const float RAND_FRACTION = 3.051851e-5f;

inline int gameRand() {
    return static_cast<int>(static_cast<long long>(rand()) * (GAME_RAND_MAX + 1LL) /
                            (RAND_MAX + 1LL));
}
