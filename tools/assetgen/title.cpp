#include "tools/assetgen/title.h"

#include "app/title_layout.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "tools/assetgen/noise.h"
#include "tools/assetgen/primitives.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace assetgen {

namespace {

// The texture maps the text's bounding box (font units) straight onto the
// front region, where the letters are polished gold with a dark rim and a bevel
// lit from the upper right (where the light comes from as the title camera sees
// it); the side walls use a plain bronze region.
const UvRect FRONT_UV{0.004, 0.02, 0.80, 0.98};
const UvRect SIDE_UV{0.84, 0.02, 0.996, 0.98};

struct FontBox {
    Vec2 low;
    Vec2 high;
    // Where a font point lies on the front region of the texture.
    Vec2 frontUv(const Vec2& p) const {
        return FRONT_UV.at((p.x - low.x) / (high.x - low.x), (high.y - p.y) / (high.y - low.y));
    }
};

FontBox boundsOf(const Outline& outline) {
    FontBox box{Vec2(1e30, 1e30), Vec2(-1e30, -1e30)};
    for (const auto& contour : outline.contours)
        for (const Vec2& p : contour) {
            box.low = {std::min(box.low.x, p.x), std::min(box.low.y, p.y)};
            box.high = {std::max(box.high.x, p.x), std::max(box.high.y, p.y)};
        }
    return box;
}

const int WIDTH = 1024;
const int HEIGHT = 256;
const Color RIM{0.30, 0.13, 0.03};

struct Segment {
    Vec2 a, b;
};

// Non-zero winding: whether the outline fills the point.
bool filled(const Outline& outline, const Vec2& p) {
    int winding = 0;
    for (const auto& contour : outline.contours)
        for (std::size_t i = 0; i < contour.size(); ++i) {
            const Vec2& a = contour[i];
            const Vec2& b = contour[(i + 1) % contour.size()];
            const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
            if (a.y <= p.y && b.y > p.y && side > 0.0)
                ++winding;
            else if (a.y > p.y && b.y <= p.y && side < 0.0)
                --winding;
        }
    return winding != 0;
}

// An edge where overlapping strokes meet lies inside the letters: just outside
// its middle the outline is still filled.
bool onBoundary(const Outline& outline, const Segment& s) {
    const Vec2 d = s.b - s.a;
    const double length = d.length();
    if (length == 0.0)
        return false;
    const Vec2 middle = (s.a + s.b) * 0.5;
    const Vec2 normal(-d.y / length, d.x / length);
    const double step = length * 0.05 + 1.0;
    return filled(outline, middle + normal * step) != filled(outline, middle - normal * step);
}

// The edges the bevel follows: those between the letters and the background.
std::vector<Segment> boundaryEdges(const Outline& outline) {
    std::vector<Segment> edges;
    for (const auto& contour : outline.contours)
        for (std::size_t i = 0; i < contour.size(); ++i) {
            const Segment s{contour[i], contour[(i + 1) % contour.size()]};
            if (onBoundary(outline, s))
                edges.push_back(s);
        }
    return edges;
}

// Distance to the nearest edge (at most `radius`) and the unit direction towards it.
double nearestEdge(const std::vector<Segment>& edges, const Vec2& p, double radius, Vec2& towards) {
    double best = radius;
    towards = Vec2(0, 0);
    for (const Segment& s : edges) {
        const Vec2 closest = s.a + (s.b - s.a) * nearestShare(s.a, s.b, p);
        const double d = (closest - p).length();
        if (d < best && d > 0.0) {
            best = d;
            towards = (closest - p) * (1.0 / d);
        }
    }
    return best;
}

// Marks the texels whose centres the cap triangles cover.
std::vector<bool> coverage(const Triangulation& caps, const FontBox& box) {
    std::vector<bool> inside(static_cast<std::size_t>(WIDTH) * HEIGHT, false);
    for (const auto& t : caps.triangles) {
        Vec2 p[3];
        for (int i = 0; i < 3; ++i) {
            const Vec2 uv = box.frontUv(caps.points[t[i]]);
            p[i] = {uv.x * WIDTH - 0.5, uv.y * HEIGHT - 0.5};
        }
        const double area =
            (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y);
        if (area == 0.0)
            continue;
        const auto [left, right] = std::minmax({p[0].x, p[1].x, p[2].x});
        const auto [bottom, top] = std::minmax({p[0].y, p[1].y, p[2].y});
        const int x0 = std::max(0, int(std::floor(left))),
                  x1 = std::min(WIDTH - 1, int(std::ceil(right)));
        const int y0 = std::max(0, int(std::floor(bottom))),
                  y1 = std::min(HEIGHT - 1, int(std::ceil(top)));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                double w[3];
                for (int i = 0; i < 3; ++i) {
                    const Vec2& a = p[(i + 1) % 3];
                    const Vec2& b = p[(i + 2) % 3];
                    w[i] = ((b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y)) / area;
                }
                if (w[0] >= 0.0 && w[1] >= 0.0 && w[2] >= 0.0)
                    inside[static_cast<std::size_t>(y) * WIDTH + x] = true;
            }
    }
    return inside;
}

