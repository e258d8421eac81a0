#include "engine/camera.h"

#include "support/float_compare.h"

#include <gtest/gtest.h>

using Kestrel::Camera;
using Kestrel::Vector3;
using TestSupport::near;

namespace {

const float ANGLE_TOLERANCE = 0.01f;

TEST(CameraTest, LookAtTurnsTowardsTheTarget) {
    Camera camera;
    camera.setRotation(-7, -7, 12);
    camera.lookAt({8, 10, 0}, {8, 0, 8}, {0, 1, 0});
    EXPECT_EQ(camera.getPosition(), Vector3(8, 10, 0));
    EXPECT_TRUE(near(camera.getRotationX(), 51.34f, ANGLE_TOLERANCE));
    EXPECT_TRUE(near(camera.getRotationY(), 0.0f));
    EXPECT_EQ(camera.getRotationZ(), 12.0f) << "roll is left alone";
    EXPECT_TRUE(near(camera.getDirection(), {0, -0.781f, 0.625f}, 1e-3f));

    camera.lookAt({0, 1, -7}, {0, 0, 0}, {0, 1, 0});
    EXPECT_TRUE(near(camera.getRotationX(), 8.13f, ANGLE_TOLERANCE));
    EXPECT_TRUE(near(camera.getRotationY(), 0.0f));

    camera.lookAt({0, 0, 0}, {5, 0, 0}, {0, 1, 0});
    EXPECT_TRUE(near(camera.getRotationY(), 90.0f, ANGLE_TOLERANCE));
    EXPECT_TRUE(near(camera.getDirection(), {1, 0, 0}));
    camera.lookAt({0, 0, 0}, {0, 0, -5}, {0, 1, 0});
    EXPECT_TRUE(near(camera.getRotationY(), 180.0f, ANGLE_TOLERANCE));
    EXPECT_TRUE(near(camera.getDirection(), {0, 0, -1}));

    // Looking at the eye itself has no direction: the old one stays.
    const Vector3 rotation = camera.getRotation();
    camera.lookAt({1, 2, 3}, {1, 2, 3}, {0, 1, 0});
    EXPECT_EQ(camera.getPosition(), Vector3(1, 2, 3));
    EXPECT_EQ(camera.getRotation(), rotation);
}

TEST(CameraTest, MoveToWithoutDurationJumps) {
    Camera camera, target;
    target.setPosition(1, 2, 3);
    target.setRotation(4, 5, 6);
    camera.moveTo(target, 0);
    EXPECT_EQ(camera.getPosition(), target.getPosition());
    EXPECT_EQ(camera.getRotation(), target.getRotation());
    camera.update(0.5f);
    EXPECT_EQ(camera.getPosition(), target.getPosition());
}

// Heading 170 -> -170 over 1 s: +20 degrees through 180, not -340.
//   t    0     0.5   1
//   y    170   180   190
TEST(CameraTest, MoveToTurnsTheShortWayRound) {
    Camera camera, target;
    camera.setRotation(-170, 170, 10);
    target.setRotation(170, -170, -10);
    camera.moveTo(target, 1.0f);
    EXPECT_EQ(camera.getRotation(), Vector3(-170, 170, 10)) << "nothing moves before update";
    camera.update(0.5f);
    EXPECT_TRUE(near(camera.getRotation(), {-180, 180, 0}));
    camera.update(0.5f);
    EXPECT_TRUE(near(camera.getRotation(), {-190, 190, -10}));
}

// A 2 s transition after updates adding up to 1 s:
//   time   0       1 (checked)   2
//   pos    start   mean          end
TEST(CameraTest, TransitionMidpointIsTheMean) {
    Camera camera, target;
    camera.setPosition(0, 10, -4);
    camera.setRotation(20, 0, 0);
    target.setPosition(8, 2, 4);
    target.setRotation(40, 90, 0);
    camera.moveTo(target, 2.0f);
    for (int i = 0; i < 4; ++i)
        camera.update(0.25f);
    EXPECT_TRUE(near(camera.getPosition(), {4, 6, 0}));
    EXPECT_TRUE(near(camera.getRotation(), {30, 45, 0}));

    camera.update(1.0f);
    EXPECT_TRUE(near(camera.getPosition(), {8, 2, 4}));
    camera.update(1.0f);
    EXPECT_TRUE(near(camera.getPosition(), {8, 2, 4})) << "a finished transition stays";
}

} // namespace
