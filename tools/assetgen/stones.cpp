#include "tools/assetgen/stones.h"

#include "tools/assetgen/landscape.h"
#include "tools/assetgen/noise.h"
#include "tools/assetgen/primitives.h"

#include <cmath>
#include <functional>

namespace assetgen {

namespace {

const UvRect STONE_UV{0.02, 0.02, 0.98, 0.98};
const UvRect TOMB_FRONT_UV{0.01, 0.01, 0.74, 0.99};
const UvRect TOMB_SIDE_UV{0.79, 0.02, 0.98, 0.98};

using Placement = std::function<Vec3(const Vec3&)>;

// A unit sphere pushed in and out by noise: a lumpy stone of radius about 1.
TriangleSoup lumpySphere(int levels, double lumpiness, std::uint32_t seed) {
    TriangleSoup soup = icosphere(levels);
    for (Vec3& p : soup.positions) {
        const Vec3 q = p * 1.7;
        const double n = fractalNoise3(q.x + 10.0, q.y + 20.0, q.z + 30.0, 3, seed) - 0.5;
        p = p * (1.0 + lumpiness * n);
    }
    return soup;
}

// Texture coordinates from the face's dominant axis, in the stone's own space.
Vec2 facetUv(const Vec3& p, const Vec3& normal, const UvRect& uv) {
    const Vec2 flat = facingPlane(p, normal);
    return uv.at(std::clamp(flat.x * 0.35 + 0.5, 0.0, 1.0),
                 std::clamp(flat.y * 0.35 + 0.5, 0.0, 1.0));
}

// Every face gets its own corners, so the game shades the stone faceted.
void addFaceted(MeshBuilder& mesh, const TriangleSoup& soup, const Placement& place,
                const UvRect& uv) {
    addSoupFaces(mesh, soup, [&](int i, const Vec3& normal) {
        const Vec3& p = soup.positions[i];
        return Corner{mesh.addVertex(place(p)), facetUv(p, normal, uv)};
    });
}

void addBoulder(MeshBuilder& mesh, const Prop& prop, std::uint32_t seed) {
    TriangleSoup soup = lumpySphere(1, 0.6, seed);
    for (Vec3& p : soup.positions)
        p.y = std::max(p.y, -0.35);
    const Vec3 scale(prop.radius, prop.height * 0.75, prop.radius * 0.85);
    const Vec3 base = prop.base + Vec3(0, prop.height * 0.2, 0);
    addFaceted(
        mesh, soup,
        [&](const Vec3& p) {
            const Vec3 s(p.x * scale.x, p.y * scale.y, p.z * scale.z);
            return toMesh(base + Mat3::rotationY(radians(prop.turn)) * s);
        },
        STONE_UV);
}

// How thick a tombstone is, in the units of its outline.
const double TOMB_DEPTH = 0.22;

// Tombstone outline in its own plane: a slab with a round top, width 1, height
// 1.4, as a closed polygon running counter-clockwise seen from the front (-z).
std::vector<Vec2> tombOutline() {
    const double half = 0.5, shoulder = 0.9;
    std::vector<Vec2> outline = {{half, 0.0}, {-half, 0.0}, {-half, shoulder}};
    const int arc = 6;
    for (int i = 1; i < arc; ++i) {
        const double a = PI - PI * i / arc;
        outline.push_back({half * std::cos(a), shoulder + half * std::sin(a)});
    }
    outline.push_back({half, shoulder});
    return outline;
}

void addTombFaces(MeshBuilder& mesh, const std::vector<Vec2>& outline, const Placement& place) {
    for (double z : {-TOMB_DEPTH * 0.5, TOMB_DEPTH * 0.5}) {
        const bool front = z < 0.0;
        const UvRect& uv = front ? TOMB_FRONT_UV : TOMB_SIDE_UV;
        // Seen from the front +x is on the viewer's left, so s runs from +x to -x.
        auto corner = [&](const Vec2& p) {
            return Corner{mesh.addVertex(place(Vec3(p.x, p.y, z))),
                          uv.at(0.5 - p.x, 1.0 - p.y / 1.4)};
        };
        const Corner centre = corner(Vec2(0.0, 0.7));
        for (std::size_t i = 0; i < outline.size(); ++i) {
            const Corner a = corner(outline[i]), b = corner(outline[(i + 1) % outline.size()]);
            if (front)
                mesh.addTriangle(centre, a, b);
            else
                mesh.addTriangle(centre, b, a);
        }
    }
}

void addTombWalls(MeshBuilder& mesh, const std::vector<Vec2>& outline, const Placement& place) {
    // s 0 at the front face, 1 at the back.
    const auto corner = [&](const Vec2& p, double s) {
        return Corner{mesh.addVertex(place(Vec3(p.x, p.y, (s - 0.5) * TOMB_DEPTH))),
                      TOMB_SIDE_UV.at(s, 1.0 - p.y / 1.4)};
    };
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const Vec2 p = outline[i], q = outline[(i + 1) % outline.size()];
        const Corner a = corner(p, 0), b = corner(q, 0), c = corner(q, 1), d = corner(p, 1);
        mesh.addQuad(a, d, c, b);
    }
}

void addTombstone(MeshBuilder& mesh, const Prop& prop) {
    const double scale = 0.8 * prop.size;
    const Mat3 lean = Mat3::rotationY(radians(prop.turn)) * Mat3::rotationX(radians(-6.0));
    const Vec3 base = prop.base - Vec3(0, 0.12, 0);
    const Placement place = [&](const Vec3& p) { return toMesh(base + lean * (p * scale)); };
    const std::vector<Vec2> outline = tombOutline();
    addTombFaces(mesh, outline, place);
    addTombWalls(mesh, outline, place);
}

} // namespace

