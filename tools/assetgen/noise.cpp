#include "tools/assetgen/noise.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

std::uint64_t Random::next() {
    std::uint64_t z = (m_State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Random::uniform() {
    return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0);
}

namespace {

std::uint32_t hash(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h = (h << 11) | (h >> 21);
    h ^= static_cast<std::uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double lattice(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t seed) {
    return static_cast<double>(hash(x, y, z, seed) & 0xFFFFFFu) / 16777215.0;
}

std::int32_t wrap(std::int32_t i, int period) {
    if (period <= 0)
        return i;
    const std::int32_t r = i % period;
    return r < 0 ? r + period : r;
}

double fade(double t) {
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

// Corners a, b (bottom) and c, d (top) blended across a cell.
double bilerp(double a, double b, double c, double d, double tx, double ty) {
    return (a + (b - a) * tx) * (1.0 - ty) + (c + (d - c) * tx) * ty;
}

// Octaves of `noise(scale, seed)`, each at twice the frequency and half the
// amplitude of the one before, normalised back to [0, 1].
template <typename Noise>
double octaves(int count, std::uint32_t seed, Noise noise) {
    double sum = 0.0, amplitude = 1.0, total = 0.0, scale = 1.0;
    for (int i = 0; i < count; ++i) {
        sum += amplitude * noise(scale, seed + static_cast<std::uint32_t>(i) * 101u);
        total += amplitude;
        amplitude *= 0.5;
        scale *= 2.0;
    }
    return sum / total;
}

double valueNoise3(double x, double y, double z, std::uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const auto ix = static_cast<std::int32_t>(fx), iy = static_cast<std::int32_t>(fy),
               iz = static_cast<std::int32_t>(fz);
    const double tx = fade(x - fx), ty = fade(y - fy), tz = fade(z - fz);
    double layers[2];
    for (int k = 0; k < 2; ++k)
        layers[k] = bilerp(lattice(ix, iy, iz + k, seed), lattice(ix + 1, iy, iz + k, seed),
                           lattice(ix, iy + 1, iz + k, seed), lattice(ix + 1, iy + 1, iz + k, seed),
                           tx, ty);
    return layers[0] + (layers[1] - layers[0]) * tz;
}

} // namespace

double valueNoise(double x, double y, std::uint32_t seed, int period) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int32_t>(fx), iy = static_cast<std::int32_t>(fy);
    const std::int32_t x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
    const std::int32_t y0 = wrap(iy, period), y1 = wrap(iy + 1, period);
    return bilerp(lattice(x0, y0, 0, seed), lattice(x1, y0, 0, seed), lattice(x0, y1, 0, seed),
                  lattice(x1, y1, 0, seed), fade(x - fx), fade(y - fy));
}

double fractalNoise(double x, double y, int count, std::uint32_t seed, int period) {
    return octaves(count, seed, [&](double scale, std::uint32_t s) {
        return valueNoise(x * scale, y * scale, s, static_cast<int>(period * scale));
    });
}

double fractalNoise3(double x, double y, double z, int count, std::uint32_t seed) {
    return octaves(count, seed, [&](double scale, std::uint32_t s) {
        return valueNoise3(x * scale, y * scale, z * scale, s);
    });
}

double cellDistance(double x, double y, std::uint32_t seed, int period) {
    const auto ix = static_cast<std::int32_t>(std::floor(x));
    const auto iy = static_cast<std::int32_t>(std::floor(y));
    double best = 10.0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const std::int32_t cx = ix + dx, cy = iy + dy;
            const std::int32_t hx = wrap(cx, period), hy = wrap(cy, period);
            const double px = cx + lattice(hx, hy, 1, seed);
            const double py = cy + lattice(hx, hy, 2, seed);
            best = std::min(best, std::hypot(px - x, py - y));
        }
    }
    return best;
}

} // namespace assetgen
