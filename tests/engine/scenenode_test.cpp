#include "engine/scenenode.h"

#include "app/world.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"
#include "engine/text.h"
#include "support/assertion_recorder.h"
#include "support/float_compare.h"
#include "support/gl_scene.h"
#include "support/png_file.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using Kestrel::Camera;
using Kestrel::Scene;
using Kestrel::Vector3;
using TestSupport::AssertionRecorder;
using TestSupport::near;
using TestSupport::TestRenderDevice;

namespace {

using Journal = std::vector<std::string>;

// Logs its updates with where the scene camera stands, queues its face list
// when drawn, and logs its destruction.
class ProbeNode : public Kestrel::Transformable {
public:
    ProbeNode(Journal& journal, Scene& scene, Kestrel::RenderDevice& device)
        : m_Journal(journal), m_Scene(scene), m_Device(device), m_Vertices(Kestrel::USAGE_STATIC),
          m_Faces(&m_Vertices, Kestrel::USAGE_STATIC) {}
    ~ProbeNode() override { m_Journal.push_back("~node"); }
    void update(float dt) override {
        m_Journal.push_back("node, camera x " +
                            std::to_string(int(m_Scene.getCamera()->getPositionX())));
        Transformable::update(dt);
    }
    void draw() override {
        m_Device.addToRenderQueue(&m_Faces, this, nullptr, nullptr, nullptr, Kestrel::BLEND_NONE);
        Transformable::draw();
    }

    Kestrel::FaceList* faces() { return &m_Faces; }

private:
    Journal& m_Journal;
    Scene& m_Scene;
    Kestrel::RenderDevice& m_Device;
    Kestrel::VertexList m_Vertices;
    Kestrel::FaceList m_Faces;
};

class ProbeParticle : public Kestrel::Particle {
public:
    ProbeParticle(Journal& journal, const Vector3& position) : m_Journal(journal) {
        m_Position = position;
        m_Size = 1.0f;
    }
    ~ProbeParticle() override { m_Journal.push_back("~particle"); }
    bool update(float) override {
        m_Journal.push_back("particle");
        return true;
    }
    const Kestrel::Vector2& getTexCoordMin() const override { return m_Min; }
    const Kestrel::Vector2& getTexCoordMax() const override { return m_Max; }

private:
    Journal& m_Journal;
    Kestrel::Vector2 m_Min{0.0f, 0.0f};
    Kestrel::Vector2 m_Max{0.25f, 0.25f};
};

class SceneTest : public ::testing::Test {
protected:
    ProbeNode* addNode() {
        auto* node = new ProbeNode(m_Journal, *m_Scene, m_Device);
        node->setParent(m_Scene->getRoot());
        return node;
    }
    void addParticle(const Vector3& position) {
        m_Scene->getParticleManager()->addParticle(new ProbeParticle(m_Journal, position));
    }

