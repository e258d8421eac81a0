#include "tools/assetgen/title.h"

#include "tools/assetgen/noise.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace assetgen {

Vec2 FontBox::frontUv(const Vec2& p) const {
    return TITLE_FRONT_UV.at((p.x - low.x) / (high.x - low.x), (high.y - p.y) / (high.y - low.y));
}

FontBox boundsOf(const Outline& outline) {
    FontBox box{Vec2(1e30, 1e30), Vec2(-1e30, -1e30)};
    for (const auto& contour : outline.contours)
        for (const Vec2& p : contour) {
            box.low = {std::min(box.low.x, p.x), std::min(box.low.y, p.y)};
            box.high = {std::max(box.high.x, p.x), std::max(box.high.y, p.y)};
        }
    return box;
}

namespace {

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

Vec2 closestPoint(const Segment& s, const Vec2& p) {
    const Vec2 ab = s.b - s.a, ap = p - s.a;
    const double len2 = ab.x * ab.x + ab.y * ab.y;
    const double t = len2 > 0.0 ? std::clamp((ap.x * ab.x + ap.y * ab.y) / len2, 0.0, 1.0) : 0.0;
    return s.a + ab * t;
}

// Distance to the nearest edge (at most `radius`) and the unit direction towards it.
double nearestEdge(const std::vector<Segment>& edges, const Vec2& p, double radius, Vec2& towards) {
    double best = radius;
    towards = Vec2(0, 0);
    for (const Segment& s : edges) {
        const Vec2 closest = closestPoint(s, p);
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

} // namespace

Image paintTitleTexture(const Outline& outline, const Triangulation& caps, const FontBox& box) {
    const double boxHeight = box.high.y - box.low.y;
    const double bevelWidth = boxHeight * 0.045;
    const std::vector<Segment> edges = boundaryEdges(outline);
    const std::vector<bool> inside = coverage(caps, box);
    const UvRect& f = TITLE_FRONT_UV;
    return paint(WIDTH, HEIGHT, false, [&](double u, double v) {
        if (u >= TITLE_SIDE_UV.u0 - 0.02)
            return side(u, v);
        const double s = (u - f.u0) / (f.u1 - f.u0), t = (v - f.v0) / (f.v1 - f.v0);
        const Vec2 p(box.low.x + s * (box.high.x - box.low.x), box.high.y - t * boxHeight);
        // The sizes are powers of two, so u and v scale back to whole texels.
        const bool in = inside[std::size_t(v * HEIGHT) * WIDTH + std::size_t(u * WIDTH)];
        return in ? letter(edges, p, t, bevelWidth) : RIM;
    });
}

} // namespace assetgen
