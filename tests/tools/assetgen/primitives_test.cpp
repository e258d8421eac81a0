#include "tools/assetgen/primitives.h"

#include "tools/assetgen/mesh_text.h"

#include <gtest/gtest.h>

using assetgen::Vec3;
using AssetTest::MeshText;

namespace {

Vec3 centroid(const MeshText& mesh, const MeshText::Face& f) {
    Vec3 sum;
    for (int v : f.vertices)
        sum += mesh.positions[v];
    return sum / static_cast<double>(f.vertices.size());
}

TEST(PrimitivesTest, EllipsoidIsClosedAndFacesOutwards) {
    assetgen::MeshBuilder builder;
    builder.addMaterial({"m", "", "", ""});
    builder.addRootBone("Bone", Vec3(), Vec3(0, 1, 0));
    assetgen::Ellipsoid shape;
    shape.centre = Vec3(1, 2, 3);
    shape.radii = Vec3(0.5, 0.3, 0.8);
    shape.orientation = assetgen::Mat3::rotationY(0.6) * assetgen::Mat3::rotationX(0.3);
    shape.sides = 7;
    shape.rings = 4;
    addEllipsoid(builder, shape, {}, {{"Bone", 1.0}});
    const MeshText mesh = AssetTest::readMesh(builder);
    EXPECT_EQ(builder.triangleCount(), 2 * 7 + 2 * 7 * 3);
    for (const MeshText::Face& f : mesh.faces)
        EXPECT_GT(assetgen::dot(mesh.normal(f), centroid(mesh, f) - shape.centre), 0.0);
    EXPECT_EQ(mesh.weights.size(), mesh.positions.size());
}

TEST(PrimitivesTest, LoftAlongABentPathFacesAwayFromItsAxis) {
    assetgen::MeshBuilder builder;
    builder.addMaterial({"m", "", "", ""});
    const std::vector<assetgen::PathPoint> path = {{Vec3(0, 0, 0), 0.1, 0.1},
                                                   {Vec3(0, 1, 0.2), 0.12, 0.08},
                                                   {Vec3(0.5, 1.6, 0.4), 0.05, 0.05}};
    const auto rings = assetgen::ringsAlongPath(path, Vec3(0, 0, 1), {});
    EXPECT_DOUBLE_EQ(rings.front().v, 0.0);
    EXPECT_DOUBLE_EQ(rings.back().v, 1.0);
    addLoft(builder, rings, 5, {}, assetgen::Cap{}, assetgen::Cap{true, Vec3(0.6, 1.8, 0.45), {}});
    const MeshText mesh = AssetTest::readMesh(builder);
    // Each side face lies between two rings: compare with the middle of their centres.
    for (const MeshText::Face& f : mesh.faces) {
        double best = 1e9;
        Vec3 nearest;
        const Vec3 c = centroid(mesh, f);
        for (const auto& p : path)
            if ((p.centre - c).length() < best) {
                best = (p.centre - c).length();
                nearest = p.centre;
            }
        EXPECT_GT(assetgen::dot(mesh.normal(f), c - nearest), 0.0);
    }
}

TEST(PrimitivesTest, IcosphereIsWoundOutwards) {
    for (int levels : {0, 1, 2}) {
        const assetgen::TriangleSoup soup = assetgen::icosphere(levels);
        EXPECT_EQ(soup.triangles.size(), 20u << (2 * levels));
        for (const auto& t : soup.triangles) {
            const Vec3 a = soup.positions[t[0]], b = soup.positions[t[1]], c = soup.positions[t[2]];
            EXPECT_GT(assetgen::dot(assetgen::cross(b - a, c - a), a + b + c), 0.0);
        }
    }
}

} // namespace
