#include "tools/assetgen/landscape.h"
#include "tools/assetgen/sky.h"
#include "tools/assetgen/stones.h"
#include "tools/assetgen/terrain_border.h"
#include "tools/assetgen/vegetation.h"

#include "tools/assetgen/mesh_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using assetgen::Vec3;
using AssetTest::MeshText;

namespace {

// The game places scenery with scale (20, 16, 20) at (8, 0.5, 8).
Vec3 toWorld(const Vec3& mesh) {
    return {mesh.x * 20.0 + 8.0, mesh.y * 16.0 + 0.5, mesh.z * 20.0 + 8.0};
}

TEST(LandscapeTest, MeshPointsMapBackToTheWorld) {
    const Vec3 w(-2.0, 0.5, 18.0);
    const Vec3 back = toWorld(assetgen::toMesh(w));
    EXPECT_NEAR(back.x, w.x, 1e-12);
    EXPECT_NEAR(back.y, w.y, 1e-12);
    EXPECT_NEAR(back.z, w.z, 1e-12);
    EXPECT_DOUBLE_EQ(assetgen::landscapeHeight(-2.0, 7.0), 0.5) << "meets the ground's rim";
    EXPECT_DOUBLE_EQ(assetgen::landscapeHeight(8.0, 8.0), 0.5);
    EXPECT_GT(assetgen::landscapeHeight(-5.0, 8.0), 1.2) << "a bank frames the field";
}

// Inside the grid square the border only has its skirt, hidden below the
// ground; on the square's edge it meets the ground's rim at height 0.5.
TEST(TerrainBorderTest, MeetsTheGroundsRimAndFacesTheSky) {
    const MeshText mesh = AssetTest::readMesh(assetgen::buildTerrainBorder());
    int rim = 0;
    for (const Vec3& p : mesh.positions) {
        const Vec3 w = toWorld(p);
        if (assetgen::distanceOutsideGrid(w.x, w.z) > 0.0)
            continue;
        const bool onEdge = std::abs(w.x + 2.0) < 1e-4 || std::abs(w.x - 18.0) < 1e-4 ||
                            std::abs(w.z + 2.0) < 1e-4 || std::abs(w.z - 18.0) < 1e-4;
        const bool meetsRim = onEdge && std::abs(w.y - 0.5) < 1e-4;
        EXPECT_TRUE(meetsRim || w.y < 0.45) << w.x << ", " << w.y << ", " << w.z;
        rim += meetsRim ? 1 : 0;
    }
    EXPECT_GE(rim, 20);
    for (const MeshText::Face& f : mesh.faces)
        EXPECT_GT(mesh.normal(f).y, 0.0);
}

TEST(SceneryTest, SolidSceneryStaysOffTheGroundsGrid) {
    for (const auto& builder :
         {assetgen::buildBoulders(), assetgen::buildTrees(), assetgen::buildTombstones()}) {
        const MeshText mesh = AssetTest::readMesh(builder);
        for (const Vec3& p : mesh.positions) {
            const Vec3 w = toWorld(p);
            EXPECT_GT(assetgen::distanceOutsideGrid(w.x, w.z), 0.0) << w.x << ", " << w.z;
        }
    }
}

TEST(SceneryTest, GrassGrowsOutsideTheFieldAndNotBehindScenery) {
    const MeshText mesh = AssetTest::readMesh(assetgen::buildGrass());
    ASSERT_FALSE(mesh.faces.empty());
    for (const Vec3& p : mesh.positions) {
        const Vec3 w = toWorld(p);
        EXPECT_GT(assetgen::distanceOutsideGrid(w.x, w.z), 0.0)
            << "over the ground at " << w.x << ", " << w.z;
    }
    for (const auto& b : assetgen::boulderPlaces())
        EXPECT_FALSE(assetgen::grassAllowed(b.base.x, b.base.z + 1.0)) << "behind a boulder";
    EXPECT_TRUE(assetgen::grassAllowed(8.0, -5.0));
}

// True when the ray from eye along direction meets the hills before it leaves
// the border (which reaches 280 units out).
bool hillsBlock(const Vec3& eye, const Vec3& direction) {
    for (double t = 0.0; t < 400.0; t += 0.5) {
        const Vec3 p = eye + direction * t;
        if (assetgen::distanceOutsideGrid(p.x, p.z) > 270.0)
            return false;
        if (p.y < assetgen::landscapeHeight(p.x, p.z) - 0.5)
            return true;
    }
    return false;
}

TEST(SceneryTest, SkyIsAFarDomeWhoseOpenRimTheHillsHide) {
    const MeshText mesh = AssetTest::readMesh(assetgen::buildSkybox());
    double rimY = 1e9;
    for (const Vec3& p : mesh.positions) {
        const Vec3 w = toWorld(p) - Vec3(8.0, 0.5, 8.0);
        EXPECT_NEAR(w.length(), 450.0, 1.0);
        rimY = std::min(rimY, w.y + 0.5);
    }
    EXPECT_LT(rimY, 0.0) << "reaches below the horizon";
    EXPECT_GT(rimY, -200.0) << "a dome, not a closed sphere";
    ASSERT_EQ(mesh.materials.size(), 1u);
    EXPECT_EQ(mesh.materials[0].at("fragmentshader"), "sky.frag") << "unlit by its own shader";

    // The game camera rides 8 above the player and 10 behind; from anywhere
    // over the field, every look between the horizon and the rim meets a hill.
    for (const Vec3& eye :
         {Vec3(0, 8.5, -10), Vec3(16, 8.5, -10), Vec3(0, 8.5, 6), Vec3(16, 8.5, 6)})
        for (int azimuth = 0; azimuth < 360; azimuth += 30) {
            const double a = assetgen::radians(azimuth);
            const Vec3 across(std::cos(a), 0.0, std::sin(a));
            const Vec3 rim = Vec3(8.0, rimY, 8.0) + across * std::sqrt(450.0 * 450.0 - rimY * rimY);
            const Vec3 lowest = (rim - eye).normalized();
            for (double k = 0.0; k <= 1.0; k += 0.25) {
                const Vec3 look = (lowest * (1.0 - k) + across * k).normalized();
                EXPECT_TRUE(hillsBlock(eye, look)) << "a gap below the sky from " << eye.x << ", "
                                                   << eye.z << " towards " << azimuth;
            }
        }
}

TEST(SceneryTest, ThrownRockIsAClosedPebbleAboutOneUnitAcross) {
    const MeshText mesh = AssetTest::readMesh(assetgen::buildRock());
    Vec3 low(1e9, 1e9, 1e9), high(-1e9, -1e9, -1e9);
    for (const Vec3& p : mesh.positions) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    EXPECT_NEAR(high.x - low.x, 1.1, 0.3);
    EXPECT_NEAR(high.z - low.z, 1.0, 0.3);
    EXPECT_LE(mesh.faces.size(), 200u);
    for (const MeshText::Face& f : mesh.faces) {
        const Vec3 centroid = (mesh.positions[f.vertices[0]] + mesh.positions[f.vertices[1]] +
                               mesh.positions[f.vertices[2]]) /
                              3.0;
        EXPECT_GT(assetgen::dot(mesh.normal(f), centroid), 0.0) << "faces outwards";
    }
}

} // namespace
