#include "engine/camera.h"

#include "support/float_compare.h"

#include <gtest/gtest.h>

#include <vector>

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
    camera.lookAt({0, 0, 0}, {2, -2, 2}, {0, 1, 0});
    EXPECT_TRUE(near(camera.getDirection(), Vector3(1, -1, 1).normalized()));
    camera.lookAt({0, 0, 0}, {0, 0, -5}, {0, 1, 0});
    EXPECT_TRUE(near(camera.getRotationY(), 180.0f, ANGLE_TOLERANCE));
    EXPECT_TRUE(near(camera.getDirection(), {0, 0, -1}));

    // Looking at the eye itself has no direction: the old one stays.
    const Vector3 rotation = camera.getRotation();
    camera.lookAt({1, 2, 3}, {1, 2, 3}, {0, 1, 0});
    EXPECT_EQ(camera.getPosition(), Vector3(1, 2, 3));
    EXPECT_EQ(camera.getRotation(), rotation);
}

// Transitions after the given updates; headings turn the short way round, so
// 170 -> -170 goes +20 through 180 and -100 -> 120 goes -140.
TEST(CameraTest, MoveToBlendsPositionAndRotationOverTheDuration) {
    const struct {
        Vector3 fromRotation, toRotation;
        float duration;
        std::vector<float> steps;
        Vector3 rotation, position;
    } cases[] = {
        {{-170, 170, 10}, {170, -170, -10}, 1, {}, {-170, 170, 10}, {0, 10, -4}},
        {{-170, 170, 10}, {170, -170, -10}, 1, {0.5f}, {-180, 180, 0}, {4, 6, 0}},
        {{-170, 170, 10}, {170, -170, -10}, 1, {0.5f, 0.3f, 0.2f}, {-190, 190, -10}, {8, 2, 4}},
        {{0, -100, 0}, {0, 120, 0}, 1, {0.5f}, {0, -170, 0}, {4, 6, 0}},
        {{20, 0, 0}, {40, 90, 0}, 2, {0.25f, 0.25f, 0.25f, 0.25f}, {30, 45, 0}, {4, 6, 0}},
        {{20, 0, 0}, {40, 90, 0}, 2, {1, 1, 1, 1}, {40, 90, 0}, {8, 2, 4}},
        {{20, 0, 0}, {40, 90, 0}, 0, {0.5f}, {40, 90, 0}, {8, 2, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.steps));
        Camera camera, target;
        camera.setPosition(0, 10, -4);
        camera.setRotation(c.fromRotation.x, c.fromRotation.y, c.fromRotation.z);
        target.setPosition(8, 2, 4);
        target.setRotation(c.toRotation.x, c.toRotation.y, c.toRotation.z);
        camera.moveTo(target, c.duration);
        for (float dt : c.steps)
            camera.update(dt);
        EXPECT_TRUE(near(camera.getRotation(), c.rotation, 1e-4f));
        EXPECT_TRUE(near(camera.getPosition(), c.position, 1e-4f));
    }
}

} // namespace
