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
    Bone tip("Tip");
    tip.setTail({0, 0, 0});
    EXPECT_TRUE(recorder.reported("m_Tail.lengthSquared() > 0.0f"));
    EXPECT_EQ(tip.getTail(), Vector3(0, 0, 1));
    EXPECT_TRUE(near(tip.getXAxis(), {-1, 0, 0}));
    EXPECT_TRUE(near(tip.getYAxis(), {0, 1, 0}));

    recorder.clear();
    Bone neck("Neck");
    neck.setTail({0, 2, 0});
    EXPECT_TRUE(recorder.reports().empty());
    EXPECT_EQ(neck.getTail(), Vector3(0, 2, 0.00001f));
    expectOrthonormal(neck);
}

// A chain along x in an entity at (0, 0, 5): root at the origin, child head at
// (1, 0, 0), both tails (1, 0, 0), so the bone frame is z = (1, 0, 0),
// x = (0, 0, 1), y = (0, 1, 0). A rock hangs one unit along z from the child's head.
TEST(BoneTest, PosedChainMovesPointsAboutTheHeads) {
    Transformable entity;
    entity.setPosition(0, 0, 5);
    auto* root = new Bone("Root");
    auto* child = new Bone("Child");
    auto* rock = new Transformable;
    root->setTail({1, 0, 0});
    child->setTail({1, 0, 0});
    child->setPosition(1, 0, 0);
    rock->setPosition(0, 0, 1);
    root->setParent(&entity);
    child->setParent(root);
    rock->setParent(child);
    // Child: 0.25 about its y axis, about its head (1, 0, 0). Root: pi/2 about
    // its x axis (0, 0, 1), which turns clockwise: (x, y) -> (y, -x).
    child->setRotation(0, 0.25f, 0);
    root->setRotation(HALF_PI, 0, 0);
    entity.update(0.0f);

    const float c = std::cos(0.25f), s = std::sin(0.25f);
    // The child's tail (2, 0, 0): to (1 + c, 0, s) by the child, then turned by the root.
    EXPECT_TRUE(near(child->skinPoint({2, 0, 0}), {0, -(1 + c), s}));
    EXPECT_TRUE(near(child->skinPoint({1, 0, 0}), {0, -1, 0}));
    EXPECT_TRUE(near(root->skinPoint({1, 0, 0}), {0, -1, 0}));
    EXPECT_TRUE(near(child->skinDirection({1, 0, 0}), {0, -c, s}));
    // The world matrix carries the head into the entity's space.
    EXPECT_TRUE(near(child->getMatrix().getTranslation(), {0, -1, 5}));
    EXPECT_TRUE(near(child->transformPoint({1, 0, 0}), {0, -(1 + c), 5 + s}));
    // The rock: (1 - s, 0, c) by the child, then turned by the root.
    EXPECT_TRUE(near(rock->transformPoint({0, 0, 0}), {0, s - 1, 5 + c}));
    EXPECT_TRUE(rock->isUpdated());
}

} // namespace
