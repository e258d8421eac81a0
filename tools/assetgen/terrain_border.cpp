#include "tools/assetgen/terrain_border.h"

#include "tools/assetgen/ground_textures.h"
#include "tools/assetgen/landscape.h"

#include <cmath>

namespace assetgen {

namespace {

// Distance of each ring from the grid square and the texture row it maps to.
// The first ring lies under the ground, just far enough in to close the seam:
// land hidden there still costs a software rasterizer all its pixels.
struct RingLayout {
    double distance;
    double v;
};
const RingLayout RINGS[] = {{-0.1, 0.0},  {0.0, 0.03},   {0.8, 0.09},   {2.0, 0.18},  {3.5, 0.27},
                            {6.0, 0.37},  {10.0, 0.47},  {16.0, 0.56},  {26.0, 0.65}, {42.0, 0.73},
                            {70.0, 0.81}, {115.0, 0.88}, {180.0, 0.94}, {280.0, 1.0}};
const int RING_COUNT = sizeof(RINGS) / sizeof(RINGS[0]);

const int SIDE_SAMPLES = 5;   // 4 units apart along each side of the grid
const int CORNER_SAMPLES = 4; // 22.5 degrees apart round each corner
const int SAMPLES = 4 * (SIDE_SAMPLES + CORNER_SAMPLES);
const double SKIRT_HEIGHT = 0.35;

const Vec2 CORNERS[4] = {{-2, -2}, {18, -2}, {18, 18}, {-2, 18}};
const Vec2 OUTWARD[4] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};

// A point of the rounded square at a distance from the grid (inside for a
// negative distance, where corners stay square).
Vec2 perimeterPoint(int sample, double d) {
    const int side = sample / (SIDE_SAMPLES + CORNER_SAMPLES);
    const int k = sample % (SIDE_SAMPLES + CORNER_SAMPLES);
    const Vec2 start = CORNERS[side], end = CORNERS[(side + 1) % 4];
    const Vec2 n = OUTWARD[side], next = OUTWARD[(side + 1) % 4];
    if (k < SIDE_SAMPLES)
        return start + (end - start) * (static_cast<double>(k) / SIDE_SAMPLES) + n * d;
    if (d < 0.0)
        return end + (n + next) * d;
    const double angle = radians(22.5 * (k - SIDE_SAMPLES));
    return end + (n * std::cos(angle) + next * std::sin(angle)) * d;
}

double ringHeight(const Vec2& p, double d) {
    if (d < 0.0)
        return SKIRT_HEIGHT;
    if (d == 0.0)
        return 0.5;
    return landscapeHeight(p.x, p.y);
}

std::vector<int> addRing(MeshBuilder& mesh, double d) {
    std::vector<int> vertices;
    for (int s = 0; s < SAMPLES; ++s) {
        const Vec2 p = perimeterPoint(s, d);
        vertices.push_back(mesh.addVertex(toMesh(Vec3(p.x, ringHeight(p, d), p.y))));
    }
    return vertices;
}

void addBand(MeshBuilder& mesh, const std::vector<int>& inner, const std::vector<int>& outer,
             double vInner, double vOuter) {
    for (int s = 0; s < SAMPLES; ++s) {
        const int t = (s + 1) % SAMPLES;
        const double u0 = s % 2 == 0 ? 0.0 : 0.5, u1 = u0 + 0.5;
        const Corner a{inner[s], {u0, vInner}}, b{inner[t], {u1, vInner}};
        const Corner c{outer[t], {u1, vOuter}}, d{outer[s], {u0, vOuter}};
        const Vec3 pa = mesh.position(a.vertex), pb = mesh.position(b.vertex);
        const Vec3 pc = mesh.position(c.vertex), pd = mesh.position(d.vertex);
        const bool innerCollapsed = (pb - pa).length() < 1e-9;
        const bool outerCollapsed = (pc - pd).length() < 1e-9;
        if (innerCollapsed && outerCollapsed)
            continue;
        const bool upwards = cross(pc - pa, pd - pb).y > 0.0;
        if (innerCollapsed)
            upwards ? mesh.addTriangle(a, c, d) : mesh.addTriangle(a, d, c);
        else if (outerCollapsed)
            upwards ? mesh.addTriangle(a, b, c) : mesh.addTriangle(a, c, b);
        else if (upwards)
            mesh.addQuad(a, b, c, d);
        else
            mesh.addQuad(a, d, c, b);
    }
}

// The distance from the field that a texture row stands for.
double distanceAt(double v) {
    for (int i = 0; i + 1 < RING_COUNT; ++i)
        if (v <= RINGS[i + 1].v)
            return lerp(RINGS[i].distance, RINGS[i + 1].distance,
                        (v - RINGS[i].v) / (RINGS[i + 1].v - RINGS[i].v));
    return RINGS[RING_COUNT - 1].distance;
}

Color borderColor(double u, double v) {
    const double d = std::max(0.0, distanceAt(v));
    const double x = u * 8.0, y = v * 48.0;
    const double cover = smoothstep(0.6, 3.2, d);
    Color c = soil::meadow(x, y, 8, cover, 1.0 - smoothstep(12.0, 50.0, d));
    const Color haze =
        mix(Color(0.46, 0.55, 0.50), Color(0.52, 0.60, 0.72), smoothstep(80.0, 250.0, d));
    return mix(c, haze, smoothstep(18.0, 200.0, d) * 0.8);
}

} // namespace

MeshBuilder buildTerrainBorder() {
    MeshBuilder mesh;
    mesh.addMaterial({"land", "terrainborder.png", "", "", true});
    std::vector<int> previous = addRing(mesh, RINGS[0].distance);
    for (int r = 1; r < RING_COUNT; ++r) {
        const std::vector<int> ring = addRing(mesh, RINGS[r].distance);
        addBand(mesh, previous, ring, RINGS[r - 1].v, RINGS[r].v);
        previous = ring;
    }
    return mesh;
}

Image paintTerrainBorderTexture() {
    return paint(256, 1024, false, borderColor);
}

} // namespace assetgen