    Journal m_Journal;
    TestRenderDevice m_Device;
    std::unique_ptr<Scene> m_Scene = std::make_unique<Scene>(&m_Device);
};

TEST_F(SceneTest, UpdateRunsTheCameraTransitionThenTheTreeThenTheParticles) {
    addParticle({0, 0, 0});
    addNode();
    Camera target;
    target.setPosition(10, 0, 0);
    m_Scene->getCamera()->moveTo(target, 1.0f);

    m_Scene->update(0.5f);
    EXPECT_EQ(m_Journal, (Journal{"node, camera x 5", "particle"}));
}

TEST_F(SceneTest, EachRenderPassDrawsAndEmptiesTheQueueThroughTheCamera) {
    ProbeNode* node = addNode();
    addParticle({0, 0, 2});
    addParticle({0, 0, 6});
    m_Scene->getCamera()->lookAt({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    m_Scene->update(0.016f);

    m_Scene->render();
    ASSERT_EQ(m_Device.m_RenderedQueues.size(), 1u);
    ASSERT_EQ(m_Device.m_RenderedQueues[0].size(), 1u);
    EXPECT_EQ(m_Device.m_RenderedQueues[0][0].faceList, node->faces());
    EXPECT_EQ(m_Device.m_RenderedQueues[0][0].transform, node);
    EXPECT_EQ(m_Device.m_Camera, m_Scene->getCamera());
    EXPECT_TRUE(m_Device.getRenderQueue().empty());

    m_Scene->renderParticles();
    ASSERT_EQ(m_Device.m_RenderedQueues.size(), 2u);
    ASSERT_EQ(m_Device.m_RenderedQueues[1].size(), 1u);
    const Kestrel::RenderItem& batch = m_Device.m_RenderedQueues[1][0];
    EXPECT_EQ(batch.blendMode, Kestrel::BLEND_ALPHA);
    EXPECT_EQ(m_Device.m_Camera, m_Scene->getCamera());
    EXPECT_TRUE(m_Device.getRenderQueue().empty());
    // Sorted from the camera's position and facing its direction (+z): the far
    // particle first, its top-left corner half a size right (+x) and up.
    const Kestrel::VertexList& v = *batch.faceList->getVertexList();
    ASSERT_EQ(v.getVertexCount(), 8u);
    EXPECT_TRUE(near(v.getPosition(0), {0.5f, 0.5f, 6}));
    EXPECT_TRUE(near(v.getPosition(7), {-0.5f, -0.5f, 2}));
}

TEST_F(SceneTest, ANodeIsDrawnOnlyAfterItsFirstUpdate) {
    m_Scene->update(0.016f);
    ProbeNode* node = addNode();
    m_Scene->render();
    EXPECT_TRUE(m_Device.m_RenderedQueues.back().empty());
    EXPECT_EQ(m_Device.m_Camera, m_Scene->getCamera()) << "an empty queue is rendered all the same";

    m_Scene->update(0.016f);
    m_Scene->render();
    ASSERT_EQ(m_Device.m_RenderedQueues.back().size(), 1u);
    EXPECT_EQ(m_Device.m_RenderedQueues.back()[0].transform, node);
}

TEST_F(SceneTest, DestroyingTheSceneDestroysTheParticlesThenTheTree) {
    addNode();
    addParticle({0, 0, 0});
    m_Scene.reset();
    EXPECT_EQ(m_Journal, (Journal{"~particle", "~node"}));
}

TEST_F(SceneTest, CreateEntityWithAMissingMeshReportsAndCreatesNothing) {
    AssertionRecorder recorder;
    EXPECT_EQ(m_Scene->getRoot()->createEntity("no-such-mesh.kst"), nullptr);
    EXPECT_EQ(recorder.reports(), std::vector<std::string>{"mesh != null"});
    EXPECT_EQ(m_Scene->getRoot()->getChildCount(), 0u);
}

TEST_F(SceneTest, CreateEntityAttachesAnEntityOfTheCachedMeshAsTheLastChild) {
    Kestrel::ResourceManager& cache = *Kestrel::ResourceManager::getInstance();
    auto* mesh = new Kestrel::Mesh(&m_Device);
    cache.addResource("scene_test_mesh.kst", mesh);
    auto* group = new Kestrel::SceneNode(&m_Device);
    group->setParent(m_Scene->getRoot());
    (new Kestrel::Transformable)->setParent(group);

    Kestrel::Entity* entity = group->createEntity("scene_test_mesh.kst");
    ASSERT_NE(entity, nullptr);
    EXPECT_EQ(entity->getMesh(), mesh);
    ASSERT_EQ(group->getChildCount(), 2u);
    EXPECT_EQ(group->getChild(1), entity);

    // Entities go before the mesh they show.
    m_Scene.reset();
    cache.clear();
}

// The square 0...extent of the ground plane, turned up from the plane z = 0.
class GroundNode : public Kestrel::Transformable {
public:
    GroundNode(Kestrel::RenderDevice& device, Kestrel::Texture* texture, float extent)
        : m_Device(device), m_Texture(texture),
          m_Quad(TestSupport::makeQuad(device, 0, 0, extent, extent)) {
        setRotation(90, 0, 0);
    }
    void draw() override {
        m_Device.addToRenderQueue(m_Quad.faces.get(), this, m_Texture, nullptr, nullptr,
                                  Kestrel::BLEND_NONE);
    }

private:
    Kestrel::RenderDevice& m_Device;
    Kestrel::Texture* m_Texture;
    TestSupport::Quad m_Quad;
};

// A puff from the flame (top-left) or smoke (top-right) cell of the effect texture, fixed in place.
class Puff : public Kestrel::Particle {
public:
    Puff(const Vector3& position, float size, bool smoke)
        : m_Min(smoke ? 0.75f : 0.0f, 0.0f), m_Max(smoke ? 1.0f : 0.25f, 0.25f) {
        m_Position = position;
        m_Size = size;
    }
    bool update(float) override { return true; }
    const Kestrel::Vector2& getTexCoordMin() const override { return m_Min; }
    const Kestrel::Vector2& getTexCoordMax() const override { return m_Max; }

private:
    Kestrel::Vector2 m_Min, m_Max;
};

class SceneGlTest : public TestSupport::GlTest {
protected:
    // 64 x 64 with a soft orange disc in the top-left cell and a grey one in the top-right.
    Kestrel::Texture* effectTexture() {
        std::vector<uint8_t> pixels(64 * 64 * 4, 0);
        auto disc = [&pixels](int cellX, uint8_t r, uint8_t g, uint8_t b, float strength) {
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const float d = std::hypot(x - 7.5f, y - 7.5f) / 8.0f;
                    const float a = std::max(0.0f, 1.0f - d) * strength;
                    uint8_t* p = &pixels[size_t(y * 64 + cellX * 16 + x) * 4];
                    p[0] = r;
                    p[1] = g;
                    p[2] = b;
                    p[3] = uint8_t(255 * a);
                }
            }
        };
        disc(0, 255, 150, 30, 1.0f);
        disc(3, 120, 120, 120, 0.7f);
        Kestrel::Texture* texture = m_Device.createTexture();
        texture->create(Kestrel::FORMAT_RGBA, 64, 64, pixels.data());
        return texture;
    }

    Kestrel::OpenGLRenderDevice m_Device;
};

TEST_F(SceneGlTest, TextAndParticlesOverTheGroundMakeAScreenshot) {
    using TestSupport::GL_TEST_HEIGHT;
    using TestSupport::GL_TEST_WIDTH;
    auto grass = TestSupport::makeSolidTexture(m_Device, {70, 130, 50, 255});
    std::unique_ptr<Kestrel::Texture> effects(effectTexture());
    Kestrel::Text font(&m_Device);
    ASSERT_TRUE(font.load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 64));

