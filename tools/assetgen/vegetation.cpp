#include "tools/assetgen/vegetation.h"

#include "tools/assetgen/landscape.h"
#include "tools/assetgen/noise.h"
#include "tools/assetgen/primitives.h"

#include <cmath>

namespace assetgen {

namespace {

const UvRect BARK_UV{0.02, 0.02, 0.47, 0.98};
const UvRect LEAVES_UV{0.53, 0.02, 0.98, 0.98};
const Vec3 UP{0, 1, 0};

// Tree parts are modelled in tree units (about 10 high), then placed.
struct TreeFrame {
    const Prop& prop;
    Vec3 toWorld(const Vec3& p) const {
        return prop.base + Mat3::rotationY(radians(prop.turn)) * (p * prop.size);
    }
    Vec3 toMesh(const Vec3& p) const { return assetgen::toMesh(toWorld(p)); }
};

void addLimb(MeshBuilder& mesh, const TreeFrame& f, const std::vector<PathPoint>& path, int sides) {
    std::vector<PathPoint> placed;
    for (const PathPoint& p : path)
        placed.push_back(
            {f.toMesh(p.centre), p.rx / 20.0 * f.prop.size, p.ry / 20.0 * f.prop.size});
    // Radii are given in world units; the vertical scale of the level squeezes
    // only y, which a trunk's rings hardly span.
    const Vec3 tip =
        placed.back().centre + (placed.back().centre - placed[placed.size() - 2].centre) * 0.25;
    addLoft(mesh, ringsAlongPath(placed, Vec3(0, 0, 1), {}), sides, BARK_UV, Cap{},
            Cap{true, tip, {}});
}

void addTrunk(MeshBuilder& mesh, const TreeFrame& f) {
    addLimb(mesh, f,
            {{Vec3(0, -0.4, 0), 0.62, 0.62},
             {Vec3(0.1, 1.2, 0.05), 0.42, 0.42},
             {Vec3(-0.05, 3.0, 0.1), 0.34, 0.34},
             {Vec3(0.12, 4.6, 0.0), 0.26, 0.26},
             {Vec3(0.05, 6.0, -0.05), 0.16, 0.16}},
            6);
    addLimb(mesh, f,
            {{Vec3(0.05, 3.6, 0.05), 0.2, 0.2},
             {Vec3(1.1, 4.7, 0.3), 0.13, 0.13},
             {Vec3(1.9, 5.3, 0.5), 0.08, 0.08}},
            4);
    addLimb(mesh, f,
            {{Vec3(0.0, 4.2, 0.0), 0.18, 0.18},
             {Vec3(-0.9, 5.1, -0.6), 0.12, 0.12},
             {Vec3(-1.5, 5.8, -1.1), 0.07, 0.07}},
            4);
}

void addCrownBlob(MeshBuilder& mesh, const TreeFrame& f, const Vec3& centre, double radius,
                  std::uint32_t seed) {
    TriangleSoup soup = icosphere(1);
    std::vector<int> vertices;
    for (const Vec3& p : soup.positions) {
        const double n = fractalNoise3(p.x * 1.6 + 3.0, p.y * 1.6, p.z * 1.6, 2, seed) - 0.5;
        const Vec3 local = centre + Vec3(p.x, p.y * 0.8, p.z) * (radius * (1.0 + 0.6 * n));
        vertices.push_back(mesh.addVertex(f.toMesh(local)));
    }
    // Each face projects the texture along its own dominant axis; corners
    // still share their vertex, so the crown stays smoothly shaded.
    addSoupFaces(mesh, soup, [&](int i, const Vec3& normal) {
        const Vec2 flat = facingPlane(soup.positions[i], normal);
        return Corner{vertices[i], LEAVES_UV.at(flat.x * 0.45 + 0.5, 0.5 - flat.y * 0.45)};
    });
}

void addCrown(MeshBuilder& mesh, const TreeFrame& f, std::uint32_t seed) {
    const Vec3 blobs[] = {{0.2, 7.0, 0.2}, {1.7, 5.9, 0.6}, {-1.5, 6.1, -0.9}};
    const double radii[] = {2.7, 2.0, 2.0};
    for (int i = 0; i < 3; ++i)
        addCrownBlob(mesh, f, blobs[i], radii[i], seed + i);
}

struct Tuft {
    Vec3 base;
    double width, height, turn;
    int variant;
};

// Three cards of blades round the tuft's centre, each leaning outwards so that
// the tuft still shows from the steep game camera; v runs from the tips (0) to
// the roots (1).
void addTuft(MeshBuilder& mesh, const Tuft& t) {
    const double u0 = t.variant == 0 ? 0.02 : 0.52;
    for (int card = 0; card < 3; ++card) {
        const double angle = radians(t.turn + 120.0 * card);
        const Vec3 out(std::cos(angle), 0, std::sin(angle));
        const Vec3 across = Vec3(-out.z, 0, out.x) * (t.width * 0.5);
        const Vec3 foot = t.base + out * (t.width * 0.12) - Vec3(0, 0.06, 0);
        const Vec3 top = foot + Vec3(0, t.height, 0) + out * (t.height * 0.55);
        const Corner a{mesh.addVertex(toMesh(foot - across)), {u0, 1.0}};
        const Corner b{mesh.addVertex(toMesh(foot + across)), {u0 + 0.46, 1.0}};
        const Corner c{mesh.addVertex(toMesh(top + across * 1.2)), {u0 + 0.46, 0.0}};
        const Corner d{mesh.addVertex(toMesh(top - across * 1.2)), {u0, 0.0}};
        mesh.addQuad(a, b, c, d);
    }
}

// A point at distance d outside the grid, at position s (0..80) round it.
Vec2 aroundGrid(double s, double d) {
    const double side = std::floor(s / 20.0), t = s - side * 20.0;
    switch (static_cast<int>(side) % 4) {
    case 0:
        return {-2.0 + t, -2.0 - d};
    case 1:
        return {18.0 + d, -2.0 + t};
    case 2:
        return {18.0 - t, 18.0 + d};
    default:
        return {-2.0 - d, 18.0 - t};
    }
}

std::vector<Tuft> tuftPlaces() {
    Random random(77);
    std::vector<Tuft> tufts;
    while (tufts.size() < 110) {
        const double s = random.range(0.0, 80.0), d = 0.9 + 4.1 * std::pow(random.uniform(), 1.5);
        const Vec2 p = aroundGrid(s, d);
        const double width = random.range(0.6, 1.0), height = random.range(0.3, 0.6);
        const double turn = random.range(0.0, 60.0);
        const int variant = random.uniform() < 0.5 ? 0 : 1;
        if (!grassAllowed(p.x, p.y))
            continue;
        tufts.push_back({Vec3(p.x, landscapeHeight(p.x, p.y), p.y), width, height, turn, variant});
    }
    return tufts;
}

} // namespace

MeshBuilder buildTrees() {
    MeshBuilder mesh;
    mesh.addMaterial({"bark", "tree.png", "", "", true});
    mesh.addMaterial({"leaves", "tree.png", "lit.vert", "foliage.frag", true});
    std::uint32_t seed = 600;
    for (const Prop& prop : treePlaces()) {
        const TreeFrame frame{prop};
        mesh.useMaterial("bark");
        addTrunk(mesh, frame);
        mesh.useMaterial("leaves");
        addCrown(mesh, frame, seed);
        seed += 10;
    }
    return mesh;
}

MeshBuilder buildGrass() {
    MeshBuilder mesh;
    mesh.addMaterial({"grass", "grass.png", "grass.vert", "grass.frag"});
    for (const Tuft& tuft : tuftPlaces())
        addTuft(mesh, tuft);
    return mesh;
}

namespace {

Color bark(double s, double t) {
    const double fissures = fractalNoise(s * 10.0, t * 1.5, 4, 611, 10);
    const double grain = fractalNoise(s * 40.0, t * 6.0, 2, 612, 40);
    Color c =
        mix(Color(0.40, 0.31, 0.22), Color(0.20, 0.14, 0.10), smoothstep(0.35, 0.6, fissures));
    return c * (0.8 + 0.4 * grain);
}

Color leaves(double s, double t) {
    const double clusters = cellDistance(s * 9.0, t * 9.0, 621);
    const double light = fractalNoise(s * 4.0, t * 4.0, 3, 622);
    Color c =
        mix(Color(0.30, 0.50, 0.14), Color(0.12, 0.27, 0.07), smoothstep(0.15, 0.6, clusters));
    c = mix(c, Color(0.55, 0.62, 0.20), smoothstep(0.55, 0.8, light) * 0.5);
    return c * (0.85 + 0.3 * valueNoise(s * 60.0, t * 60.0, 623));
}

struct Blade {
    Vec2 root, tip;
    double bend, width;
};

// Distance from (x, y) to a blade's curve (a quadratic from root to tip), and
// the position along it (0 at the root).
double bladeDistance(const Blade& b, double x, double y, double& along) {
    double best = 1e9;
    const Vec2 mid = (b.root + b.tip) * 0.5 + Vec2(b.bend, 0.0);
    Vec2 previous = b.root;
    for (int i = 1; i <= 8; ++i) {
        const double k = i / 8.0, u = 1.0 - k;
        const Vec2 p = b.root * (u * u) + mid * (2.0 * u * k) + b.tip * (k * k);
        const double h = nearestShare(previous, p, Vec2(x, y));
        const double dist = (Vec2(x, y) - previous - (p - previous) * h).length();
        if (dist < best) {
            best = dist;
            along = (i - 1 + h) / 8.0;
        }
        previous = p;
    }
    return best;
}

std::vector<Blade> blades(int variant) {
    Random random(700 + variant);
    std::vector<Blade> result;
    const double left = variant == 0 ? 10.0 : 138.0;
    for (int i = 0; i < 22; ++i) {
        const double x = left + random.range(0.0, 108.0);
        const double lean = random.range(-30.0, 30.0);
        result.push_back({Vec2(x, 127.0), Vec2(x + lean, random.range(8.0, 60.0)),
                          random.range(-14.0, 14.0), random.range(1.6, 3.2)});
    }
    return result;
}

Color grassPixel(const std::vector<Blade>& all, double x, double y) {
    double coverage = 0.0, along = 0.0;
    for (const Blade& b : all) {
        double a = 0.0;
        const double d = bladeDistance(b, x, y, a);
        const double width = b.width * (1.0 - 0.8 * a);
        const double cover = 1.0 - smoothstep(width - 0.7, width + 0.7, d);
        if (cover > coverage) {
            coverage = cover;
            along = a;
        }
    }
    const Color colour = mix(Color(0.20, 0.34, 0.10), Color(0.60, 0.68, 0.26), along);
    return colour.withAlpha(coverage);
}

} // namespace

Image paintTreeTexture() {
    return paint(256, 256, false, [](double u, double v) {
        return u < 0.5 ? bark(u * 2.0, v) : leaves(u * 2.0 - 1.0, v);
    });
}

Image paintGrassTexture() {
    std::vector<Blade> all = blades(0);
    for (const Blade& b : blades(1))
        all.push_back(b);
    // Blades are laid out in pixels; u and v scale back to them exactly.
    return paint(256, 128, true,
                 [&](double u, double v) { return grassPixel(all, u * 256.0, v * 128.0); });
}

} // namespace assetgen
