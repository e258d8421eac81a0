#include "tools/assetgen/soil.h"

#include "tools/assetgen/geometry.h"
#include "tools/assetgen/noise.h"

#include <cmath>

namespace assetgen::soil {

Color earth(double x, double y, int period) {
    const double large = fractalNoise(x, y, 4, 301, period);
    const double clods = fractalNoise(x * 6.0, y * 6.0, 3, 302, period * 6);
    const double grit = valueNoise(x * 40.0, y * 40.0, 303, period * 40);
    Color c = mix(DIRT, DARK_DIRT, smoothstep(0.35, 0.75, large) * 0.7);
    c = c * (0.86 + 0.22 * clods + 0.1 * (grit - 0.5));
    const double stone = smoothstep(0.86, 0.9, valueNoise(x * 14.0, y * 14.0, 304, period * 14));
    return mix(c, PEBBLE * (0.8 + 0.3 * grit), stone * 0.8);
}

Color meadow(double x, double y, int period, double cover, double detail) {
    const double patches = fractalNoise(x * 1.5, y * 1.5, 3, 311, static_cast<int>(period * 1.5));
    const double blades = fractalNoise(x * 30.0, y * 30.0, 2, 312, period * 30);
    const double amount = smoothstep(0.0, 0.35, cover + (patches - 0.5) * 0.8);
    Color grass = mix(GRASS, LIGHT_GRASS, smoothstep(0.3, 0.8, patches));
    grass = mix(grass, DRY_GRASS,
                smoothstep(0.62, 0.8, fractalNoise(x * 0.7, y * 0.7, 2, 313, period)) * 0.5);
    grass = grass * (1.0 + (0.5 * blades - 0.28) * detail);
    return mix(earth(x, y, period), grass, std::min(1.0, amount));
}

} // namespace assetgen::soil
