#include "engine/bone.h"

#include "support/assertion_recorder.h"
#include "support/float_compare.h"

#include <gtest/gtest.h>

#include <cmath>

using Kestrel::Bone;
using Kestrel::Transformable;
using Kestrel::Vector3;
using TestSupport::near;

namespace {

const float HALF_PI = 1.5707963f;

void expectOrthonormal(const Bone& bone) {
    EXPECT_TRUE(near(bone.getXAxis().length(), 1.0f));
    EXPECT_TRUE(near(bone.getYAxis().length(), 1.0f));
    EXPECT_TRUE(near(bone.getZAxis().length(), 1.0f));
    EXPECT_TRUE(near(dot(bone.getXAxis(), bone.getYAxis()), 0.0f));
    EXPECT_TRUE(near(dot(bone.getYAxis(), bone.getZAxis()), 0.0f));
    EXPECT_TRUE(near(dot(bone.getZAxis(), bone.getXAxis()), 0.0f));
}

// Degenerate tails: zero is reported and replaced, vertical is tilted silently.
TEST(BoneTest, DegenerateTailsStillGiveAFrame) {
    TestSupport::AssertionRecorder recorder;
    {
        Bone bone("Tip");
        bone.setTail({0, 0, 0});
        EXPECT_TRUE(recorder.reported("m_Tail.lengthSquared() > 0.0f"));
        EXPECT_EQ(bone.getTail(), Vector3(0, 0, 1));
        EXPECT_TRUE(near(bone.getXAxis(), {-1, 0, 0}));
        EXPECT_TRUE(near(bone.getYAxis(), {0, 1, 0}));
    }
    {
        recorder.clear();
        Bone bone("Neck");
        bone.setTail({0, 2, 0});
        EXPECT_TRUE(recorder.reports().empty());
        EXPECT_EQ(bone.getTail(), Vector3(0, 2, 0.00001f));
        expectOrthonormal(bone);
    }
}

// A chain along x: root at the origin, child head at (1, 0, 0), both tails
// (1, 0, 0). Bone frame: z = (1, 0, 0), x = (0, 0, 1), y = (0, 1, 0).
struct Chain {
    Chain() {
        root->setTail({1, 0, 0});
        child->setTail({1, 0, 0});
        child->setPosition(1, 0, 0);
        child->setParent(root);
        root->setParent(&entity);
    }

    Transformable entity;
    Bone* root = new Bone("Root");
    Bone* child = new Bone("Child");
};

TEST(BoneTest, PosedChainMovesPointsAboutTheHeads) {
    Chain chain;
    chain.entity.setPosition(0, 0, 5);
    // Child: 0.25 about its y axis, about its head (1, 0, 0). Root: pi/2 about
    // its x axis (0, 0, 1), which turns clockwise: (x, y) -> (y, -x).
    chain.child->setRotation(0, 0.25f, 0);
    chain.root->setRotation(HALF_PI, 0, 0);
    chain.entity.update(0.0f);

    const float c = std::cos(0.25f), s = std::sin(0.25f);
    // The child's tail (2, 0, 0): to (1 + c, 0, s) by the child, then turned by the root.
    EXPECT_TRUE(near(chain.child->skinPoint({2, 0, 0}), {0, -(1 + c), s}));
    EXPECT_TRUE(near(chain.child->skinPoint({1, 0, 0}), {0, -1, 0}));
    EXPECT_TRUE(near(chain.root->skinPoint({1, 0, 0}), {0, -1, 0}));
    EXPECT_TRUE(near(chain.child->skinDirection({1, 0, 0}), {0, -c, s}));
    // The world matrix carries the head into the entity's space.
    EXPECT_TRUE(near(chain.child->getMatrix().getTranslation(), {0, -1, 5}));
    EXPECT_TRUE(near(chain.child->transformPoint({1, 0, 0}), {0, -(1 + c), 5 + s}));
}

TEST(BoneTest, AttachedObjectFollowsTheBone) {
    Chain chain;
    auto* rock = new Transformable;
    rock->setPosition(0, 0, 1);
    rock->setParent(chain.child);
    chain.root->setRotation(HALF_PI, 0, 0);
    chain.entity.update(0.0f);
    // Rock at (1, 0, 1) in rest space, turned by the root: (0, -1, 1).
    EXPECT_TRUE(near(rock->transformPoint({0, 0, 0}), {0, -1, 1}));
    EXPECT_TRUE(rock->isUpdated());
}

} // namespace
