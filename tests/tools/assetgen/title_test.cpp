#include "tools/assetgen/title.h"

#include "tools/assetgen/glyph_outlines.h"
#include "tools/assetgen/mesh_text.h"

#include <gtest/gtest.h>

#include <filesystem>

using assetgen::Vec3;
using AssetTest::MeshText;

namespace {

class TitleTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::is_regular_file(ASSETGEN_FONT_FILE))
            GTEST_SKIP() << "font not installed: " << ASSETGEN_FONT_FILE;
    }
};

TEST_F(TitleTest, FrontCapsFaceTheTitleCamera) {
    const MeshText mesh = AssetTest::readMesh(assetgen::buildTitle(ASSETGEN_FONT_FILE).mesh);
    double front = 1e9;
    for (const Vec3& p : mesh.positions)
        front = std::min(front, p.z);
    int caps = 0;
    for (const MeshText::Face& f : mesh.faces) {
        bool onFront = true;
        for (int v : f.vertices)
            onFront = onFront && mesh.positions[v].z == front;
        if (onFront) {
            EXPECT_LT(mesh.normal(f).z, 0.0);
            ++caps;
        }
    }
    EXPECT_GT(caps, 100);
}

// The camera at (0, 1, -7) sees world +x on its left, so the first letter must
// lie at +x: in "-." the dash (left, high) ends up at larger x than the dot.
TEST_F(TitleTest, ReadsLeftToRightFromTheTitleCamera) {
    const MeshText mesh = AssetTest::readMesh(assetgen::buildTitle(ASSETGEN_FONT_FILE, "-.").mesh);
    Vec3 lowest(0, 1e9, 0), highest(0, -1e9, 0);
    for (const Vec3& p : mesh.positions) {
        if (p.y < lowest.y)
            lowest = p;
        if (p.y > highest.y)
            highest = p;
    }
    EXPECT_GT(highest.x, lowest.x);
}

TEST_F(TitleTest, HolesStayOpenInTheCaps) {
    // An "o" has an outer contour and a hole; its centre must not be covered.
    const assetgen::Outline outline = assetgen::textOutline(ASSETGEN_FONT_FILE, "o");
    ASSERT_EQ(outline.contours.size(), 2u);
    const assetgen::Triangulation caps = assetgen::triangulate(outline);
    assetgen::Vec2 centre;
    for (const auto& p : outline.contours[1])
        centre = centre + p * (1.0 / outline.contours[1].size());
    for (const auto& t : caps.triangles) {
        const auto a = caps.points[t[0]], b = caps.points[t[1]], c = caps.points[t[2]];
        auto side = [&](const assetgen::Vec2& p, const assetgen::Vec2& q) {
            return (q.x - p.x) * (centre.y - p.y) - (centre.x - p.x) * (q.y - p.y);
        };
        const double s0 = side(a, b), s1 = side(b, c), s2 = side(c, a);
        const bool inside = (s0 > 0 && s1 > 0 && s2 > 0) || (s0 < 0 && s1 < 0 && s2 < 0);
        EXPECT_FALSE(inside);
    }
    EXPECT_GT(caps.triangles.size(), 10u);
}

TEST(TitleFontTest, MissingFontIsReportedByName) {
    try {
        assetgen::textOutline("/nonexistent/font.ttf", "Formik");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/font.ttf"), std::string::npos);
    }
}

} // namespace
