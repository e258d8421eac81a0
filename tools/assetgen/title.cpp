#include "tools/assetgen/title.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

// Width of the word as it should appear, in mesh units (the entity doubles it).
const double APPARENT_WIDTH = 2.6;
const double DEPTH = 0.13;

// Font units to the mesh's x-y plane. The title camera's square projection is
// stretched over the 4:3 window, so x is narrowed to keep the letters' shape;
// x is also negated because that camera sees world +x on its left.
struct Placement {
    explicit Placement(const Outline& outline)
        : box(boundsOf(outline)), scale(APPARENT_WIDTH / (box.high.x - box.low.x)) {}

    FontBox box;
    double scale;

    Vec2 map(const Vec2& p) const {
        const Vec2 centre = (box.low + box.high) * 0.5;
        return {-(p.x - centre.x) * scale / title::SCREEN_ASPECT, (p.y - centre.y) * scale};
    }
    double v(const Vec2& p) const { return (box.high.y - p.y) / (box.high.y - box.low.y); }
};

Vec3 at(const Vec2& p, double z) {
    return {p.x, p.y, z};
}

void addCaps(MeshBuilder& mesh, const Triangulation& caps, const Placement& placement) {
    for (double z : {-DEPTH * 0.5, DEPTH * 0.5}) {
        std::vector<int> vertices;
        for (const Vec2& p : caps.points)
            vertices.push_back(mesh.addVertex(at(placement.map(p), z)));
        const bool front = z < 0.0;
        for (const auto& t : caps.triangles) {
            Corner c[3];
            for (int i = 0; i < 3; ++i)
                c[i] = {vertices[t[i]], placement.box.frontUv(caps.points[t[i]])};
            const Vec3 a = mesh.position(c[0].vertex);
            const double facing =
                cross(mesh.position(c[1].vertex) - a, mesh.position(c[2].vertex) - a).z;
            if ((facing < 0.0) == front)
                mesh.addTriangle(c[0], c[1], c[2]);
            else
                mesh.addTriangle(c[0], c[2], c[1]);
        }
    }
}

// Front and back vertices of one contour point on the incoming and the
// outgoing wall; the same pair where the outline runs on smoothly.
struct WallPoint {
    int inFront, inBack, outFront, outBack;
};

std::vector<WallPoint> wallPoints(MeshBuilder& mesh, const std::vector<Vec2>& q) {
    const std::size_t n = q.size();
    std::vector<WallPoint> points;
    for (std::size_t i = 0; i < n; ++i) {
        const Vec2 before = q[i] - q[(i + n - 1) % n], after = q[(i + 1) % n] - q[i];
        const double cosine =
            (before.x * after.x + before.y * after.y) / (before.length() * after.length());
        WallPoint w;
        w.inFront = mesh.addVertex(at(q[i], -DEPTH * 0.5));
        w.inBack = mesh.addVertex(at(q[i], DEPTH * 0.5));
        const bool smooth = cosine > std::cos(radians(40.0));
        w.outFront = smooth ? w.inFront : mesh.addVertex(at(q[i], -DEPTH * 0.5));
        w.outBack = smooth ? w.inBack : mesh.addVertex(at(q[i], DEPTH * 0.5));
        points.push_back(w);
    }
    return points;
}

void addWalls(MeshBuilder& mesh, const Outline& outline, const Placement& placement) {
    for (const auto& contour : outline.contours) {
        std::vector<Vec2> q;
        for (const Vec2& p : contour)
            q.push_back(placement.map(p));
        const std::vector<WallPoint> w = wallPoints(mesh, q);
        const std::size_t n = q.size();
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t j = (i + 1) % n;
            const Vec2 font = contour[j] - contour[i];
            // Outwards in font units, then carried through the mirroring map.
            const Vec2 outward =
                outline.fillOnRight ? Vec2(-font.y, font.x) : Vec2(font.y, -font.x);
            const Vec2 edge = q[j] - q[i];
            const bool keep = (-outward.x) * edge.y + outward.y * (-edge.x) > 0.0;
            const double vi = placement.v(contour[i]), vj = placement.v(contour[j]);
            const Corner a{w[i].outFront, TITLE_SIDE_UV.at(0.0, vi)},
                b{w[j].inFront, TITLE_SIDE_UV.at(0.0, vj)};
            const Corner c{w[j].inBack, TITLE_SIDE_UV.at(1.0, vj)},
                d{w[i].outBack, TITLE_SIDE_UV.at(1.0, vi)};
            if (keep)
                mesh.addQuad(a, b, c, d);
            else
                mesh.addQuad(a, d, c, b);
        }
    }
}

} // namespace

TitleAssets buildTitle(const std::string& fontPath, const std::string& text) {
    const Outline outline = textOutline(fontPath, text);
    const Triangulation caps = triangulate(outline);
    const Placement placement(outline);
    TitleAssets title{MeshBuilder(), paintTitleTexture(outline, caps, placement.box)};
    title.mesh.addMaterial({"gold", "title.png", "lit.vert", "title.frag"});
    addCaps(title.mesh, caps, placement);
    addWalls(title.mesh, outline, placement);
    return title;
}

} // namespace assetgen
