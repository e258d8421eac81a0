// Shape builders that emit skinned, textured geometry into a MeshBuilder:
// lofts (rings of elliptic cross-section along a path, optionally closed by
// poles), ellipsoids, and subdivided, displaced icosahedra for stones and
// foliage. Positions are in the coordinates of the mesh being built.
#pragma once

#include "tools/assetgen/mesh_builder.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace assetgen {

struct Influence {
    std::string bone;
    double weight;
};
using Influences = std::vector<Influence>;

// A region of the texture; s and t in [0, 1] map into it.
struct UvRect {
    double u0 = 0.0, v0 = 0.0, u1 = 1.0, v1 = 1.0;
    Vec2 at(double s, double t) const { return {u0 + (u1 - u0) * s, v0 + (v1 - v0) * t}; }
};

// One cross-section: (right, up, direction of the path) must be right-handed.
struct Ring {
    Vec3 centre;
    Vec3 right;
    Vec3 up;
    double rx = 0.0;
    double ry = 0.0;
    double v = 0.0; // texture t of this ring within the UvRect
    Influences weights;
};

struct Cap {
    bool closed = false;
    Vec3 tip;
    Influences weights;
};

struct PathPoint {
    Vec3 centre;
    double rx;
    double ry;
};

// Range of vertices a builder added, for later deformation.
struct VertexRange {
    int first = 0;
    int count = 0;
};

// Rings along a polyline; texture t runs from 0 to 1 by arc length.
std::vector<Ring> ringsAlongPath(const std::vector<PathPoint>& path, const Vec3& upHint,
                                 const Influences& weights);

VertexRange addLoft(MeshBuilder& mesh, const std::vector<Ring>& rings, int sides, const UvRect& uv,
                    const Cap& start, const Cap& end);

struct Ellipsoid {
    Vec3 centre;
    Vec3 radii;       // along the columns of orientation
    Mat3 orientation; // columns: local x, y, z; the poles lie on local z
    int sides = 8;
    int rings = 5;
    // Polar angle (radians from the start pole) where the shape ends; below
    // pi it stops there with a last ring and leaves the far pole open.
    double polarEnd = PI;
};

VertexRange addEllipsoid(MeshBuilder& mesh, const Ellipsoid& shape, const UvRect& uv,
                         const Influences& weights);

// Moves every vertex of a range through f.
void deform(MeshBuilder& mesh, const VertexRange& range, const std::function<Vec3(Vec3)>& f);

// A unit icosphere (subdivided `levels` times) as positions and triangles,
// wound counter-clockwise seen from outside.
struct TriangleSoup {
    std::vector<Vec3> positions;
    std::vector<std::array<int, 3>> triangles;
};
TriangleSoup icosphere(int levels);

// p on the axis plane that `normal` faces most: (z, y) facing x, (x, z) facing
// y, (x, y) facing z; for textures projected along a face's dominant axis.
Vec2 facingPlane(const Vec3& p, const Vec3& normal);

// Adds the soup's triangles; corner(i, normal) makes the corner of position i
// on a face with that (unnormalised) normal, in the triangle's order.
template <typename MakeCorner>
void addSoupFaces(MeshBuilder& mesh, const TriangleSoup& soup, MakeCorner corner) {
    for (const auto& t : soup.triangles) {
        const Vec3 a = soup.positions[t[0]], b = soup.positions[t[1]], c = soup.positions[t[2]];
        const Vec3 normal = cross(b - a, c - a);
        const Corner first = corner(t[0], normal);
        const Corner second = corner(t[1], normal);
        const Corner third = corner(t[2], normal);
        mesh.addTriangle(first, second, third);
    }
}

} // namespace assetgen