Color gold(double height) {
    Color c = mix(Color(1.0, 0.88, 0.42), Color(0.84, 0.40, 0.06), smoothstep(0.05, 0.95, height));
    return mix(c, Color(1.0, 0.97, 0.78), std::exp(-std::pow((height - 0.32) / 0.06, 2.0)) * 0.4);
}

Color letter(const std::vector<Segment>& edges, const Vec2& p, double v, double bevelWidth) {
    Vec2 towards;
    const double d = nearestEdge(edges, p, bevelWidth, towards);
    const double bevel = 1.0 - smoothstep(0.0, bevelWidth, d);
    const double facing = (towards.x + towards.y) * std::sqrt(0.5);
    Color c = gold(v) * (1.0 + 0.55 * bevel * facing);
    const double rim = 1.0 - smoothstep(bevelWidth * 0.12, bevelWidth * 0.35, d);
    return mix(c, RIM, rim * 0.8);
}

Color side(double u, double v) {
    const double grain = fractalNoise(u * 60.0, v * 8.0, 3, 71);
    return mix(Color(0.55, 0.30, 0.08), Color(0.30, 0.13, 0.03), v) * (0.85 + 0.3 * grain);
}

Image paintTitleTexture(const Outline& outline, const Triangulation& caps, const FontBox& box) {
    const double boxHeight = box.high.y - box.low.y;
    const double bevelWidth = boxHeight * 0.045;
    const std::vector<Segment> edges = boundaryEdges(outline);
    const std::vector<bool> inside = coverage(caps, box);
    const UvRect& f = FRONT_UV;
    return paint(WIDTH, HEIGHT, false, [&](double u, double v) {
        if (u >= SIDE_UV.u0 - 0.02)
            return side(u, v);
        const double s = (u - f.u0) / (f.u1 - f.u0), t = (v - f.v0) / (f.v1 - f.v0);
        const Vec2 p(box.low.x + s * (box.high.x - box.low.x), box.high.y - t * boxHeight);
        // The sizes are powers of two, so u and v scale back to whole texels.
        const bool in = inside[std::size_t(v * HEIGHT) * WIDTH + std::size_t(u * WIDTH)];
        return in ? letter(edges, p, t, bevelWidth) : RIM;
    });
}

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
        const double cosine = dot(before, after) / (before.length() * after.length());
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
            const Corner a{w[i].outFront, SIDE_UV.at(0.0, vi)},
                b{w[j].inFront, SIDE_UV.at(0.0, vj)};
            const Corner c{w[j].inBack, SIDE_UV.at(1.0, vj)}, d{w[i].outBack, SIDE_UV.at(1.0, vi)};
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

namespace assetgen::title {

namespace {

Vec3 fromGame(const Kestrel::Vector3& v) {
    return {v.x, v.y, v.z};
}

const Vec3 EYE = fromGame(TITLE_CAMERA_EYE);
const Vec3 ANT_POSITION = fromGame(TITLE_ANT_POSITION);

// The camera looks at the origin with heading 0, along +z, so the screen's
// right is world -x.
const Vec3 FORWARD = (Vec3(0, 0, 0) - EYE).normalized();
const Vec3 RIGHT(-1, 0, 0);
const Vec3 UP = cross(RIGHT, FORWARD);
const double HALF_FIELD_TANGENT = std::tan(radians(Kestrel::OpenGLRenderDevice::FIELD_OF_VIEW / 2));

} // namespace

Vec3 worldAt(const Vec2& screen, double planeZ) {
    const double t = HALF_FIELD_TANGENT;
    const Vec3 ray =
        FORWARD + RIGHT * ((screen.x * 2.0 - 1.0) * t) + UP * ((screen.y * 2.0 - 1.0) * t);
    return EYE + ray * ((planeZ - EYE.z) / ray.z);
}

Vec3 antMeshPoint(const Vec3& world) {
    const Mat3 heading = Mat3::rotationY(radians(TITLE_ANT_HEADING));
    return heading.transposed() * (world - ANT_POSITION);
}

} // namespace assetgen::title
