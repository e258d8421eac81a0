#include "tools/assetgen/sky.h"

#include "tools/assetgen/landscape.h"
#include "tools/assetgen/noise.h"
#include "tools/assetgen/primitives.h"

#include <cmath>

namespace assetgen {

namespace {

// Far beyond the hills but well inside the camera's far plane.
const double RADIUS = 450.0;
// The dome ends a little below the horizon: the hills of the border hide
// everything lower from any camera over the field, and a closed sphere would
// have every pixel of the screen rasterised once more for nothing.
const double LOWEST_ELEVATION = radians(-10.0);

// The direction of texture point (u, v), matching the sphere built below.
Vec3 direction(double u, double v) {
    const double azimuth = 2.0 * PI * u, polar = PI * v;
    return {std::cos(azimuth) * std::sin(polar), std::cos(polar),
            std::sin(azimuth) * std::sin(polar)};
}

Color skyGradient(double elevation) {
    const Color zenith(0.16, 0.34, 0.70), horizon(0.72, 0.82, 0.90), below(0.50, 0.58, 0.60);
    if (elevation < 0.0)
        return mix(horizon, below, smoothstep(0.0, 0.15, -elevation));
    return mix(horizon, zenith, std::pow(elevation, 0.55));
}

double cloudCover(double u, double v) {
    const double n = fractalNoise(u * 12.0, v * 20.0, 5, 501, 12);
    const double band = smoothstep(0.12, 0.3, v) * (1.0 - smoothstep(0.44, 0.5, v));
    return smoothstep(0.5, 0.72, n) * band;
}

Color skyColor(double u, double v) {
    const Vec3 d = direction(u, v);
    const Vec3 sun = Vec3(-1, 1, -1).normalized();
    const double toSun = std::max(0.0, dot(d, sun));
    Color c = skyGradient(d.y);
    const double cloud = cloudCover(u, v);
    const double shade = fractalNoise(u * 24.0, v * 40.0, 3, 502, 24);
    c = mix(c, mix(Color(0.97, 0.97, 0.95), Color(0.70, 0.73, 0.80), shade), cloud * 0.9);
    const double glow = std::pow(toSun, 300.0) * 1.2 + std::pow(toSun, 12.0) * 0.25;
    return c + Color(1.0, 0.92, 0.75) * glow;
}

} // namespace

MeshBuilder buildSkybox() {
    MeshBuilder mesh;
    mesh.addMaterial({"sky", "sky.png", "sky.vert", "sky.frag"});
    const Vec3 centre = toMesh(Vec3(8.0, 0.5, 8.0));
    const Vec3 scale = toMesh(Vec3(8.0 + RADIUS, 0.5 + RADIUS, 8.0 + RADIUS)) - centre;
    Ellipsoid sphere;
    sphere.centre = centre;
    sphere.radii = Vec3(scale.x, scale.z, scale.y);
    // Poles on the vertical axis, the zenith first; azimuth from +x towards +z.
    sphere.orientation = Mat3::fromColumns(Vec3(1, 0, 0), Vec3(0, 0, 1), Vec3(0, -1, 0));
    sphere.sides = 16;
    sphere.rings = 9;
    sphere.polarEnd = PI / 2.0 - LOWEST_ELEVATION;
    addEllipsoid(mesh, sphere, UvRect{0.0, 0.0, 1.0, 1.0}, {});
    return mesh;
}

// 256 x 128: the sky is soft and mostly hidden behind the hills.
Image paintSkyTexture() {
    return paint(512, 256, false, skyColor).reduced(2);
}

} // namespace assetgen
