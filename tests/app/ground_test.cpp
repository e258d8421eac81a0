#include "app/ground.h"

#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/vertexlist.h"
#include "support/float_compare.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

using Kestrel::Vector3;
using TestSupport::near;

namespace {

const Vector3 UP(0.0f, 1.0f, 0.0f);

// Grid points; between them (15.5 halfway from the table's 1.0 at x = 15 to the
// outside 0.5; (3.5, 0.5) amid 0, 0.5, 0.5, 0.5); outside the field.
TEST(GroundTest, HeightsFollowTheTableBilinearlyAndAreConstantOutside) {
    const struct {
        float x, z, height;
    } cases[] = {{4.0f, 0.0f, 0.5f},       {15.0f, 11.0f, 1.0f},  {0.0f, 0.0f, 0.0f},
                 {5.0f, 13.0f, 1.0f},      {15.5f, 11.0f, 0.75f}, {3.5f, 0.5f, 0.375f},
                 {15.999f, 5.0f, 0.4995f}, {-0.1f, 5.0f, 0.5f},   {16.0f, 5.0f, 0.5f},
                 {5.0f, 16.0f, 0.5f},      {5.0f, -3.0f, 0.5f},   {std::nanf(""), 5.0f, 0.5f},
                 {8.0f, 15.5f, 0.25f}};
    for (const auto& c : cases)
        EXPECT_TRUE(near(Ground::getHeight(c.x, c.z), c.height, 1e-4f)) << c.x << ", " << c.z;
}

class GroundMeshTest : public ::testing::Test {
protected:
    TestSupport::TestRenderDevice device;
    Ground ground{&device};
};

TEST_F(GroundMeshTest, NormalsPointUpOnFlatGroundAndLeanAwayFromHills) {
    EXPECT_TRUE(near(ground.getNormal(8.0f, 8.0f), UP));
    EXPECT_TRUE(near(ground.getNormal(12.3f, 3.7f), UP));
    // At (3, 6) the ground rises toward the raised (4, 6)-(5, 7) block.
    const Vector3 n = ground.getNormal(3.0f, 6.0f);
    EXPECT_LT(n.x, 0.0f);
    EXPECT_GT(n.y, 0.0f);
    EXPECT_TRUE(near(n.length(), 1.0f, 1e-4f));
    // Near the far edge the nearest stored normal; off the field flat.
    EXPECT_TRUE(near(ground.getNormal(15.6f, 8.0f), ground.getNormal(15.0f, 8.0f)));
    EXPECT_TRUE(near(ground.getNormal(8.0f, 15.9f), ground.getNormal(8.0f, 15.0f)));
    EXPECT_TRUE(near(ground.getNormal(16.0f, 8.0f), UP));
    EXPECT_TRUE(near(ground.getNormal(-1.0f, 8.0f), UP));
}

TEST_F(GroundMeshTest, MeshCoversTwoPointsBeyondTheTableWithARaisedRimFacingUp) {
    const Kestrel::VertexList* vertices = ground.getVertexList();
    ASSERT_EQ(vertices->getVertexCount(), 441u);
    EXPECT_EQ(ground.getFaceList()->getFaceCount(), 800);

    // The first vertex is grid point (-2, -2), on the rim, textured at (0, 0);
    // the last is (18, 18) at (1, 1).
    EXPECT_TRUE(near(vertices->getPosition(0), Vector3(-2.0f, 0.5f, -2.0f)));
    EXPECT_FLOAT_EQ(vertices->getTexCoord(0).u, 0.0f);
    EXPECT_TRUE(near(vertices->getTexCoord(440).u, 1.0f));
    EXPECT_TRUE(near(vertices->getTexCoord(440).v, 1.0f));
    // Vertex index (z + 2) * 21 + (x + 2): the field's edge cell (8, 0) sits at 0
    // while the ring beyond it at z = -1 is raised.
    EXPECT_FLOAT_EQ(vertices->getPosition(2 * 21 + 10).y, 0.0f);
    EXPECT_FLOAT_EQ(vertices->getPosition(1 * 21 + 10).y, 0.5f);
    // The slope up to the rim tilts the edge normal toward the field.
    EXPECT_GT(vertices->getNormal(2 * 21 + 10).z, 0.0f);
    const Kestrel::FaceList* faces = ground.getFaceList();
    for (uint16_t f = 0; f < faces->getFaceCount(); ++f) {
        const Vector3 a = vertices->getPosition(faces->getIndex(f, 0));
        const Vector3 b = vertices->getPosition(faces->getIndex(f, 1));
        const Vector3 c = vertices->getPosition(faces->getIndex(f, 2));
        // Counter-clockwise seen from above: the cross product points up.
        ASSERT_GT(cross(b - a, c - a).y, 0.0f) << "face " << f;
    }
}

TEST_F(GroundMeshTest, RenderQueuesTheTerrainUntransformed) {
    TestSupport::RecordingTexture previous;
    device.setTexture(&previous, 0);
    device.setBlendMode(Kestrel::BLEND_ALPHA);
    device.setModelViewMatrix(Kestrel::Matrix4::translation(Vector3(1.0f, 2.0f, 3.0f)));
    ground.render();
    ASSERT_EQ(device.getRenderQueue().size(), 1u);
    const Kestrel::RenderItem& item = device.getRenderQueue()[0];
    EXPECT_EQ(item.faceList, ground.getFaceList());
    EXPECT_EQ(item.transform, nullptr);
    EXPECT_EQ(item.morphable, nullptr);
    EXPECT_EQ(item.blendMode, Kestrel::BLEND_NONE);
    EXPECT_EQ(device.m_BlendMode, Kestrel::BLEND_NONE);
    EXPECT_EQ(device.m_Textures[0], nullptr);
    EXPECT_TRUE(near(device.getModelViewMatrix().transformPoint(Vector3()), Vector3()));
}

} // namespace
