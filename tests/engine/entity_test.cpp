#include "engine/entity.h"

#include "engine/animation.h"
#include "engine/bone.h"
#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/meshloader.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"

#include "support/assertion_recorder.h"
#include "support/float_compare.h"
#include "support/gl_context.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using Kestrel::Animation;
using Kestrel::Bone;
using Kestrel::Entity;
using Kestrel::Mesh;
using Kestrel::Vector3;
using TestSupport::near;

namespace {

class RecordingEntity : public Entity {
public:
    using Entity::Entity;
    void onAnimationFinished(Animation* animation) override {
        m_Finished.push_back(animation);
        if (m_WhenFinished)
            m_WhenFinished(animation);
    }

    std::vector<Animation*> m_Finished;
    std::function<void(Animation*)> m_WhenFinished;
};

Bone* addBone(const std::string& name, Bone* parent, const Vector3& position = {0, 0, 0}) {
    Bone* bone = new Bone(name);
    bone->setTail({0, 0, 1});
    bone->setPosition(position);
    if (parent)
        bone->setParent(parent);
    return bone;
}

// Mesh with the skeleton A (root) -> B -> D and A -> C, B's head at (1, 0, 0).
class EntityTest : public ::testing::Test {
protected:
    EntityTest() {
        Bone* a = addBone("A", nullptr);
        Bone* b = addBone("B", a, {1, 0, 0});
        addBone("D", b);
        addBone("C", a);
        mesh.setRootBone(a);
    }

    // Holds bone A at (x, 0, 0) for its whole length.
    std::unique_ptr<Animation> still(float x, float length = 1.0f) {
        return std::unique_ptr<Animation>(Animation::parse(
            "[keyframe]\nduration=" + std::to_string(length) + "\nA:(" + std::to_string(x) +
            ",0,0)\n[keyframe]\nA:(" + std::to_string(x) + ",0,0)\n"));
    }

    float poseOfA(const Entity& entity) const { return entity.getBone("A")->getRotation().x; }

