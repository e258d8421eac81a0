#include "engine/scenenode.h"

#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "support/assertion_recorder.h"
#include "support/gl_context.h"
#include "support/gl_scene.h"
#include "support/still_particle.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using Kestrel::Camera;
using Kestrel::Scene;
using Kestrel::Vector3;
using TestSupport::AssertionRecorder;
using TestSupport::StillParticle;
using TestSupport::TestRenderDevice;

namespace {

using Journal = std::vector<std::string>;

// Logs its updates with where the scene camera stands.
class ProbeNode : public Kestrel::Transformable {
public:
    ProbeNode(Journal& journal, Scene& scene) : m_Journal(journal), m_Scene(scene) {}
    void update(float dt) override {
        m_Journal.push_back("node, camera x " +
                            std::to_string(int(m_Scene.getCamera()->getPositionX())));
        Transformable::update(dt);
    }

private:
    Journal& m_Journal;
    Scene& m_Scene;
};

class SceneTest : public ::testing::Test {
protected:
    // Entities go before the meshes they show, and cached meshes before their
    // device, also after a test that ended early.
    void TearDown() override {
        m_Scene.reset();
        Kestrel::ResourceManager::getInstance()->clear();
    }

    Journal m_Journal;
    TestRenderDevice m_Device;
    std::unique_ptr<Scene> m_Scene = std::make_unique<Scene>(&m_Device);
};

TEST_F(SceneTest, UpdateRunsTheCameraTransitionThenTheTreeThenTheParticles) {
    m_Scene->getParticleManager()->addParticle(new StillParticle({0, 0, 0}, 1.0f, &m_Journal));
    (new ProbeNode(m_Journal, *m_Scene))->setParent(m_Scene->getRoot());
    Camera target;
    target.setPosition(10, 0, 0);
    m_Scene->getCamera()->moveTo(target, 1.0f);

    m_Scene->update(0.5f);
    EXPECT_EQ(m_Journal, (Journal{"node, camera x 5", "particle"}));
}

TEST_F(SceneTest, CreateEntityAttachesAnEntityOfTheCachedMeshAsTheLastChild) {
    Kestrel::ResourceManager& cache = *Kestrel::ResourceManager::getInstance();
    auto* mesh = new Kestrel::Mesh(&m_Device);
    cache.addResource("scene_test_mesh.kst", mesh);
    auto* group = new Kestrel::SceneNode(&m_Device);
    group->setParent(m_Scene->getRoot());
    (new Kestrel::Transformable)->setParent(group);
    {
        AssertionRecorder recorder;
        EXPECT_EQ(group->createEntity("no-such-mesh.kst"), nullptr);
        EXPECT_EQ(recorder.reports(), std::vector<std::string>{"mesh != null"});
    }
    Kestrel::Entity* entity = group->createEntity("scene_test_mesh.kst");
    ASSERT_NE(entity, nullptr);
    EXPECT_EQ(entity->getMesh(), mesh);
    ASSERT_EQ(group->getChildCount(), 2u);
    EXPECT_EQ(group->getChild(1), entity);
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

class SceneGlTest : public TestSupport::GlTest {
protected:
    Kestrel::OpenGLRenderDevice m_Device;
};

// The world's view of the field with a stream of flame puffs over it.
TEST_F(SceneGlTest, ParticlesAreDrawnOverTheGround) {
    using TestSupport::GL_TEST_HEIGHT;
    using TestSupport::GL_TEST_WIDTH;
    auto grass = TestSupport::makeSolidTexture(m_Device, {70, 130, 50, 255});
    auto flame = TestSupport::makeSolidTexture(m_Device, {255, 150, 30, 255}, true);
    Scene scene(&m_Device);
    (new GroundNode(m_Device, grass.get(), 16))->setParent(scene.getRoot());
    scene.getParticleManager()->setTexture(flame.get());
    for (int i = 0; i < 12; ++i) {
        const float t = float(i) / 11;
        scene.getParticleManager()->addParticle(
            new StillParticle({6 + 4 * t, 0.6f, 4 + 5 * t}, std::min(1.0f, 0.2f + t)));
    }
    scene.getCamera()->lookAt({8, 10, 0}, {8, 0, 8}, {0, 1, 0});
    scene.getCamera()->setAspect(float(GL_TEST_WIDTH) / GL_TEST_HEIGHT);
    scene.update(0.016f);
    m_Device.setViewport({0, 0}, {GL_TEST_WIDTH, GL_TEST_HEIGHT});
    m_Device.clear(true, true);
    scene.render();
    scene.renderParticles();

    int grassPixels = 0, flamePixels = 0;
    for (const TestSupport::Rgba& p : TestSupport::readFrame()) {
        grassPixels += bool(TestSupport::colorNear(p, {70, 130, 50, 255}, 12));
        flamePixels += bool(TestSupport::colorNear(p, {255, 150, 30, 255}, 12));
    }
    EXPECT_GT(grassPixels, 20000);
    EXPECT_GT(flamePixels, 500);
}

} // namespace