    // The world's view of the field, with a flame stream and its smoke.
    Scene scene(&m_Device);
    (new GroundNode(m_Device, grass.get(), 16))->setParent(scene.getRoot());
    scene.getParticleManager()->setTexture(effects.get());
    for (int i = 0; i < 12; ++i) {
        const float t = float(i) / 11;
        const Vector3 at(6 + 4 * t, 0.6f, 4 + 5 * t);
        scene.getParticleManager()->addParticle(new Puff(at, std::min(1.0f, 0.2f + t), false));
        scene.getParticleManager()->addParticle(
            new Puff(at + Vector3(0.2f, 0.5f + 0.8f * t, 0), 0.8f - 0.3f * t, true));
    }
    scene.getCamera()->lookAt({8, 10, 0}, {8, 0, 8}, {0, 1, 0});
    scene.getCamera()->setAspect(float(GL_TEST_WIDTH) / GL_TEST_HEIGHT);
    scene.update(0.016f);

    m_Device.setViewport({0, 0}, {GL_TEST_WIDTH, GL_TEST_HEIGHT});
    m_Device.clear(true, true);
    scene.render();
    scene.renderParticles();
    m_Device.setDepthTest(false);
    m_Device.setBlendMode(Kestrel::BLEND_ALPHA);
    m_Device.setProjectionMatrix(Kestrel::Matrix4::screenOverlay());
    m_Device.setModelViewMatrix(overlayTextMatrix(HUD_SCALE, HUD_POSITION));
    char hud[100];
    std::snprintf(hud, sizeof hud, "Ants: %d/%d\nKills: %d", 7, 10, 3);
    font.draw(hud);

    const std::vector<TestSupport::Rgba> frame = TestSupport::readFrame();
    std::vector<uint8_t> rgba;
    for (const TestSupport::Rgba& p : frame)
        rgba.insert(rgba.end(), {p.r, p.g, p.b, 255});
    const std::filesystem::path output = std::filesystem::path(FORMIK_BINARY_DIR) / "test-output";
    std::filesystem::create_directories(output);
    EXPECT_TRUE(TestSupport::writeRgbaPngBottomUp((output / "scene_particles_text.png").string(),
                                                  GL_TEST_WIDTH, GL_TEST_HEIGHT, rgba));

    int white = 0, flame = 0;
    for (const TestSupport::Rgba& p : frame) {
        white += p.r > 230 && p.g > 230 && p.b > 230;
        flame += p.r > 200 && p.g > 90 && p.g < 200 && p.b < 100;
    }
    EXPECT_GT(white, 200);
    EXPECT_GT(flame, 500);
}

} // namespace
