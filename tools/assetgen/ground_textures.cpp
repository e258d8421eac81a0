#include "tools/assetgen/ground_textures.h"

#include "app/terrain_heights.h"
#include "game/flame.h"
#include "tools/assetgen/geometry.h"
#include "tools/assetgen/noise.h"

#include <cmath>

namespace assetgen::soil {

namespace {

const Color DIRT{0.44, 0.33, 0.21};
const Color DARK_DIRT{0.29, 0.20, 0.12};
const Color SAND{0.66, 0.52, 0.33};
const Color GRASS{0.27, 0.40, 0.14};
const Color LIGHT_GRASS{0.46, 0.56, 0.22};
const Color DRY_GRASS{0.55, 0.52, 0.28};
const Color PEBBLE{0.58, 0.55, 0.50};

// Bare earth with clods and darker damp patches; x, y are noise coordinates
// (the caller chooses scale and period).
Color earth(double x, double y, int period) {
    const double large = fractalNoise(x, y, 4, 301, period);
    const double clods = fractalNoise(x * 6.0, y * 6.0, 3, 302, period * 6);
    const double grit = valueNoise(x * 40.0, y * 40.0, 303, period * 40);
    Color c = mix(DIRT, DARK_DIRT, smoothstep(0.35, 0.75, large) * 0.7);
    c = c * (0.86 + 0.22 * clods + 0.1 * (grit - 0.5));
    const double stone = smoothstep(0.86, 0.9, valueNoise(x * 14.0, y * 14.0, 304, period * 14));
    return mix(c, PEBBLE * (0.8 + 0.3 * grit), stone * 0.8);
}

} // namespace

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

namespace assetgen {

namespace {

// The table's own heights; the raised rim outside the table does not count,
// so that only the ant hills inside the field are painted as hills.
double hillHeight(int x, int z) {
    if (x < 0 || z < 0 || x > 15 || z > 15)
        return 0.0;
    return 0.5 * TERRAIN_HEIGHTS[z][x];
}

// Bilinear between grid points, as the ground's triangles roughly are.
double groundHeight(double x, double z) {
    const double fx = std::floor(x), fz = std::floor(z);
    const int ix = static_cast<int>(fx), iz = static_cast<int>(fz);
    const double tx = x - fx, tz = z - fz;
    const double a = lerp(hillHeight(ix, iz), hillHeight(ix + 1, iz), tx);
    const double b = lerp(hillHeight(ix, iz + 1), hillHeight(ix + 1, iz + 1), tx);
    return lerp(a, b, tz);
}

bool insideField(double x, double z) {
    return x >= 0.0 && x < 16.0 && z >= 0.0 && z < 16.0;
}

// Raised ground inside the field is an ant hill: sandy, with crumbs, an
// entrance hole on the highest points and a darker foot.
Color antHill(const Color& soil, double x, double z, double height) {
    const double crumbs = valueNoise(x * 30.0, z * 30.0, 801);
    Color sand = soil::SAND * (0.85 + 0.3 * crumbs);
    Color c = mix(soil, sand, smoothstep(0.05, 0.3, height));
    const double slope = std::abs(groundHeight(x + 0.15, z) - groundHeight(x - 0.15, z)) +
                         std::abs(groundHeight(x, z + 0.15) - groundHeight(x, z - 0.15));
    c = c * (1.0 - 0.25 * smoothstep(0.05, 0.3, slope) * (1.0 - smoothstep(0.2, 0.45, height)));
    const double holeX = std::round(x - 0.5) + 0.5, holeZ = std::round(z - 0.5) + 0.5;
    const bool summit = groundHeight(holeX, holeZ) >= 0.5 && height > 0.45;
    const double hole = std::hypot(x - holeX, z - holeZ);
    if (summit && (static_cast<int>(holeX * 7 + holeZ * 3) % 3 == 0))
        c = mix(c, Color(0.08, 0.05, 0.03), 1.0 - smoothstep(0.09, 0.15, hole));
    return c;
}

// Worn trails the ants have trodden between their hills.
double trail(double x, double z) {
    const double n = fractalNoise(x / 6.0, z / 6.0, 3, 811);
    return 1.0 - smoothstep(0.0, 0.035, std::abs(n - 0.5));
}

Color terrainColor(double u, double v) {
    const double x = u * 20.0 - 2.0, z = v * 20.0 - 2.0;
    const double cover = insideField(x, z) ? 0.18 : 0.0;
    Color c = soil::meadow(x / 2.5, z / 2.5, 0, cover * fractalNoise(x / 4.0, z / 4.0, 2, 821));
    c = mix(c, soil::DIRT * 1.15, trail(x, z) * 0.35 * (insideField(x, z) ? 1.0 : 0.0));
    const double h = groundHeight(x, z);
    if (insideField(x, z) && h > 0.0)
        c = antHill(c, x, z, h);
    return c;
}

// Particle cells are 64 pixels square; centre-relative coordinates in cells.
Color flame(double x, double y) {
    const double up = std::max(0.0, -y);
    const double wobble = (fractalNoise(x * 3.0 + 5.0, y * 2.0, 3, 901) - 0.5) * 0.35;
    const double r = std::hypot((x + wobble * up) / (1.0 - 0.55 * up), y * (y > 0.0 ? 1.25 : 0.8));
    const double heat = 1.0 - smoothstep(0.0, 0.9, r);
    Color c = mix(Color(0.85, 0.12, 0.02), Color(1.0, 0.55, 0.08), smoothstep(0.0, 0.45, heat));
    c = mix(c, Color(1.0, 0.95, 0.65), smoothstep(0.5, 0.9, heat));
    return c.withAlpha(smoothstep(0.0, 0.35, heat) * 0.95);
}

Color smoke(double x, double y) {
    const double billow = fractalNoise(x * 2.5 + 9.0, y * 2.5 + 3.0, 4, 902);
    const double r = std::hypot(x, y) + (billow - 0.5) * 0.45;
    const double density = 1.0 - smoothstep(0.35, 0.9, r);
    const Color c = mix(Color(0.62, 0.60, 0.58), Color(0.34, 0.33, 0.33), smoothstep(-0.6, 0.7, y));
    return (c * (0.9 + 0.2 * billow)).withAlpha(density * (0.5 + 0.35 * billow));
}

// Both shapes fade out before the cell's edge, so that no particle shows the
// square it is drawn on. The cells are the size of the flame's.
Color particlePixel(double u, double v) {
    const double cell = FLAME_CELL_MAX.u;
    const double cx = std::fmod(u, cell) * 2.0 / cell - 1.0;
    const double cy = std::fmod(v, cell) * 2.0 / cell - 1.0;
    const double edge = 1.0 - smoothstep(0.8, 0.97, std::max(std::abs(cx), std::abs(cy)));
    Color c(0.5, 0.4, 0.3, 0.0);
    if (v < FLAME_CELL_MAX.v && u < FLAME_CELL_MAX.u)
        c = flame(cx, cy);
    else if (v < SMOKE_CELL_MAX.v && u >= SMOKE_CELL_MIN.u)
        c = smoke(cx, cy);
    return c.withAlpha(c.a * edge);
}

} // namespace

// 512 x 512: near the camera the software rasterizer then magnifies and reads
// one mipmap level instead of blending two.
Image paintCenterTerrain() {
    return paint(1024, 1024, false, terrainColor).reduced(2);
}

Image paintParticles() {
    return paint(256, 256, true, particlePixel);
}

} // namespace assetgen
