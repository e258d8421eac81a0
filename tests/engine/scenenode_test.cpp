#include "engine/scenenode.h"

#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/vertexlist.h"
#include "support/assertion_recorder.h"
#include "support/float_compare.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

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

TEST_F(SceneTest, AnEmptyTreeStillRendersThroughTheCamera) {
    m_Scene->render();
    ASSERT_EQ(m_Device.m_RenderedQueues.size(), 1u);
    EXPECT_TRUE(m_Device.m_RenderedQueues[0].empty());
    EXPECT_EQ(m_Device.m_Camera, m_Scene->getCamera());
}

TEST_F(SceneTest, ANodeIsDrawnOnlyAfterItsFirstUpdate) {
    m_Scene->update(0.016f);
    ProbeNode* node = addNode();
    m_Scene->render();
    EXPECT_TRUE(m_Device.m_RenderedQueues.back().empty());

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

} // namespace
