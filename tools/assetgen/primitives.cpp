#include "tools/assetgen/primitives.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace assetgen {

namespace {

// Right and up vectors across a direction, with up as close to upHint as possible.
void frameAcross(const Vec3& direction, const Vec3& upHint, Vec3& right, Vec3& up) {
    const Vec3 t = direction.normalized();
    Vec3 r = cross(upHint, t);
    if (r.length() < 1e-9)
        r = cross(Vec3(0, 0, 1), t);
    right = r.normalized();
    up = cross(t, right);
}

void weigh(MeshBuilder& mesh, int vertex, const Influences& weights) {
    for (const Influence& w : weights)
        mesh.addWeight(vertex, w.bone, w.weight);
}

int addRingVertices(MeshBuilder& mesh, const Ring& ring, int sides) {
    // A triangle would look a quarter thinner than its radius from above: it
    // stands on an edge, so that it reaches no lower than the ring, and is
    // widened to the full width across.
    const bool triangle = sides == 3;
    const double start = triangle ? PI / 2.0 : 0.0;
    const double widen = triangle ? 2.0 / std::sqrt(3.0) : 1.0;
    const int first = mesh.vertexCount();
    for (int j = 0; j < sides; ++j) {
        const double angle = start + 2.0 * PI * j / sides;
        const Vec3 p = ring.centre + ring.right * (widen * ring.rx * std::cos(angle)) +
                       ring.up * (widen * ring.ry * std::sin(angle));
        weigh(mesh, mesh.addVertex(p), ring.weights);
    }
    return first;
}

Corner ringCorner(int first, int j, int sides, const UvRect& uv, double v) {
    return {first + j % sides, uv.at(static_cast<double>(j) / sides, v)};
}

void addBand(MeshBuilder& mesh, int a, int b, double va, double vb, int sides, const UvRect& uv) {
    for (int j = 0; j < sides; ++j) {
        mesh.addQuad(ringCorner(a, j, sides, uv, va), ringCorner(a, j + 1, sides, uv, va),
                     ringCorner(b, j + 1, sides, uv, vb), ringCorner(b, j, sides, uv, vb));
    }
}

void addPole(MeshBuilder& mesh, int ring, double vRing, const Cap& cap, double vTip, int sides,
             const UvRect& uv, bool atStart) {
    const int tip = mesh.addVertex(cap.tip);
    weigh(mesh, tip, cap.weights);
    for (int j = 0; j < sides; ++j) {
        const Corner t{tip, uv.at((j + 0.5) / sides, vTip)};
        const Corner a = ringCorner(ring, j, sides, uv, vRing);
        const Corner b = ringCorner(ring, j + 1, sides, uv, vRing);
        if (atStart)
            mesh.addTriangle(t, b, a);
        else
            mesh.addTriangle(a, b, t);
    }
}

} // namespace

std::vector<Ring> ringsAlongPath(const std::vector<PathPoint>& path, const Vec3& upHint,
                                 const Influences& weights) {
    std::vector<double> arc(path.size(), 0.0);
    for (std::size_t i = 1; i < path.size(); ++i)
        arc[i] = arc[i - 1] + (path[i].centre - path[i - 1].centre).length();
    std::vector<Ring> rings;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const Vec3& before = path[i == 0 ? 0 : i - 1].centre;
        const Vec3& after = path[i + 1 == path.size() ? i : i + 1].centre;
        Vec3 right, up;
        frameAcross(after - before, upHint, right, up);
        rings.push_back({path[i].centre, right, up, path[i].rx, path[i].ry,
                         arc.back() > 0.0 ? arc[i] / arc.back() : 0.0, weights});
    }
    return rings;
}

VertexRange addLoft(MeshBuilder& mesh, const std::vector<Ring>& rings, int sides, const UvRect& uv,
                    const Cap& start, const Cap& end) {
    VertexRange range{mesh.vertexCount(), 0};
    std::vector<int> firsts;
    for (const Ring& ring : rings)
        firsts.push_back(addRingVertices(mesh, ring, sides));
    for (std::size_t i = 0; i + 1 < rings.size(); ++i)
        addBand(mesh, firsts[i], firsts[i + 1], rings[i].v, rings[i + 1].v, sides, uv);
    if (start.closed)
        addPole(mesh, firsts.front(), rings.front().v, start, 0.0, sides, uv, true);
    if (end.closed)
        addPole(mesh, firsts.back(), rings.back().v, end, 1.0, sides, uv, false);
    range.count = mesh.vertexCount() - range.first;
    return range;
}

VertexRange addEllipsoid(MeshBuilder& mesh, const Ellipsoid& shape, const UvRect& uv,
                         const Influences& weights) {
    const Mat3& o = shape.orientation;
    const Vec3 ax = o * Vec3(1, 0, 0), ay = o * Vec3(0, 1, 0), az = o * Vec3(0, 0, 1);
    std::vector<Ring> rings;
    for (int i = 0; i < shape.rings; ++i) {
        const double phi = std::min(PI * (i + 1) / (shape.rings + 1), shape.polarEnd);
        rings.push_back({shape.centre - az * (std::cos(phi) * shape.radii.z), ax, ay,
                         std::sin(phi) * shape.radii.x, std::sin(phi) * shape.radii.y, phi / PI,
                         weights});
        if (phi >= shape.polarEnd)
            break;
    }
    const Cap start{true, shape.centre - az * shape.radii.z, weights};
    const Cap end{shape.polarEnd >= PI, shape.centre + az * shape.radii.z, weights};
    return addLoft(mesh, rings, shape.sides, uv, start, end);
}

void deform(MeshBuilder& mesh, const VertexRange& range, const std::function<Vec3(Vec3)>& f) {
    for (int i = range.first; i < range.first + range.count; ++i)
        mesh.setPosition(i, f(mesh.position(i)));
}

namespace {

int midpoint(TriangleSoup& soup, std::map<std::pair<int, int>, int>& cache, int a, int b) {
    const auto key = std::make_pair(std::min(a, b), std::max(a, b));
    const auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    soup.positions.push_back(((soup.positions[a] + soup.positions[b]) * 0.5).normalized());
    const int index = static_cast<int>(soup.positions.size()) - 1;
    cache[key] = index;
    return index;
}

TriangleSoup icosahedron() {
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    TriangleSoup soup;
    const Vec3 corners[12] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                              {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                              {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (const Vec3& c : corners)
        soup.positions.push_back(c.normalized());
    soup.triangles = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                      {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                      {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                      {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    return soup;
}

} // namespace

TriangleSoup icosphere(int levels) {
    TriangleSoup soup = icosahedron();
    for (int level = 0; level < levels; ++level) {
        std::map<std::pair<int, int>, int> cache;
        std::vector<std::array<int, 3>> finer;
        for (const auto& tri : soup.triangles) {
            const int ab = midpoint(soup, cache, tri[0], tri[1]);
            const int bc = midpoint(soup, cache, tri[1], tri[2]);
            const int ca = midpoint(soup, cache, tri[2], tri[0]);
            finer.push_back({tri[0], ab, ca});
            finer.push_back({tri[1], bc, ab});
            finer.push_back({tri[2], ca, bc});
            finer.push_back({ab, bc, ca});
        }
        soup.triangles = finer;
    }
    return soup;
}

Vec2 facingPlane(const Vec3& p, const Vec3& normal) {
    const double ax = std::abs(normal.x), ay = std::abs(normal.y), az = std::abs(normal.z);
    if (ax >= ay && ax >= az)
        return {p.z, p.y};
    return ay >= az ? Vec2(p.x, p.z) : Vec2(p.x, p.y);
}

} // namespace assetgen
