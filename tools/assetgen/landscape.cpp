#include "tools/assetgen/landscape.h"

#include "tools/assetgen/noise.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

Vec3 toMesh(const Vec3& world) {
    return {(world.x - 8.0) / 20.0, (world.y - 0.5) / 16.0, (world.z - 8.0) / 20.0};
}

double distanceOutsideGrid(double x, double z) {
    const double dx = std::max({-2.0 - x, 0.0, x - 18.0});
    const double dz = std::max({-2.0 - z, 0.0, z - 18.0});
    return std::sqrt(dx * dx + dz * dz);
}

double landscapeHeight(double x, double z) {
    const double d = distanceOutsideGrid(x, z);
    if (d <= 0.0)
        return 0.5;
    const double bank = 1.25 * smoothstep(0.0, 3.2, d) + 0.3 * smoothstep(3.0, 9.0, d);
    const double roughness = 0.35 * smoothstep(1.0, 6.0, d) + 0.05 * d;
    const double n = fractalNoise(x / 22.0 + 50.0, z / 22.0 + 50.0, 4, 211) - 0.5;
    const double rise = 9.0 * smoothstep(25.0, 140.0, d) + 16.0 * smoothstep(140.0, 280.0, d);
    return 0.5 + bank + 2.0 * n * roughness + rise;
}

namespace {

Prop at(double x, double z, double radius, double height, double turn, double size) {
    return {Vec3(x, landscapeHeight(x, z), z), radius, height, turn, size};
}

} // namespace

const std::vector<Prop>& boulderPlaces() {
    static const std::vector<Prop> places = {
        at(-4.2, 2.0, 0.9, 1.1, 20, 0.9),   at(-5.2, 14.6, 1.2, 1.4, 140, 1.2),
        at(20.6, 3.4, 1.1, 1.2, 200, 1.1),  at(21.2, 11.2, 0.7, 0.8, 10, 0.7),
        at(2.8, 20.6, 0.9, 1.0, 95, 0.9),   at(11.2, 21.4, 1.3, 1.5, 250, 1.3),
        at(15.8, 20.1, 0.6, 0.6, 170, 0.6), at(13.1, -4.3, 0.6, 0.6, 120, 0.6),
        at(24.5, 19.5, 1.8, 2.0, 60, 1.8)};
    return places;
}

const std::vector<Prop>& treePlaces() {
    static const std::vector<Prop> places = {
        at(-8.0, 6.0, 3.0, 8.5, 30, 1.0), at(25.0, 9.0, 3.4, 9.5, 160, 1.15),
        at(7.5, 27.0, 3.6, 10.0, 250, 1.25), at(21.5, 25.0, 2.8, 7.5, 80, 0.9)};
    return places;
}

const std::vector<Prop>& tombstonePlaces() {
    static const std::vector<Prop> places = {
        at(-4.0, 19.6, 0.5, 1.3, 8, 1.0), at(-2.6, 21.8, 0.45, 1.1, -14, 0.85),
        at(-5.8, 22.2, 0.5, 1.3, 20, 1.05), at(-4.2, 24.4, 0.45, 1.1, -5, 0.9)};
    return places;
}

namespace {

// The region a prop hides from the camera in the south: behind it and beside
// it by its size.
bool shadows(const Prop& p, double x, double z) {
    const double reach = p.radius + 0.7;
    return std::abs(x - p.base.x) < reach && z > p.base.z - reach &&
           z < p.base.z + reach + p.height * 1.2 + 1.5;
}

} // namespace

bool grassAllowed(double x, double z) {
    for (const auto* places : {&boulderPlaces(), &treePlaces(), &tombstonePlaces()})
        for (const Prop& p : *places)
            if (shadows(p, x, z))
                return false;
    return true;
}

} // namespace assetgen
