// Deterministic randomness for the generator: a seeded sequence and hashed
// value noise, both independent of the C library so that every run and every
// platform produce the same bytes. Noise coordinates are in lattice cells.
#pragma once

#include <cstdint>

namespace assetgen {

// SplitMix64: small, fast and with a fixed, documented output sequence.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_State(seed) {}

    std::uint64_t next();
    // Uniform in [0, 1).
    double uniform();
    double range(double low, double high) { return low + (high - low) * uniform(); }

private:
    std::uint64_t m_State;
};

// Smooth value noise in [0, 1]. A period of 0 means no wrapping; otherwise the
// pattern repeats every `period` cells, for textures that tile.
double valueNoise(double x, double y, std::uint32_t seed, int period = 0);

// Sum of octaves of value noise, normalised back to [0, 1].
double fractalNoise(double x, double y, int octaves, std::uint32_t seed, int period = 0);
double fractalNoise3(double x, double y, double z, int octaves, std::uint32_t seed);

// Distance from (x, y) to the nearest of the jittered points of a cell grid
// (cellular noise), in cell units; wraps with the given period when not 0.
double cellDistance(double x, double y, std::uint32_t seed, int period = 0);

} // namespace assetgen