    TestSupport::TestRenderDevice device;
    Mesh mesh{&device};
};

TEST_F(EntityTest, CopiesTheSkeletonDepthFirst) {
    Entity entity(&mesh);
    ASSERT_EQ(entity.getBoneCount(), 4u);
    const char* order[] = {"A", "B", "D", "C"};
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(entity.getBone(i)->getName(), order[i]);
    EXPECT_EQ(entity.getBone(4u), nullptr);
    EXPECT_EQ(entity.getBone("D"), entity.getBone(2u));
    EXPECT_NE(entity.getBone(0u), mesh.getRootBone());
    EXPECT_EQ(entity.getBone(0u)->getParent(), &entity);
    EXPECT_EQ(entity.getChildCount(), 1u);

    // Without animations update leaves the pose alone; resetPose zeroes it.
    entity.getBone("B")->setRotation(1, 2, 3);
    entity.update(0.1f);
    EXPECT_EQ(entity.getBone("B")->getRotation(), Vector3(1, 2, 3));
    entity.resetPose();
    EXPECT_EQ(entity.getBone("B")->getRotation(), Vector3(0, 0, 0));
}

// A pushed at blend 0, then B over it with blend time 0.2, dt = 0.05:
//
//   update     1      2      3      4
//   B ratio    0.25   0.5    0.75   1.0  (A dropped, finished once)
//   pose of A  1.5    2      2.5    3    (A holds 1, B holds 3)
TEST_F(EntityTest, NewEntryBlendsInThenTakesOver) {
    auto a = still(1), b = still(3);
    RecordingEntity entity(&mesh);
    entity.playAnimation(a.get(), 0.0f, true, false);
    entity.update(0.05f);
    EXPECT_FALSE(entity.isCurrentAnimationMirrored());
    EXPECT_TRUE(near(poseOfA(entity), 1.0f));

    entity.playAnimation(b.get(), 0.2f, false, true);
    EXPECT_EQ(entity.getCurrentAnimation(), b.get());
    EXPECT_FLOAT_EQ(entity.getCurrentBlendRatio(), 0.0f);
    EXPECT_TRUE(entity.isCurrentAnimationMirrored());
    const float ratios[] = {0.25f, 0.5f, 0.75f, 1.0f};
    const float poses[] = {1.5f, 2.0f, 2.5f, 3.0f};
    for (int i = 0; i < 4; ++i) {
        entity.update(0.05f);
        EXPECT_TRUE(near(entity.getCurrentBlendRatio(), ratios[i])) << "update " << i + 1;
        EXPECT_TRUE(near(poseOfA(entity), poses[i])) << "update " << i + 1;
        EXPECT_EQ(entity.m_Finished.size(), i < 3 ? 0u : 1u) << "update " << i + 1;
    }
    EXPECT_EQ(entity.m_Finished.front(), a.get());
    EXPECT_TRUE(near(entity.getCurrentAnimationTime(), 0.2f)) << "B advanced while blending in";

    // C takes over beneath D in the same pass that D goes on blending in.
    auto c = still(5), d = still(7);
    entity.playAnimation(c.get(), 0.1f, true, false);
    entity.playAnimation(d.get(), 1.0f, true, false);
    entity.update(0.1f);
    EXPECT_TRUE(near(entity.getCurrentBlendRatio(), 0.1f));
}

TEST_F(EntityTest, AnimationFreedByTheCacheIsDroppedAndTheRestPlaysOn) {
    auto kept = still(1), freed = still(3);
    Entity entity(&mesh);
    entity.playAnimation(kept.get(), 0.0f, true, false);
    entity.playAnimation(freed.get(), 10.0f, true, true);
    entity.update(0.05f);
    freed.reset();
    // The newest entry reads as no animation at all, in every getter.
    EXPECT_EQ(entity.getCurrentAnimation(), nullptr);
    EXPECT_EQ(entity.getCurrentAnimationTime(), 0.0f);
    EXPECT_FALSE(entity.isCurrentAnimationMirrored());
    EXPECT_EQ(entity.getCurrentBlendRatio(), 1.0f);
    entity.update(0.05f);
    EXPECT_EQ(entity.getCurrentAnimation(), kept.get());
    EXPECT_TRUE(near(poseOfA(entity), 1.0f));
}

// Looping length 1.75: keyframes of 0.5, 0.25 and 1.0. Without length the time stays at 0.
TEST_F(EntityTest, LoopingEntryWrapsAndIsToldOnlyWhenDropped) {
    std::unique_ptr<Animation> a(Animation::parse(
        "[keyframe]\nduration=0.5\n[keyframe]\nduration=0.25\n[keyframe]\nduration=1.0\n"));
    std::unique_ptr<Animation> empty(Animation::parse("[keyframe]\nA:(1,0,0)\n"));
    TestSupport::AssertionRecorder recorder;
    Entity stuck(&mesh);
    stuck.playAnimation(empty.get(), 0.0f, true, false);
    stuck.update(0.1f);
    stuck.update(0.1f);
    EXPECT_EQ(stuck.getCurrentAnimationTime(), 0.0f);

    RecordingEntity entity(&mesh);
    entity.playAnimation(a.get(), 0.0f, true, false);
    entity.update(1.7f);
    EXPECT_TRUE(near(entity.getCurrentAnimationTime(), 1.7f));
    entity.update(0.1f);
    EXPECT_TRUE(near(entity.getCurrentAnimationTime(), 0.05f));
    EXPECT_TRUE(entity.m_Finished.empty());
    auto b = still(0);
    entity.playAnimation(b.get(), 0.0f, true, false);
    entity.update(0.1f);
    EXPECT_EQ(entity.m_Finished, std::vector<Animation*>{a.get()});
    // The one keyframe lasting no time is told once, the time beyond its end not at all.
    EXPECT_EQ(recorder.reports(), std::vector<std::string>{"frame1->m_Duration > 0.0f"});
}

TEST_F(EntityTest, EntryPushedFromTheHookRunsInTheSamePass) {
    auto a = still(1, 0.5f), b = still(3);
    RecordingEntity entity(&mesh);
    entity.m_WhenFinished = [&](Animation* finished) {
        if (finished == a.get())
            entity.playAnimation(b.get(), 0.0f, true, false);
    };
    entity.playAnimation(a.get(), 0.0f, false, false);
    entity.update(0.6f);
    EXPECT_EQ(entity.getCurrentAnimation(), b.get());
    EXPECT_TRUE(near(entity.getCurrentAnimationTime(), 0.6f));
    EXPECT_TRUE(near(poseOfA(entity), 3.0f));
    EXPECT_EQ(entity.m_Finished, std::vector<Animation*>{a.get()});
    entity.update(0.1f);
    EXPECT_EQ(entity.m_Finished.size(), 1u);
}

TEST_F(EntityTest, PlayAnimationIgnoresNonsenseAndReportsAFullStack) {
    auto a = still(1);
    Entity entity(&mesh);
    entity.playAnimation(nullptr, 0.0f, true, false);
    entity.playAnimation(a.get(), -1.0f, true, false);
    EXPECT_EQ(entity.getCurrentAnimation(), nullptr);

    TestSupport::AssertionRecorder recorder;
    for (int i = 0; i < 100; ++i)
        entity.playAnimation(a.get(), 1.0f, true, false);
    EXPECT_TRUE(recorder.reports().empty());
    entity.playAnimation(a.get(), 0.5f, true, true);
    EXPECT_TRUE(recorder.reported("m_AnimationStack.size() < 100"));
    EXPECT_TRUE(entity.isCurrentAnimationMirrored()) << "pushed anyway";
}

TEST_F(EntityTest, WithoutMeshThereIsNothingToShow) {
    TestSupport::AssertionRecorder recorder;
    Entity entity(nullptr);
    EXPECT_TRUE(recorder.reported("mesh != null"));
    EXPECT_EQ(entity.getBoneCount(), 0u);
    entity.update(0.1f);
    entity.draw();
    EXPECT_TRUE(device.getRenderQueue().empty());
    Kestrel::VertexList in(0), out(0);
    in.addVertex({0, 0, 0}, {0, 1, 0}, {0, 0});
    EXPECT_FALSE(entity.morph(in, out));
}

TEST_F(EntityTest, DestroyedEntityLeavesNoBoneBound) {
    mesh.getVertexList()->addVertex({1, 1, 0}, {0, 1, 0}, {0, 0});
    mesh.addVertexWeight(0, "B", 1.0f);
    Kestrel::VertexList out(Kestrel::USAGE_DYNAMIC);
    {
        Entity bent(&mesh);
        bent.getBone("B")->setRotation(0, 0, 1.5f);
        bent.update(0.0f);
        ASSERT_TRUE(bent.morph(*mesh.getVertexList(), out));
        EXPECT_FALSE(near(out.getPosition(0), {1, 1, 0}));
    }
    // Straight to the mesh: the name has no bone left, so the vertex stays at rest.
    ASSERT_TRUE(mesh.morph(*mesh.getVertexList(), out));
    EXPECT_EQ(out.getPosition(0), Vector3(1, 1, 0));
    Entity orphan(std::make_unique<Mesh>(&device).get());
    EXPECT_EQ(orphan.getMesh(), nullptr) << "its mesh went first, as when the cache is emptied";
}

const std::string DATA = std::string(FORMIK_SOURCE_DIR) + "/tests/data/";

class SkinningGlTest : public TestSupport::GlTest {
protected:
    Kestrel::OpenGLRenderDevice m_Device;
};

// Two entities share the bar of tests/data: the one at x = -2 stands straight,
// the one at x = 2 has played the bend to its end, which turns the upper half a
// quarter turn about the middle (1 unit up) towards -x. Both are drawn in one
// frame.
TEST_F(SkinningGlTest, EntitiesSharingAMeshDrawTheirOwnPoses) {
    std::unique_ptr<Kestrel::Mesh> mesh(
        Kestrel::MeshLoader(&m_Device).load(DATA + "skinned_bar.kst"));
    ASSERT_TRUE(mesh);
    Kestrel::Animation* bend =
        Kestrel::ResourceManager::getInstance()->loadAnimation(DATA + "bar_bend.ksta");
    ASSERT_NE(bend, nullptr);

    Kestrel::Entity straight(mesh.get()), bent(mesh.get());
    straight.setPosition(-2, 0, 0);
    bent.setPosition(2, 0, 0);
    bent.playAnimation(bend, 0.0f, false, false);
    for (float dt : {0.6f, 0.6f, 0.0f}) {
        straight.update(dt);
        bent.update(dt);
    }
    ASSERT_FLOAT_EQ(bent.getCurrentAnimationTime(), bend->getAnimationLength(false));

    // Drawn between them, a skeleton without faces (a broken file) is passed over quietly.
    Mesh hollow(&m_Device);
    hollow.setRootBone(new Bone("Root"));
    hollow.addMaterial(Kestrel::Material());
    Entity empty(&hollow);

    Kestrel::Camera camera;
    camera.setAspect(640.0f / 480.0f);
    camera.lookAt({0, 1, -7}, {0, 1, 0}, {0, 1, 0});
    m_Device.clear(true, true);
    TestSupport::AssertionRecorder recorder;
    straight.draw();
    empty.draw();
    bent.draw();
    m_Device.render(&camera);
    EXPECT_TRUE(recorder.reports().empty());

    // Whether the pixel where a world point lands is covered: entities are drawn
    // unlit in white on black.
    const std::pair<Vector3, bool> spots[] = {{{-2, 0.2f, 0}, true},  {{-2, 1.8f, 0}, true},
                                              {{-2.9f, 1, 0}, false}, {{-1.1f, 1, 0}, false},
                                              {{2, 0.2f, 0}, true},   {{2, 1.8f, 0}, false},
                                              {{1.2f, 1, 0}, true},   {{2.8f, 1, 0}, false}};
    for (const auto& [world, covered] : spots)
        EXPECT_EQ(TestSupport::pixelAt(world).r > 128, covered) << world.x << ", " << world.y;
}

} // namespace