MeshBuilder buildRock() {
    MeshBuilder mesh;
    mesh.addMaterial({"stone", "stone.png", "", "", true});
    const TriangleSoup soup = lumpySphere(1, 0.5, 41);
    addFaceted(
        mesh, soup, [](const Vec3& p) { return Vec3(p.x * 0.55, p.y * 0.42, p.z * 0.5); },
        STONE_UV);
    return mesh;
}

MeshBuilder buildBoulders() {
    MeshBuilder mesh;
    mesh.addMaterial({"stone", "stone.png", "", "", true});
    std::uint32_t seed = 50;
    for (const Prop& prop : boulderPlaces())
        addBoulder(mesh, prop, seed++);
    return mesh;
}

MeshBuilder buildTombstones() {
    MeshBuilder mesh;
    mesh.addMaterial({"tombstone", "tombstone.png", "", "", true});
    for (const Prop& prop : tombstonePlaces())
        addTombstone(mesh, prop);
    return mesh;
}

namespace {

Color granite(double u, double v) {
    const double large = fractalNoise(u * 5.0, v * 5.0, 4, 401);
    const double speck = valueNoise(u * 90.0, v * 90.0, 402);
    Color c = mix(Color(0.60, 0.58, 0.54), Color(0.42, 0.40, 0.37), large);
    c = mix(c, Color(0.22, 0.21, 0.20), smoothstep(0.8, 0.9, speck) * 0.6);
    c = mix(c, Color(0.85, 0.83, 0.78),
            smoothstep(0.86, 0.95, valueNoise(u * 70.0, v * 70.0, 403)) * 0.5);
    const double lichen = smoothstep(0.62, 0.72, fractalNoise(u * 9.0, v * 9.0, 3, 404));
    return mix(c, Color(0.50, 0.56, 0.30), lichen * 0.55);
}

// Distance-like value of an ant silhouette engraved on the stone: below 0
// inside the engraving. s across (0..1), t down (0..1).
double antIcon(double s, double t) {
    auto ellipse = [&](double cx, double cy, double rx, double ry) {
        return std::hypot((s - cx) / rx, (t - cy) / ry) - 1.0;
    };
    auto line = [&](double ax, double ay, double bx, double by, double width) {
        const double dx = bx - ax, dy = by - ay;
        const double k = nearestShare({ax, ay}, {bx, by}, {s, t});
        return std::hypot(s - ax - dx * k, t - ay - dy * k) / width - 1.0;
    };
    double d = std::min({ellipse(0.5, 0.30, 0.06, 0.05), ellipse(0.5, 0.42, 0.045, 0.07),
                         ellipse(0.5, 0.62, 0.085, 0.12)});
    // Legs and antennae: (x off the middle, y) of both ends, and the width.
    const double strokes[][5] = {{0.0, 0.40, 0.16, 0.32, 0.012}, {0.16, 0.32, 0.2, 0.26, 0.012},
                                 {0.0, 0.43, 0.18, 0.46, 0.012}, {0.18, 0.46, 0.22, 0.52, 0.012},
                                 {0.0, 0.46, 0.15, 0.56, 0.012}, {0.15, 0.56, 0.17, 0.64, 0.012},
                                 {0.0, 0.27, 0.07, 0.19, 0.01},  {0.07, 0.19, 0.12, 0.17, 0.01}};
    for (double k : {-1.0, 1.0})
        for (const auto& stroke : strokes)
            d = std::min(
                d, line(0.5 + stroke[0] * k, stroke[1], 0.5 + stroke[2] * k, stroke[3], stroke[4]));
    const double frame = std::abs(std::hypot((s - 0.5) / 0.4, (t - 0.58) / 0.5) - 1.0) / 0.02 - 1.0;
    return std::min(d, frame);
}

Color tombFront(double s, double t) {
    const Color stone = granite(s * 0.8, t) * 0.95;
    const double e = antIcon(s, t);
    const double lower = antIcon(s, t - 0.012);
    Color c = stone;
    if (e < 0.0)
        c = stone * 0.5;
    else if (lower < 0.0)
        c = stone * 1.25;
    const double moss = smoothstep(0.72, 1.0, t) * fractalNoise(s * 12.0, t * 12.0, 3, 405);
    return mix(c, Color(0.28, 0.38, 0.16), smoothstep(0.3, 0.6, moss));
}

} // namespace

Image paintStoneTexture() {
    return paint(256, 256, false, granite);
}

Image paintTombstoneTexture() {
    return paint(256, 256, false, [](double u, double v) {
        if (u < 0.765)
            return tombFront((u - TOMB_FRONT_UV.u0) / (TOMB_FRONT_UV.u1 - TOMB_FRONT_UV.u0), v);
        return granite(u, v) * 0.9;
    });
}

} // namespace assetgen
