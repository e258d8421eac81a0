#include "engine/particlemanager.h"

#include "engine/camera.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"
#include "support/float_compare.h"
#include "support/gl_scene.h"
#include "support/still_particle.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using Kestrel::Particle;
using Kestrel::ParticleManager;
using Kestrel::Vector3;
using TestSupport::near;
using TestSupport::StillParticle;
using TestSupport::TestRenderDevice;

namespace {

// Centre of the k-th billboard in the vertex list.
Vector3 centre(const Kestrel::VertexList& v, unsigned k) {
    return (v.getPosition(4 * k) + v.getPosition(4 * k + 3)) * 0.5f;
}

class ParticleManagerTest : public ::testing::Test {
protected:
    const Kestrel::VertexList& vertices() const { return *m_Manager.getVertexList(); }

    TestRenderDevice m_Device;
    ParticleManager m_Manager{&m_Device};
};

// The four corners span a square of edge size in the plane facing the direction.
void expectSquareFacing(const Kestrel::VertexList& v, const Vector3& centre, float size,
                        const Vector3& direction) {
    const Vector3 d = direction.normalized();
    for (unsigned i = 0; i < 4; ++i) {
        const Vector3 c = v.getPosition(i);
        ASSERT_TRUE(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z));
        EXPECT_TRUE(near(dot(c - centre, d), 0.0f, 1e-4f));
        EXPECT_TRUE(near((c - centre).length(), size * std::sqrt(0.5f), 1e-4f));
    }
    EXPECT_TRUE(near(distance(v.getPosition(0), v.getPosition(1)), size, 1e-4f));
    EXPECT_TRUE(near(distance(v.getPosition(0), v.getPosition(2)), size, 1e-4f));
    EXPECT_TRUE(near(distance(v.getPosition(1), v.getPosition(3)), size, 1e-4f));
}

TEST_F(ParticleManagerTest, BillboardsFaceTiltedAndVerticalCameras) {
    m_Manager.addParticle(new StillParticle({8, 0, 8}, 1.5f));
    // The world camera's view from (8, 10, 0) to (8, 0, 8): the top edge leans away.
    const Vector3 tilted(0, -0.780869f, 0.624695f);
    m_Manager.render({8, 10, 0}, tilted);
    expectSquareFacing(vertices(), {8, 0, 8}, 1.5f, tilted);
    EXPECT_GT(vertices().getPosition(0).y, vertices().getPosition(2).y);

    // Straight down or up, or the nearly vertical direction a pitch of 90 degrees
    // gives in single precision: fixed axes, never NaN.
    for (const Vector3& d :
         {Vector3(0, -1, 0), Vector3(0, 1, 0), Vector3(-4.37e-8f, -1, -4.37e-8f)}) {
        SCOPED_TRACE(std::to_string(d.x) + " " + std::to_string(d.y));
        m_Manager.render({8, 10, 8}, d);
        expectSquareFacing(vertices(), {8, 0, 8}, 1.5f, d);
    }
    m_Manager.render({8, 10, 8}, {0, 0, 0});
    for (unsigned i = 0; i < 4; ++i) {
        const Vector3 c = vertices().getPosition(i);
        EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z));
    }
}

TEST_F(ParticleManagerTest, BeyondTheIndexLimitTheNearestAreDrawnAndTheRestKept) {
    const unsigned cap = ParticleManager::MAX_DRAWN_PARTICLES;
    const unsigned total = cap + 100;
    // Particle i sits i + 1 units in front of the camera, added nearest first.
    for (unsigned i = 0; i < total; ++i)
        m_Manager.addParticle(new StillParticle({0, 0, float(i + 1)}, 0.5f));
    m_Manager.render({0, 0, 0}, {0, 0, 1});

    EXPECT_EQ(m_Manager.getParticles().size(), total);
    ASSERT_EQ(vertices().getVertexCount(), 4 * cap);
    const Kestrel::FaceList& f = *m_Manager.getFaceList();
    ASSERT_EQ(f.getFaceCount(), 2 * cap);
    EXPECT_EQ(f.getIndex(uint16_t(2 * cap - 1), 2), 65535);
    // Back to front among the drawn: the farthest drawn is the cap-th nearest.
    EXPECT_TRUE(near(centre(vertices(), 0), {0, 0, float(cap)}));
    EXPECT_TRUE(near(centre(vertices(), cap - 1), {0, 0, 1}));

    // With the nearer ones gone, the ones left out before are drawn.
    for (Particle* p : m_Manager.getParticles())
        p->m_Size = p->m_Position.z > float(total - 200) ? 0.5f : -1.0f;
    m_Manager.update(0.016f);
    ASSERT_EQ(m_Manager.getParticles().size(), 200u);
    m_Manager.render({0, 0, 0}, {0, 0, 1});
    ASSERT_EQ(vertices().getVertexCount(), 4u * 200);
    EXPECT_TRUE(near(centre(vertices(), 0), {0, 0, float(total)}));
}

class ParticleManagerGlTest : public TestSupport::GlTest {};

TEST_F(ParticleManagerGlTest, ABatchBlendsBackToFrontOverTheGeometry) {
    using TestSupport::pixelNear;
    Kestrel::OpenGLRenderDevice device;
    auto red = TestSupport::makeSolidTexture(device, TestSupport::RED);
    // Two 4 x 4 cells, green and blue, three quarters opaque; each compresses exactly.
    // Textures are made before anything is drawn, as the game does.
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 32; ++i)
        pixels.insert(pixels.end(),
                      {0, uint8_t(i % 8 < 4 ? 255 : 0), uint8_t(i % 8 < 4 ? 0 : 255), 191});
    std::unique_ptr<Kestrel::Texture> cells(device.createTexture());
    cells->create(Kestrel::FORMAT_RGBA, 8, 4, pixels.data());

    // A red wall ten units ahead fills the view.
    TestSupport::Quad wall = TestSupport::makeQuad(device, -10, -10, 10, 10, 10);
    Kestrel::Camera camera;
    camera.lookAt({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    camera.setAspect(float(TestSupport::GL_TEST_WIDTH) / TestSupport::GL_TEST_HEIGHT);
    device.clear(true, true);
    device.addToRenderQueue(wall.faces.get(), nullptr, red.get(), nullptr, nullptr,
                            Kestrel::BLEND_NONE);
    device.render(&camera);

    // The nearer, green particle is added first; the sort must still draw it last.
    ParticleManager manager(&device);
    manager.setTexture(cells.get());
    auto* green = new StillParticle({0, 0, 4}, 1.0f);
    green->m_Max = {0.5f, 1.0f};
    auto* blue = new StillParticle({0, 0, 6}, 2.0f);
    blue->m_Min = {0.5f, 0.0f};
    blue->m_Max = {1.0f, 1.0f};
    manager.addParticle(green);
    manager.addParticle(blue);
    manager.render(camera.getPosition(), camera.getDirection());
    device.render(&camera);

    // The blue square reaches about 96 pixels from the centre, the green one 72.
    EXPECT_TRUE(pixelNear(5, 5, TestSupport::RED));
    EXPECT_TRUE(pixelNear(320, 240 + 85, {64, 0, 191, 255}, 6));
    EXPECT_TRUE(pixelNear(320, 240, {16, 191, 48, 255}, 6));
}

} // namespace
